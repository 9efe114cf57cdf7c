#pragma once

struct AppContext;

namespace graph {

/// GO: loads the selected data file into the material table, fills the calculator, draws both
/// plots of the graph window and shows the graph and calculator windows. Reports "Select
/// material " when nothing is selected and a message naming the file when it cannot be loaded,
/// leaving every window and the table as they were. Returns true when the material was loaded.
bool RunGo(AppContext& context);

} // namespace graph
