#include "MaterialCommands.h"

#include "Commands.h"
#include "NumberText.h"
#include "calc/TotalRoots.h"
#include "data/NumberMask.h"
#include "material/Edges.h"
#include "material/Resolve.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <string>

namespace cli {

namespace {

const std::vector<std::string_view> kRowKeys = {
    "energy", "coherent", "incoherent", "photo_electric", "pair_nuclear", "pair_electron", "total"};

int complainBadInput(BufferedStream& err, const std::string& message) {
    Complain(err, message);
    return kExitBadInput;
}

// FROM:TO:N, FROM and TO positive energies, N a whole number of at least 2.
bool parseGrid(const std::string& text, double& from, double& to, long& count) {
    const std::size_t first = text.find(':');
    const std::size_t second = first == std::string::npos ? first : text.find(':', first + 1);
    if (second == std::string::npos) {
        return false;
    }
    const std::optional<double> a = ReadNumber(std::string_view(text).substr(0, first));
    const std::optional<double> b =
        ReadNumber(std::string_view(text).substr(first + 1, second - first - 1));
    const std::string n = text.substr(second + 1);
    if (!a || !b || !(*a > 0.0) || !(*b > 0.0) || !std::isfinite(*a) || !std::isfinite(*b) ||
        n.empty() || n.size() > 7 ||
        !std::all_of(n.begin(), n.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        return false;
    }
    from = *a;
    to = *b;
    count = std::stol(n);
    return count >= 2;
}

void appendText(std::string& out, OutputFormat format, std::string_view key, std::string_view text,
                bool first) {
    if (!first) {
        out += format == OutputFormat::Csv ? "," : format == OutputFormat::Json ? "," : "  ";
    }
    if (format == OutputFormat::Json) {
        AppendJsonString(out, key);
        out += ':';
        AppendJsonString(out, text);
    } else if (format == OutputFormat::Csv) {
        AppendCsvField(out, text);
    } else {
        out += text;
    }
}

void appendNumber(std::string& out, OutputFormat format, std::string_view key, double value,
                  int digits, bool exact) {
    out += format == OutputFormat::Text ? "  " : ",";
    if (format == OutputFormat::Json) {
        AppendJsonString(out, key);
        out += ':';
        if (!std::isfinite(value)) {
            out += "null";
            return;
        }
    }
    if (exact) {
        out += data::FormatExact(value);
    } else {
        AppendValue(out, value, digits);
    }
}

} // namespace

bool IsExpression(std::string_view argument) {
    return argument.starts_with(material::kFormulaPrefix) ||
           argument.starts_with(material::kMixPrefix);
}

bool AddGridEnergies(const Invocation& invocation, const data::MaterialTable& table,
                     std::vector<double>& energies, BufferedStream& err) {
    const auto grid = invocation.options.find("grid");
    const bool withEdges = invocation.options.contains("with-edges");
    if (grid == invocation.options.end() && !withEdges) {
        return true;
    }
    double low = 0.0;
    double high = 0.0;
    if (grid != invocation.options.end()) {
        double from = 0.0;
        double to = 0.0;
        long count = 0;
        if (!parseGrid(grid->second, from, to, count)) {
            Complain(err, "--grid '" + grid->second +
                              "' is not FROM:TO:N (two energies above 0 in MeV and a whole " +
                              "number N of at least 2)");
            return false;
        }
        const double logFrom = std::log(from);
        const double step = (std::log(to) - logFrom) / static_cast<double>(count - 1);
        energies.push_back(from);
        for (long k = 1; k + 1 < count; ++k) {
            energies.push_back(std::exp(logFrom + step * static_cast<double>(k)));
        }
        energies.push_back(to);
    }
    if (!energies.empty()) {
        low = *std::min_element(energies.begin(), energies.end());
        high = *std::max_element(energies.begin(), energies.end());
    }
    if (withEdges) {
        for (const int row : material::EdgeRows(table)) {
            const double below = table.Energy[static_cast<std::size_t>(row) - 1];
            const double edge = table.Energy[static_cast<std::size_t>(row)];
            if (!(low == 0.0 && high == 0.0) && (edge < low || below > high)) {
                continue;
            }
            // At the energy below the edge the look-up answers below it. Where both rows hold
            // one energy, the next double up lies past both and so answers above the edge.
            energies.push_back(below);
            energies.push_back(edge > below ? edge : std::nextafter(edge, 2.0 * edge));
        }
    }
    std::sort(energies.begin(), energies.end());
    energies.erase(std::unique(energies.begin(), energies.end()), energies.end());
    return true;
}

int PrintAllRoots(const Invocation& invocation, const data::MaterialTable& table,
                  const std::vector<double>& totals, BufferedStream& out, BufferedStream& err) {
    const RowWriter writer(invocation.format, invocation.digits, kRowKeys);
    writer.Header(out.Text());
    std::size_t none = 0;
    for (const double total : totals) {
        const std::vector<calc::TotalRoot> roots = calc::EnergiesAtTotal(table, total);
        if (roots.empty()) {
            ++none;
            writer.Failure(out.Text(), 6, total, "OutOfRange");
        }
        for (const calc::TotalRoot& root : roots) {
            const std::array<double, 7> values = {root.energyMeV,       root.set.coherent,
                                                  root.set.incoherent,  root.set.photoElectric,
                                                  root.set.pairNuclear, root.set.pairElectron,
                                                  root.set.total};
            writer.Values(out.Text(), values);
        }
        out.FlushIfLarge();
    }
    if (none > 0) {
        Complain(err, std::to_string(none) + " of " + std::to_string(totals.size()) +
                          " totals are taken at no energy of the table");
        return kExitSomeRowsFailed;
    }
    return kExitDone;
}

int RunFormula(const Invocation& invocation, BufferedStream& out, BufferedStream& err) {
    if (invocation.arguments.size() != 1) {
        Complain(err, "formula takes one TEXT (photonxs-cli --help tells more)");
        return kExitUsage;
    }
    std::string_view text = invocation.arguments[0];
    if (text.starts_with(material::kFormulaPrefix)) {
        text.remove_prefix(material::kFormulaPrefix.size());
    }
    material::Composition composition;
    std::string error;
    if (!material::FormulaComposition(invocation.root, text, composition, error)) {
        return complainBadInput(err, error);
    }
    std::string& o = out.Text();
    if (invocation.format == OutputFormat::Csv) {
        o += "element,atoms,weight_fraction\n";
    }
    for (const material::ElementFraction& element : composition.elements) {
        if (invocation.format == OutputFormat::Json) {
            o += '{';
        }
        appendText(o, invocation.format, "element", element.symbol, true);
        appendNumber(o, invocation.format, "atoms", element.atoms, invocation.digits, true);
        appendNumber(o, invocation.format, "weight_fraction", element.weightFraction,
                     invocation.digits, false);
        o += invocation.format == OutputFormat::Json ? "}\n" : "\n";
    }
    return kExitDone;
}

int RunEdges(const Invocation& invocation, BufferedStream& out, BufferedStream& err) {
    if (invocation.arguments.size() != 1) {
        Complain(err, "edges takes one MATERIAL (photonxs-cli --help tells more)");
        return kExitUsage;
    }
    auto resolved = std::make_unique<material::ResolvedMaterial>();
    std::string error;
    if (!material::ResolveMaterial(invocation.root, invocation.arguments[0], *resolved, error)) {
        return complainBadInput(err, error);
    }
    if (!resolved->composition.known) {
        return complainBadInput(err, "the elements of '" + invocation.arguments[0] +
                                         "' are not known, so neither are its edges");
    }
    std::vector<material::Edge> edges;
    if (!material::ReadEdgeList(invocation.root, edges, error)) {
        return complainBadInput(err, error);
    }
    std::string& o = out.Text();
    if (invocation.format == OutputFormat::Csv) {
        o += "element,shell,energy,jump\n";
    }
    for (const material::ElementFraction& element : resolved->composition.elements) {
        for (const material::Edge& edge : edges) {
            if (edge.z != element.z) {
                continue;
            }
            if (invocation.format == OutputFormat::Json) {
                o += '{';
            }
            appendText(o, invocation.format, "element", element.symbol, true);
            appendText(o, invocation.format, "shell", edge.shell, false);
            appendNumber(o, invocation.format, "energy", edge.energyMeV, invocation.digits, false);
            appendNumber(o, invocation.format, "jump",
                         material::EdgeJump(resolved->table, edge.energyMeV), invocation.digits,
                         false);
            o += invocation.format == OutputFormat::Json ? "}\n" : "\n";
        }
    }
    return kExitDone;
}

} // namespace cli
