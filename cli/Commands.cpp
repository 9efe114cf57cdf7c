#include "Commands.h"

#include "CommandSupport.h"
#include "MaterialArguments.h"
#include "NumberText.h"
#include "attenuation/Units.h"
#include "calc/Interpolation.h"
#include "calc/TotalRoots.h"
#include "data/MaterialFile.h"
#include "data/MaterialTable.h"
#include "data/NumberMask.h"
#include "export/CsvExport.h"
#include "material/Catalogue.h"
#include "material/DataPaths.h"
#include "material/Resolve.h"
#include "newdata/Builder.h"
#include "newdata/BuilderState.h"
#include "newdata/MaterialWriter.h"
#include "platform/FileListing.h"

#include <array>
#include <cmath>
#include <cstdio>
#include <memory>
#include <optional>
#include <span>
#include <vector>

namespace cli {

namespace {

const std::vector<std::string_view> kRowKeys = {
    "energy", "coherent", "incoherent", "photo_electric", "pair_nuclear", "pair_electron", "total"};
constexpr std::size_t kEnergyColumn = 0;
constexpr std::size_t kTotalColumn = 6;

constexpr std::string_view kOutOfRange = "OutOfRange";
constexpr std::string_view kCalculationError = "CalculationError";

// The coefficient columns of `at` and `table`: in the unit of --unit (cm2/g when not given), and
// with --without-coherent the total without coherent scattering after them.
struct CoefficientColumns {
    attenuation::CoefficientScale scale;
    bool withoutCoherent = false;

    std::vector<std::string_view> Keys() const {
        std::vector<std::string_view> keys = kRowKeys;
        if (withoutCoherent) {
            keys.push_back("total_without_coherent");
        }
        return keys;
    }
    /// The header's units: the keys' own for cm2/g, else the unit's name.
    std::vector<std::string_view> Units() const {
        if (scale.unit.kind == attenuation::CoefficientKind::MassAttenuation) {
            return {};
        }
        std::vector<std::string_view> units(Keys().size(), scale.unit.name);
        units[kEnergyColumn] = {};
        return units;
    }
    /// The energy, the six coefficients and the total without coherent when asked for.
    std::span<const double> Values(double energyMeV, const calc::CoefficientSet& set,
                                   std::array<double, 8>& values) const {
        values = {energyMeV,
                  scale.Apply(set.coherent),
                  scale.Apply(set.incoherent),
                  scale.Apply(set.photoElectric),
                  scale.Apply(set.pairNuclear),
                  scale.Apply(set.pairElectron),
                  scale.Apply(set.total),
                  scale.Apply(attenuation::TotalWithoutCoherent(set))};
        return {values.data(), withoutCoherent ? 8u : 7u};
    }
};

// Resolves a material argument (data file, element, formula:, mix:) and loads it as GO does:
// fresh extremes, then the table. --density, when given, stands for the material's density.
// `columns`, when given, receives the scale of --unit for this material and --without-coherent.
bool loadTable(const Invocation& invocation, std::string_view argument, data::MaterialTable& table,
               double& density, BufferedStream& err, CoefficientColumns* columns = nullptr) {
    std::optional<double> given;
    if (const auto found = invocation.options.find("density"); found != invocation.options.end()) {
        given = ReadNumber(found->second);
        if (!given || !(*given > 0.0)) {
            Complain(err, "--density " + Echo(found->second) + " is not a number greater than 0");
            return false;
        }
    }
    auto resolved = std::make_unique<material::ResolvedMaterial>();
    std::string error;
    if (!material::ResolveMaterial(invocation.root, argument, *resolved, error)) {
        Complain(err, error);
        return false;
    }
    Note(err, resolved->note);
    density = given ? *given : resolved->densityGPerCm3.value_or(0.0);
    if (columns != nullptr) {
        columns->withoutCoherent = invocation.options.contains("without-coherent");
        Material m{std::move(resolved), density};
        const std::optional<attenuation::CoefficientScale> scale = UnitScaleOf(invocation, m, err);
        if (!scale) {
            return false;
        }
        columns->scale = *scale;
        resolved = std::move(m.resolved);
    }
    table = std::move(resolved->table);
    return true;
}

calc::CoefficientSet rowSet(const data::MaterialTable& table, int row) {
    const auto i = static_cast<std::size_t>(row);
    return {table.Coherent[i],    table.Incoherent[i],   table.PhotoElectric[i],
            table.PairNuclear[i], table.PairElectron[i], table.Total[i]};
}

std::array<double, 7> setValues(double energyMeV, const calc::CoefficientSet& set) {
    return {energyMeV,       set.coherent,     set.incoherent, set.photoElectric,
            set.pairNuclear, set.pairElectron, set.total};
}

// list --compendium or --match TEXT: the materials by the names people type, with their
// densities, where they come from and the compendium's aliases.
int listNames(const Invocation& invocation, BufferedStream& out, BufferedStream& err) {
    const std::shared_ptr<const material::Catalogue> catalogue =
        material::CatalogueOf(invocation.root);
    if (!catalogue->compendiumError.empty()) {
        Complain(err, catalogue->compendiumError);
        return kExitBadInput;
    }
    const bool compendium = invocation.options.contains("compendium");
    const auto match = invocation.options.find("match");
    const std::string search = match == invocation.options.end() ? "" : match->second;
    std::string& text = out.Text();
    static constexpr std::string_view kKeys[] = {"typed", "name", "density", "source", "aliases"};
    AppendHeader(text, invocation.Style(), kKeys, true);
    std::size_t listed = 0;
    for (const material::MaterialChoice& choice : material::MaterialChoices(*catalogue, true)) {
        if ((compendium && !choice.compendium) || !material::ChoiceMatches(choice, search, true)) {
            continue;
        }
        ++listed;
        const std::string density = data::FormatDensityShown(choice.density);
        const std::string_view fields[] = {choice.typed, choice.name, density,
                                           choice.compendium ? std::string_view("compendium")
                                                             : std::string_view(choice.path),
                                           choice.aliases};
        for (std::size_t i = 0; i < std::size(fields); ++i) {
            const bool number = i == 2;
            switch (invocation.format) {
            case OutputFormat::Text:
                text += (i == 0 ? "" : "\t") + std::string(fields[i]);
                break;
            case OutputFormat::Csv:
                text += i == 0 ? "" : ",";
                AppendCsvField(text, fields[i]);
                break;
            case OutputFormat::Json:
                text += (i == 0 ? "{\"" : ",\"") + std::string(kKeys[i]) + "\":";
                number ? void(text += fields[i]) : AppendJsonString(text, fields[i]);
                break;
            }
        }
        text += invocation.format == OutputFormat::Json ? "}\n" : "\n";
        out.FlushIfLarge();
    }
    if (listed == 0) {
        const std::string near = catalogue->Closest(search);
        Complain(err, "note: no material's name holds " + Echo(search) +
                          (near.empty() ? "" : "; did you mean " + near + "?"));
    }
    return kExitDone;
}

int runList(const Invocation& invocation, BufferedStream& out, BufferedStream& err) {
    if (!invocation.arguments.empty()) {
        return Usage(err, "list takes no arguments");
    }
    if (invocation.options.contains("compendium") || invocation.options.contains("match")) {
        return listNames(invocation, out, err);
    }
    struct Folder {
        std::string_view name;
        std::string_view pattern;
    };
    constexpr std::array<Folder, 4> kFolders = {
        {{"ele", "*.ele"}, {"mix", "*.mix1"}, {"mix", "*.mix2"}, {"mix", "*.mix3"}}};
    std::string& text = out.Text();
    static constexpr std::string_view kListKeys[] = {"path", "name", "density"};
    AppendHeader(text, invocation.Style(), kListKeys, true);
    int status = kExitDone;
    for (const Folder& folder : kFolders) {
        for (const std::string& file :
             platform::ListFiles(invocation.root / folder.name, folder.pattern)) {
            const std::string path = std::string(folder.name) + "/" + file;
            data::DataFileHeader header;
            const data::LoadResult read = data::ReadDataFileHeader(invocation.root / path, header);
            if (!read.ok()) {
                Complain(err, data::DescribeLoadError(read, path));
                status = kExitBadInput;
                continue;
            }
            const std::string density = data::FormatDensityShown(header.density);
            switch (invocation.format) {
            case OutputFormat::Text:
                text += path + "\t" + header.name + "\t" + density + "\n";
                break;
            case OutputFormat::Csv:
                AppendCsvField(text, path);
                text += ',';
                AppendCsvField(text, header.name);
                text += "," + density + "\n";
                break;
            case OutputFormat::Json:
                text += "{\"path\":";
                AppendJsonString(text, path);
                text += ",\"name\":";
                AppendJsonString(text, header.name);
                text += ",\"density\":";
                if (std::isfinite(header.density)) {
                    text += density;
                } else {
                    AppendJsonString(text, density);
                }
                text += "}\n";
                break;
            }
            out.FlushIfLarge();
        }
    }
    return status;
}

int runTable(const Invocation& invocation, BufferedStream& out, BufferedStream& err) {
    if (invocation.arguments.size() != 1) {
        return Usage(err, "table takes one PATH");
    }
    auto table = std::make_unique<data::MaterialTable>();
    double density = 0.0;
    CoefficientColumns columns;
    if (!loadTable(invocation, invocation.arguments[0], *table, density, err, &columns)) {
        return kExitBadInput;
    }
    const RowWriter writer(invocation.Style(), columns.Keys(), columns.Units());
    std::string& text = out.Text();
    writer.Header(text);
    std::array<double, 8> values{};
    for (int row = 1; row <= table->RowCount; ++row) {
        writer.Values(text, columns.Values(table->Energy[static_cast<std::size_t>(row)],
                                           rowSet(*table, row), values));
    }
    return kExitDone;
}

// energy --all: for each total, one line per energy at which the table's total takes it.
int printAllRoots(const Invocation& invocation, const data::MaterialTable& table,
                  ValueReader& totals, BufferedStream& out, BufferedStream& err) {
    const RowWriter writer(invocation.Style(), kRowKeys);
    writer.Header(out.Text());
    std::size_t none = 0;
    double total = 0.0;
    while (totals.Next(total)) {
        const std::vector<calc::TotalRoot> roots = calc::EnergiesAtTotal(table, total);
        if (roots.empty()) {
            ++none;
            writer.Failure(out.Text(), kTotalColumn, total, kOutOfRange);
        }
        for (const calc::TotalRoot& root : roots) {
            writer.Values(out.Text(), setValues(root.energyMeV, root.set));
        }
        out.FlushIfLarge();
    }
    if (totals.Failed()) {
        return kExitBadInput;
    }
    if (none > 0) {
        Complain(err, std::to_string(none) + " of " + std::to_string(totals.Count()) +
                          " totals are taken at no energy of the table");
        return kExitSomeRowsFailed;
    }
    return kExitDone;
}

enum class Lookup { ByEnergy, ByTotal };

int runLookup(const Invocation& invocation, Lookup lookup, BufferedStream& out,
              BufferedStream& err) {
    const bool byEnergy = lookup == Lookup::ByEnergy;
    const bool gridded = byEnergy && (invocation.options.contains("grid") ||
                                      invocation.options.contains("with-edges"));
    if (invocation.arguments.size() < (gridded ? 1u : 2u)) {
        return Usage(err, invocation.command + (byEnergy ? " takes PATH and at least one energy"
                                                         : " takes PATH and at least one total"));
    }
    auto table = std::make_unique<data::MaterialTable>();
    double density = 0.0;
    CoefficientColumns columns;
    if (!loadTable(invocation, invocation.arguments[0], *table, density, err, &columns)) {
        return kExitBadInput;
    }
    ValueReader values(invocation, {invocation.arguments.begin() + 1, invocation.arguments.end()},
                       byEnergy ? "the energy" : "the total", byEnergy, out, err);
    if (!values.Start(table.get())) {
        return kExitBadInput;
    }
    if (!byEnergy && invocation.options.contains("all")) {
        return printAllRoots(invocation, *table, values, out, err);
    }

    const RowWriter writer(invocation.Style(), columns.Keys(), columns.Units());
    writer.Header(out.Text());
    std::size_t failed = 0;
    double value = 0.0;
    std::array<double, 8> row{};
    while (values.Next(value)) {
        calc::CoefficientSet set;
        calc::CalcStatus status;
        double energyMeV = value;
        if (byEnergy) {
            status = calc::CoefficientsAtEnergy(*table, value, set);
        } else {
            status = calc::EnergyAtTotal(*table, value, energyMeV, set);
        }
        if (status == calc::CalcStatus::Ok) {
            writer.Values(out.Text(), columns.Values(energyMeV, set, row));
        } else {
            ++failed;
            writer.Failure(out.Text(), byEnergy ? kEnergyColumn : kTotalColumn, value,
                           status == calc::CalcStatus::OutOfRange ? kOutOfRange
                                                                  : kCalculationError);
        }
        out.FlushIfLarge();
    }
    if (values.Failed()) {
        return kExitBadInput;
    }
    if (failed > 0) {
        Complain(err, std::to_string(failed) + " of " + std::to_string(values.Count()) +
                          (byEnergy ? " energies" : " totals") +
                          " gave no value (out of range or calculation error)");
        return kExitSomeRowsFailed;
    }
    return kExitDone;
}

int runCsv(const Invocation& invocation, BufferedStream& out, BufferedStream& err) {
    if (invocation.arguments.size() != 2) {
        return Usage(err, "csv takes PATH and OUT");
    }
    const std::string& target = invocation.arguments[1];
    auto table = std::make_unique<data::MaterialTable>();
    if (target == "-") {
        double density = 0.0;
        if (!loadTable(invocation, invocation.arguments[0], *table, density, err)) {
            return kExitBadInput;
        }
        out.Text() += exporting::CsvText(*table, density);
        return kExitDone;
    }
    std::string error;
    bool nothingFound = false;
    const std::optional<std::string> path =
        IsExpression(invocation.arguments[0])
            ? std::nullopt
            : material::ResolveDataPath(invocation.root, invocation.arguments[0], error,
                                        &nothingFound);
    // An expression, a bare formula or a compendium name is built, as the other commands build
    // it; a data file is exported as the calculator exports it.
    if (IsExpression(invocation.arguments[0]) || nothingFound) {
        double density = 0.0;
        if (!loadTable(invocation, invocation.arguments[0], *table, density, err)) {
            return kExitBadInput;
        }
        const data::WriteResult written =
            data::WriteFileReplacing(target, exporting::CsvText(*table, density));
        if (!written.ok) {
            Complain(err, target + ": " + written.reason);
            return kExitBadInput;
        }
        return kExitDone;
    }
    if (!path) {
        Complain(err, error);
        return kExitBadInput;
    }
    table->SelectedPath = *path;
    const exporting::ExportResult result =
        exporting::ExportTableCsv(*table, invocation.root, std::filesystem::path(target));
    if (!result.ok()) {
        Complain(err, result.status == exporting::ExportStatus::CannotWrite
                          ? target + ": " + result.detail
                          : result.detail);
        return kExitBadInput;
    }
    return kExitDone;
}

std::optional<newdata::Category> parseCategory(std::string_view text) {
    if (text == "human") {
        return newdata::Category::HumanTissues;
    }
    if (text == "phantom") {
        return newdata::Category::PhantomSubstances;
    }
    if (text == "other") {
        return newdata::Category::Others;
    }
    return std::nullopt;
}

int runBuilder(const Invocation& invocation, newdata::BuilderKind kind, BufferedStream& out,
               BufferedStream& err) {
    const bool compound = kind == newdata::BuilderKind::Compound;
    const std::string& command = invocation.command;
    for (const char* required : {"name", "density", "file"}) {
        if (!invocation.options.contains(required)) {
            return Usage(err, command + " needs --" + required);
        }
    }
    if (invocation.arguments.empty()) {
        return Usage(err, command + (compound ? " needs at least one ELEMENT=ATOMS"
                                              : " needs at least one ELEMENT=WEIGHT"));
    }
    newdata::Category category = newdata::Category::Others;
    if (const auto found = invocation.options.find("category"); found != invocation.options.end()) {
        const std::optional<newdata::Category> parsed = parseCategory(found->second);
        if (!parsed) {
            return Usage(err, "option --category takes human, phantom or other, not " +
                                  Echo(found->second));
        }
        category = *parsed;
    }

    // The checks of the builder's first OK, then those of its slots.
    const std::string& name = invocation.options.at("name");
    if (name.empty()) {
        Complain(err, "--name: the substance name is empty");
        return kExitBadInput;
    }
    const std::string& densityText = invocation.options.at("density");
    const std::optional<double> density = ReadNumber(densityText);
    if (!density) {
        Complain(err, "--density " + Echo(densityText) + " is not a number");
        return kExitBadInput;
    }
    if (!(*density > 0.0)) {
        Complain(err, "--density " + Echo(densityText) + ": the density must be greater than 0");
        return kExitBadInput;
    }
    const int most = newdata::MaxElements(kind);
    const auto count = static_cast<int>(invocation.arguments.size());
    if (count > most) {
        Complain(err, "a " + command + " takes up to " + std::to_string(most) + " elements, not " +
                          std::to_string(count));
        return kExitBadInput;
    }
    const std::string& fileName = invocation.options.at("file");
    if (fileName.empty()) {
        Complain(err, "--file: the file name is empty");
        return kExitBadInput;
    }

    auto state = std::make_unique<newdata::BuilderState>();
    state->ClearSlots();
    state->ElementCount = count;
    for (int slot = 1; slot <= count; ++slot) {
        const std::string& word = invocation.arguments[static_cast<std::size_t>(slot - 1)];
        const std::size_t equals = word.rfind('=');
        if (equals == std::string::npos) {
            Complain(err,
                     Echo(word) + (compound ? " is not ELEMENT=ATOMS" : " is not ELEMENT=WEIGHT"));
            return kExitBadInput;
        }
        std::string error;
        const std::optional<std::string> element = material::ResolveElementFile(
            invocation.root, std::string_view(word).substr(0, equals), error);
        if (!element) {
            Complain(err, error);
            return kExitBadInput;
        }
        const std::string amountText = word.substr(equals + 1);
        const std::optional<double> amount = ReadNumber(amountText);
        if (!amount) {
            Complain(err, Echo(word) + ": " + Echo(amountText) + " is not a number");
            return kExitBadInput;
        }
        // Numbers of atoms must be positive; weights are taken as they are, as in the windows.
        if (compound && !(*amount > 0.0)) {
            Complain(err, Echo(word) + ": the number of atoms must be greater than 0");
            return kExitBadInput;
        }
        const auto s = static_cast<std::size_t>(slot);
        state->SlotFile[s] = *element;
        state->SlotAmount[s] = *amount;
    }

    const newdata::BuildResult built = newdata::BuildMaterial(*state, invocation.root, kind);
    if (!built.ok()) {
        Complain(err, newdata::DescribeBuildError(built));
        return kExitBadInput;
    }
    const newdata::BuildResult written =
        newdata::WriteMaterialFile(invocation.root, name, *density, category, fileName, *state);
    if (!written.ok()) {
        Complain(err, newdata::DescribeBuildError(written));
        return kExitBadInput;
    }
    out.Text() += written.path + "\n";
    return kExitDone;
}

} // namespace

int RunList(const Invocation& invocation, BufferedStream& out, BufferedStream& err) {
    return runList(invocation, out, err);
}

int RunTable(const Invocation& invocation, BufferedStream& out, BufferedStream& err) {
    return runTable(invocation, out, err);
}

int RunAt(const Invocation& invocation, BufferedStream& out, BufferedStream& err) {
    return runLookup(invocation, Lookup::ByEnergy, out, err);
}

int RunEnergy(const Invocation& invocation, BufferedStream& out, BufferedStream& err) {
    return runLookup(invocation, Lookup::ByTotal, out, err);
}

int RunCsv(const Invocation& invocation, BufferedStream& out, BufferedStream& err) {
    return runCsv(invocation, out, err);
}

int RunCompound(const Invocation& invocation, BufferedStream& out, BufferedStream& err) {
    return runBuilder(invocation, newdata::BuilderKind::Compound, out, err);
}

int RunMixture(const Invocation& invocation, BufferedStream& out, BufferedStream& err) {
    return runBuilder(invocation, newdata::BuilderKind::Mixture, out, err);
}

} // namespace cli
