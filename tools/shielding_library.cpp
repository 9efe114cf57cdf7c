#include "shielding_library.h"

#include "decay_library.h"

#include "source_table.h"

#include "attenuation/TextLines.h"
#include "data/CharConv.h"
#include "data/MaterialFile.h"
#include "shielding/BuildupTables.h"
#include "shielding/Nuclides.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <map>
#include <optional>
#include <utility>

namespace shielding::importing {

namespace {

using ::importing::Place;
using ::importing::ReadSourceTable;
using Record = ::importing::SourceRecord;

constexpr std::string_view kCoefficientHeader = "material,Z_or_Zeq,energy_MeV,b,c,a,Xk,d,source";
constexpr std::string_view kLinesHeader =
    "nuclide,half_life_value,half_life_unit,energy_keV,intensity_per_100_decays,kind,emitter,"
    "intensity_unc_per_100,source";
constexpr std::string_view kSummaryHeader =
    "nuclide,half_life,half_life_s,members,lines_kept,photon_energy_keV_per_decay_kept,"
    "photon_energy_dropped_fraction,ensdf_authors,note";
constexpr std::string_view kBuildupHeader = "kind,material,z,energy_mev,b,c,a,xk,d";
constexpr std::string_view kNuclidesHeader =
    "nuclide,element,half_life,energy_mev,photons_per_decay,kind,emitter";

const std::vector<std::string> kBuildupComments = {
    "# G-P coefficients of gamma-ray buildup factors for a point isotropic source in an infinite",
    "# medium, valid from 0.5 to 40 mean free paths (mean free paths without coherent",
    "# scattering). exposure: air kerma at the point; absorption: energy absorbed in the medium.",
    "# Written by shielding_import from data/buildup; regenerate rather than edit.",
    "# Gamma-ray buildup-factor G-P coefficients: ANSI/ANS-6.4.3-1991 reference data (Y. Harima,",
    "# Y. Sakamoto, S. Tanaka et al.), as published in D. K. Trubey, ORNL/RSIC-49 (1988) and",
    "# NUREG/CR-5740 (1991), U.S. NRC/ORNL (public domain); Mo-Pb coefficients as transcribed by",
    "# PAGEX (MIT licence, copyright 2020 Bubbly S G); U energy-absorption coefficients from",
    "# JAERI-M 90-110 (1990). Two printed values corrected (magnesium EBF 3 MeV, water EABF",
    "# 0.06 MeV).",
};

const std::vector<std::string> kNuclidesComments = {
    "# Photon lines of radionuclides: energy (MeV) and photons per decay of the named nuclide,",
    "# with the lines of short-lived daughters in equilibrium (emitter names the chain member).",
    "# Written by shielding_import from data/nuclides; regenerate rather than edit.",
    "# Radionuclide photon emission data: ENDF/B-VIII.1 decay sublibrary (NNDC, Brookhaven",
    "# National Laboratory, for CSEWG), derived from ENSDF; D. A. Brown et al., Nucl. Data",
    "# Sheets 148, 1 (2018).",
};

std::optional<int> wholeNumber(std::string_view text, int lowest, int highest) {
    const std::optional<double> value = attenuation::ReadNumberField(text);
    if (!value || *value < lowest || *value > highest || *value != std::floor(*value)) {
        return std::nullopt;
    }
    return static_cast<int>(*value);
}

// The lines with LF after each, as the library's shielding files are written.
std::string joinWithLf(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) {
        text += line;
        text += '\n';
    }
    return text;
}

// A message of the library's own reader about the file made ("line 14: ..."), turned into one
// about the source line that row came from; `origins` holds that place for each line made.
std::string sourceOfProblem(const std::string& problem, const std::vector<std::string>& origins,
                            std::string_view made) {
    constexpr std::string_view kPrefix = "line ";
    const std::size_t colon = problem.find(": ");
    std::size_t line = 0;
    if (problem.starts_with(kPrefix) && colon != std::string::npos) {
        data::FromChars(problem.data() + kPrefix.size(), problem.data() + colon, line);
    }
    if (line >= 1 && line <= origins.size() && !origins[line - 1].empty()) {
        return origins[line - 1] + problem.substr(colon + 2);
    }
    return "the " + std::string(made) + " made from them is refused: " + problem;
}

// "Ba_137m1" (the summary's chain members) as the line tables name it: "Ba-137m".
std::string memberName(std::string_view member) {
    const std::size_t bar = member.find('_');
    if (bar == std::string_view::npos) {
        return std::string(member);
    }
    std::string_view rest = member.substr(bar + 1);
    while (rest.size() > 1 && rest.front() == '0') {
        rest.remove_prefix(1);
    }
    std::string name = std::string(member.substr(0, bar)) + "-" + std::string(rest);
    if (name.ends_with("m1")) {
        name.pop_back();
    }
    return name;
}

const xcom::ElementFacts* elementOfSymbol(const std::vector<xcom::ElementFacts>& elements,
                                          std::string_view symbol) {
    const auto found =
        std::find_if(elements.begin(), elements.end(),
                     [&](const xcom::ElementFacts& e) { return e.symbol == symbol; });
    return found == elements.end() ? nullptr : &*found;
}

} // namespace

std::string FormatBuildupFile(std::string_view ebfCsv, std::string_view eabfCsv,
                              std::string& error) {
    std::vector<std::string> out = kBuildupComments;
    out.emplace_back(kBuildupHeader);
    std::vector<std::string> origins(out.size());
    static constexpr std::array<std::string_view, 6> kColumns = {"energy", "b",  "c",
                                                                 "a",      "Xk", "d"};
    const std::array<std::pair<std::string_view, std::string_view>, 2> sources = {
        std::pair{ebfCsv, "buildup/ebf.csv"}, std::pair{eabfCsv, "buildup/eabf.csv"}};
    for (std::size_t s = 0; s < sources.size(); ++s) {
        const auto [text, file] = sources[s];
        const std::optional<std::vector<Record>> records =
            ReadSourceTable(text, file, kCoefficientHeader, error);
        if (!records) {
            return {};
        }
        const std::string_view kind =
            BuildupKindWord(s == 0 ? BuildupKind::Exposure : BuildupKind::Absorption);
        for (const Record& record : *records) {
            const std::vector<std::string>& f = record.fields;
            const std::string where = Place(file, record.line);
            if (f[0].empty() || !std::all_of(f[0].begin(), f[0].end(),
                                             [](char c) { return c >= 'a' && c <= 'z'; })) {
                error = where + "the material " + attenuation::QuotedExcerpt(f[0]) +
                        " is not a name in lower-case letters";
                return {};
            }
            if (!f[1].empty() && !wholeNumber(f[1], 1, 100)) {
                error = where + "Z " + attenuation::QuotedExcerpt(f[1]) +
                        " is neither empty nor a whole number from 1 to 100";
                return {};
            }
            std::string row = std::string(kind) + "," + f[0] + "," + f[1];
            for (std::size_t k = 0; k < kColumns.size(); ++k) {
                if (!attenuation::ReadNumberField(f[2 + k])) {
                    error = where + "the " + std::string(kColumns[k]) + " " +
                            attenuation::QuotedExcerpt(f[2 + k]) + " is not a number";
                    return {};
                }
                row += "," + f[2 + k];
            }
            out.push_back(std::move(row));
            origins.push_back(where);
        }
    }
    std::string text = joinWithLf(out);
    // What is written must read back: rows of a material together with rising energies, and
    // the same materials and energies in both kinds.
    std::string problem;
    if (!ParseBuildupTables(text, problem)) {
        error = sourceOfProblem(problem, origins, "buildup file");
        return {};
    }
    return text;
}

std::string FormatNuclidesFile(std::string_view linesCsv, std::string_view summaryCsv,
                               const std::vector<xcom::ElementFacts>& elements,
                               std::string& error) {
    constexpr std::string_view kSummary = "nuclides/nuclides_summary.csv";
    constexpr std::string_view kLines = "nuclides/lines.csv";
    struct Facts {
        std::size_t line = 0;
        std::string halfLife;
        std::vector<std::string> members; ///< as the line table names them, parent first
        int linesKept = 0;
        int linesSeen = 0;
    };
    std::map<std::string, Facts> facts;
    const std::optional<std::vector<Record>> summary =
        ReadSourceTable(summaryCsv, kSummary, kSummaryHeader, error);
    if (!summary) {
        return {};
    }
    for (const Record& record : *summary) {
        const std::vector<std::string>& f = record.fields;
        const std::string where = Place(kSummary, record.line);
        Facts entry{record.line, f[1], {}, 0, 0};
        for (const std::string_view member : attenuation::SplitBlanks(f[3])) {
            entry.members.push_back(memberName(member));
        }
        if (entry.members.empty() || entry.members.front() != f[0]) {
            error = where + "the chain " + attenuation::QuotedExcerpt(f[3]) +
                    " does not begin with " + f[0];
            return {};
        }
        const std::optional<int> kept = wholeNumber(f[4], 1, 100000);
        if (!kept) {
            error = where + "lines_kept " + attenuation::QuotedExcerpt(f[4]) +
                    " is not a whole number above zero";
            return {};
        }
        entry.linesKept = *kept;
        if (!facts.emplace(f[0], std::move(entry)).second) {
            error = where + f[0] + " is listed twice";
            return {};
        }
    }

    std::vector<std::string> out = kNuclidesComments;
    out.emplace_back(kNuclidesHeader);
    std::vector<std::string> origins(out.size());
    const std::optional<std::vector<Record>> lines =
        ReadSourceTable(linesCsv, kLines, kLinesHeader, error);
    if (!lines) {
        return {};
    }
    for (const Record& record : *lines) {
        const std::vector<std::string>& f = record.fields;
        const std::string where = Place(kLines, record.line);
        const auto entry = facts.find(f[0]);
        if (entry == facts.end()) {
            error =
                where + attenuation::QuotedExcerpt(f[0]) + " is not in " + std::string(kSummary);
            return {};
        }
        const xcom::ElementFacts* element =
            elementOfSymbol(elements, std::string_view(f[0]).substr(0, f[0].find('-')));
        if (element == nullptr) {
            error = where + "no element of " + f[0] + " in nist/elements.csv";
            return {};
        }
        const std::string halfLife = f[1] + " " + f[2];
        if (halfLife != entry->second.halfLife) {
            error = where + "the half-life " + attenuation::QuotedExcerpt(halfLife) + " is not " +
                    std::string(kSummary) + "'s " +
                    attenuation::QuotedExcerpt(entry->second.halfLife);
            return {};
        }
        if (!attenuation::ReadNumberField(f[3]) || !attenuation::ReadNumberField(f[4])) {
            error = where + "the energy or the intensity is not a number";
            return {};
        }
        if (f[5] != "gamma" && f[5] != "X" && f[5] != "annihilation") {
            error = where + "the kind " + attenuation::QuotedExcerpt(f[5]) +
                    " is none of gamma, X, annihilation";
            return {};
        }
        const std::vector<std::string>& members = entry->second.members;
        if (std::find(members.begin(), members.end(), f[6]) == members.end()) {
            error = where + "the emitter " + attenuation::QuotedExcerpt(f[6]) +
                    " is not in the chain of " + f[0] + " in " + std::string(kSummary);
            return {};
        }
        ++entry->second.linesSeen;
        // keV to MeV and per 100 decays to per decay by moving the point in the text: the
        // numbers read from the library are then the correctly rounded source values.
        out.push_back(f[0] + "," + element->name + "," + halfLife + "," +
                      attenuation::ShiftDecimalPoint(f[3], -3) + "," +
                      attenuation::ShiftDecimalPoint(f[4], -2) + "," + f[5] + "," + f[6]);
        origins.push_back(where);
    }
    for (const auto& [name, entry] : facts) {
        if (entry.linesSeen != entry.linesKept) {
            error = Place(kSummary, entry.line) + "lines_kept of " + name + " is " +
                    std::to_string(entry.linesKept) + ", but " + std::string(kLines) + " has " +
                    std::to_string(entry.linesSeen);
            return {};
        }
    }
    std::string text = joinWithLf(out);
    std::string problem;
    if (!ParseNuclides(text, problem)) {
        error = sourceOfProblem(problem, origins, "nuclide file");
        return {};
    }
    return text;
}

ImportResult ImportShieldingLibrary(const std::filesystem::path& dataDir,
                                    const std::filesystem::path& libraryDir) {
    ImportResult result;
    const std::array<std::filesystem::path, 6> sources = {
        dataDir / "buildup" / "ebf.csv",    dataDir / "buildup" / "eabf.csv",
        dataDir / "nuclides" / "lines.csv", dataDir / "nuclides" / "nuclides_summary.csv",
        dataDir / "nist" / "elements.csv",  dataDir / "nuclides" / "chains.csv"};
    std::array<std::string, 6> texts;
    for (std::size_t i = 0; i < sources.size(); ++i) {
        if (!data::ReadWholeFile(sources[i], texts[i])) {
            result.error = sources[i].string() + ": cannot be read";
            return result;
        }
    }
    const xcom::FactsResult facts = xcom::ReadElementFacts(texts[4]);
    if (!facts.ok()) {
        result.error = "nist/" + facts.error;
        return result;
    }
    std::string error;
    const std::string buildup = FormatBuildupFile(texts[0], texts[1], error);
    const std::string nuclides =
        buildup.empty() ? std::string()
                        : FormatNuclidesFile(texts[2], texts[3], facts.elements, error);
    const std::string decay = nuclides.empty() ? std::string() : FormatDecayFile(texts[5], error);
    const std::string emitters =
        decay.empty() ? std::string()
                      : FormatEmittersFile(decay, dataDir / "nuclides" / "endf", error);
    if (buildup.empty() || nuclides.empty() || decay.empty() || emitters.empty()) {
        result.error = error;
        return result;
    }

    const std::filesystem::path folder = libraryDir / "shielding";
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    if (ec) {
        result.error = folder.string() + ": cannot be created (" + ec.message() + ")";
        return result;
    }
    // Every file is written under a name of its own first; only when all are on the disk do
    // they replace the old ones, so that the library never holds some new files and some old.
    const std::array<std::pair<std::string, const std::string*>, 4> outputs = {
        std::pair{std::string("buildup.csv"), &buildup},
        std::pair{std::string("nuclides.csv"), &nuclides},
        std::pair{std::string("decay.csv"), &decay},
        std::pair{std::string("emitters.csv"), &emitters}};
    const auto aside = [&](const std::string& name) { return folder / ("." + name + ".new"); };
    // A rename cannot replace a folder or a device; find that out before anything is replaced.
    for (const auto& [name, text] : outputs) {
        const std::filesystem::file_status status = std::filesystem::status(folder / name, ec);
        if (std::filesystem::exists(status) && !std::filesystem::is_regular_file(status)) {
            result.error = (folder / name).string() + ": cannot be replaced (not a plain file)";
            return result;
        }
    }
    for (std::size_t i = 0; i < outputs.size(); ++i) {
        const data::WriteResult written =
            data::WriteFileReplacing(aside(outputs[i].first), *outputs[i].second);
        if (!written.ok) {
            for (std::size_t k = 0; k <= i; ++k) {
                std::filesystem::remove(aside(outputs[k].first), ec);
            }
            result.error = (folder / outputs[i].first).string() + ": cannot be written (" +
                           written.reason + ")";
            return result;
        }
    }
    for (const auto& [name, text] : outputs) {
        std::filesystem::rename(aside(name), folder / name, ec);
        if (ec) {
            result.error = (folder / name).string() + ": cannot be replaced (" + ec.message() + ")";
            return result;
        }
        ++result.filesWritten;
    }
    return result;
}

} // namespace shielding::importing
