#include "CommandTable.h"

#include "AttenuationCommands.h"
#include "CommandSupport.h"
#include "Commands.h"
#include "LayerCommands.h"
#include "MaterialCommands.h"
#include "ModelCommand.h"
#include "ShieldingCommands.h"

#ifdef PHOTONXS_CLI_PLOT
#include "PlotCommand.h"
#endif

#include <filesystem>

namespace cli {

namespace {

#ifndef PHOTONXS_CLI_PLOT
int RunPlot(const Invocation&, BufferedStream&, BufferedStream& err) {
    Complain(err, "plot is not available in this build");
    return kExitUsage;
}
#endif

} // namespace

#ifndef PHOTONXS_CLI_PLOT
int WriteModelPicture(const geometry::PreparedModel&, const geometry::ModelSpec&,
                      const std::vector<geometry::DetectorResult>&, const std::string&,
                      BufferedStream& err) {
    Complain(err, "--png is not available in this build");
    return kExitUsage;
}
#endif

const std::vector<Command>& Commands() {
    static const std::vector<Command> commands = {
        {"list", {"compendium", "match"}, RunList},
        {"table", {"density", "unit", "without-coherent"}, RunTable},
        {"at", {"density", "grid", "with-edges", "unit", "without-coherent"}, RunAt},
        {"energy", {"density", "all"}, RunEnergy},
        {"csv", {"density"}, RunCsv},
        {"formula", {}, RunFormula},
        {"edges", {"density"}, RunEdges},
        {"absorption", {"density", "grid", "with-edges", "unit"}, RunAbsorption},
        {"hvl", {"density", "grid", "with-edges", "spectrum", "unit"}, RunHalfValue},
        {"attenuate",
         {"energy", "spectrum", "layers", "thickness-for", "out", "grid", "with-edges"},
         RunAttenuate},
        {"layers", {"energy", "spectrum", "angle", "bins", "grid", "with-edges"}, RunLayers},
        {"efficiency",
         {"energy", "sensor", "angle", "thickness-for", "by", "grid", "with-edges"},
         RunEfficiency},
        {"equivalent",
         {"energy", "spectrum", "reference", "reference-density", "grid", "with-edges"},
         RunEquivalent},
        {"zeff", {"grid", "with-edges"}, RunEffectiveZ},
        {"buildup", {"mfp", "kind", "table", "grid", "with-edges"}, RunBuildup},
        {"dose",
         {"activity", "distance", "kind", "rule", "table", "cutoff", "thickness-for", "quantity",
          "rate-unit", "conversion", "decay", "stay", "fresh"},
         RunDose},
        {"kerma-constant", {"cutoff", "quantity", "conversion"}, RunKermaConstant},
        {"nuclides", {"decay", "activity", "fresh"}, RunNuclides},
        {"model", {"accuracy", "png", "check"}, RunModel},
        {"compound", {"name", "density", "category", "file"}, RunCompound},
        {"mixture", {"name", "density", "category", "file"}, RunMixture},
        {"plot", {"out", "density"}, RunPlot},
    };
    return commands;
}

const Command* FindCommand(std::string_view name) {
    for (const Command& command : Commands()) {
        if (command.name == name) {
            return &command;
        }
    }
    return nullptr;
}

int RunCommand(const Invocation& invocation, BufferedStream& out, BufferedStream& err) {
    const Command* command = FindCommand(invocation.command);
    if (command == nullptr) {
        return Usage(err, "unknown command '" + invocation.command + "'");
    }
    std::error_code error;
    if (!std::filesystem::is_directory(invocation.root, error)) {
        Complain(err, invocation.root.generic_string() + ": no such folder (the root given by " +
                          "--root or PHOTONXS_HOME)");
        return kExitBadInput;
    }
    return command->run(invocation, out, err);
}

} // namespace cli
