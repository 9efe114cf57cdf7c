#pragma once

#include "Arguments.h"
#include "Output.h"

namespace cli {

/// list: every data file with its name and density.
int RunList(const Invocation& invocation, BufferedStream& out, BufferedStream& err);

/// table PATH: the loaded table, one line a row.
int RunTable(const Invocation& invocation, BufferedStream& out, BufferedStream& err);

/// at PATH E...: the calculator's look-up by energy.
int RunAt(const Invocation& invocation, BufferedStream& out, BufferedStream& err);

/// energy PATH MU...: the calculator's look-up by total (--all: every energy of a total).
int RunEnergy(const Invocation& invocation, BufferedStream& out, BufferedStream& err);

/// csv PATH OUT: the calculator's CSV export.
int RunCsv(const Invocation& invocation, BufferedStream& out, BufferedStream& err);

/// compound and mixture: the builders, writing a new material file.
int RunCompound(const Invocation& invocation, BufferedStream& out, BufferedStream& err);
int RunMixture(const Invocation& invocation, BufferedStream& out, BufferedStream& err);

} // namespace cli
