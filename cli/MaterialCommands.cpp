#include "MaterialCommands.h"

#include "CommandSupport.h"
#include "NumberText.h"
#include "data/NumberMask.h"
#include "material/Edges.h"
#include "material/Resolve.h"

#include <algorithm>
#include <memory>
#include <string>

namespace cli {

namespace {

int complainBadInput(BufferedStream& err, const std::string& message) {
    Complain(err, message);
    return kExitBadInput;
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

void appendNumber(std::string& out, const OutputStyle& style, std::string_view key, double value,
                  bool exact) {
    const OutputFormat format = style.format;
    out += format == OutputFormat::Text ? "  " : ",";
    if (format == OutputFormat::Json) {
        AppendJsonString(out, key);
        out += ':';
    }
    if (exact) {
        out += data::FormatExact(value);
    } else {
        AppendCell(out, style, key, value);
    }
}

} // namespace

int RunFormula(const Invocation& invocation, BufferedStream& out, BufferedStream& err) {
    if (invocation.arguments.size() != 1) {
        return Usage(err, "formula takes one TEXT");
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
    static constexpr std::string_view kKeys[] = {"element", "atoms", "weight_fraction"};
    AppendHeader(o, invocation.Style(), kKeys);
    for (const material::ElementFraction& element : composition.elements) {
        if (invocation.format == OutputFormat::Json) {
            o += '{';
        }
        appendText(o, invocation.format, "element", element.symbol, true);
        appendNumber(o, invocation.Style(), "atoms", element.atoms, true);
        appendNumber(o, invocation.Style(), "weight_fraction", element.weightFraction, false);
        o += invocation.format == OutputFormat::Json ? "}\n" : "\n";
    }
    return kExitDone;
}

int RunEdges(const Invocation& invocation, BufferedStream& out, BufferedStream& err) {
    if (invocation.arguments.size() != 1) {
        return Usage(err, "edges takes one MATERIAL");
    }
    auto resolved = std::make_unique<material::ResolvedMaterial>();
    std::string error;
    if (!material::ResolveMaterial(invocation.root, invocation.arguments[0], *resolved, error)) {
        return complainBadInput(err, error);
    }
    Note(err, resolved->note);
    if (!resolved->composition.known) {
        return complainBadInput(err, "the elements of '" + invocation.arguments[0] +
                                         "' are not known, so neither are its edges");
    }
    std::vector<material::Edge> edges;
    if (!material::ReadEdgeList(invocation.root, edges, error)) {
        return complainBadInput(err, error);
    }
    std::string& o = out.Text();
    static constexpr std::string_view kKeys[] = {"element", "shell", "energy", "jump"};
    AppendHeader(o, invocation.Style(), kKeys);
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
            appendNumber(o, invocation.Style(), "energy", edge.energyMeV, false);
            appendNumber(o, invocation.Style(), "jump",
                         material::EdgeJump(resolved->table, edge.energyMeV), false);
            o += invocation.format == OutputFormat::Json ? "}\n" : "\n";
        }
    }
    return kExitDone;
}

} // namespace cli
