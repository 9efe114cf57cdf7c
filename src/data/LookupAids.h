#pragma once

#include "data/MaterialTable.h"

namespace data {

/// Row i's energy and six coefficients with their logarithms, as the table holds them now.
RowLogarithms LogarithmsOfRow(const MaterialTable& table, int i);

/// Works out table.lookupAids afresh from rows 1..RowCount. The loader calls it; so must any
/// code that changes the rows of a loaded table.
void RefreshLookupAids(MaterialTable& table);

} // namespace data
