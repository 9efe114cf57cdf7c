#include "shielding/BuildupTables.h"

#include "attenuation/TextLines.h"
#include "data/MaterialFile.h"
#include "shielding/LibraryCsv.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>

namespace shielding {

namespace {

constexpr std::string_view kHeader = "kind,material,z,energy_mev,b,c,a,xk,d";
constexpr int kHighestZ = 100;

bool sameLetters(std::string_view a, std::string_view b) {
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [&](char x, char y) { return lower(x) == lower(y); });
}

const BuildupTable* findIn(const std::vector<BuildupTable>& tables, std::string_view material) {
    const auto found = std::find_if(tables.begin(), tables.end(), [&](const BuildupTable& t) {
        return sameLetters(t.material, material);
    });
    return found == tables.end() ? nullptr : &*found;
}

// The atomic number of a row: empty for a mixture, else a whole number from 1 to 100.
std::optional<int> atomicNumberField(std::string_view field) {
    if (field.empty()) {
        return 0;
    }
    const std::optional<double> z = attenuation::ReadNumberField(field);
    if (!z || *z < 1 || *z > kHighestZ || *z != std::floor(*z)) {
        return std::nullopt;
    }
    return static_cast<int>(*z);
}

} // namespace

std::optional<BuildupKind> BuildupKindNamed(std::string_view word) {
    if (word == "exposure") {
        return BuildupKind::Exposure;
    }
    if (word == "absorption") {
        return BuildupKind::Absorption;
    }
    return std::nullopt;
}

std::string_view BuildupKindWord(BuildupKind kind) {
    return kind == BuildupKind::Exposure ? "exposure" : "absorption";
}

const BuildupTable* BuildupTables::Find(BuildupKind kind, std::string_view material) const {
    return findIn(Of(kind), material);
}

const BuildupTable* BuildupTables::Element(BuildupKind kind, int atomicNumber) const {
    if (atomicNumber <= 0) {
        return nullptr;
    }
    const std::vector<BuildupTable>& tables = Of(kind);
    const auto found = std::find_if(tables.begin(), tables.end(), [&](const BuildupTable& t) {
        return t.atomicNumber == atomicNumber;
    });
    return found == tables.end() ? nullptr : &*found;
}

std::optional<BuildupTables> ParseBuildupTables(std::string_view text, std::string& error) {
    const std::optional<std::vector<CsvRow>> rows = ReadCsvRows(text, kHeader, error);
    if (!rows) {
        return std::nullopt;
    }
    const auto fail = [&](std::size_t line, const std::string& what) {
        error = AtLine(line, what);
        return std::nullopt;
    };
    BuildupTables tables;
    // The line of every row of every table, by kind, for the messages about whole tables.
    std::array<std::vector<std::vector<std::size_t>>, 2> rowLines;
    static constexpr std::array<std::string_view, 5> kParameters = {"b", "c", "a", "xk", "d"};
    for (const CsvRow& row : *rows) {
        const std::vector<std::string_view>& field = row.fields;
        const std::optional<BuildupKind> kind = BuildupKindNamed(field[0]);
        if (!kind) {
            return fail(row.line, "the kind " + attenuation::QuotedExcerpt(field[0]) +
                                      " is neither exposure nor absorption");
        }
        if (*kind == BuildupKind::Exposure && !tables.absorption.empty()) {
            return fail(row.line, "an exposure row after the absorption rows");
        }
        if (field[1].empty()) {
            return fail(row.line, "no material");
        }
        const std::optional<int> z = atomicNumberField(field[2]);
        if (!z) {
            return fail(row.line, "the atomic number " + attenuation::QuotedExcerpt(field[2]) +
                                      " is not a whole number from 1 to 100");
        }
        std::array<double, 6> value{};
        for (std::size_t k = 0; k < value.size(); ++k) {
            const std::optional<double> number = attenuation::ReadNumberField(field[3 + k]);
            if (!number) {
                const std::string column = k == 0 ? "energy" : std::string(kParameters[k - 1]);
                return fail(row.line, "the " + column + " " +
                                          attenuation::QuotedExcerpt(field[3 + k]) +
                                          " is not a number");
            }
            value[k] = *number;
        }
        const GpRow gpRow{value[0], {value[1], value[2], value[3], value[4], value[5]}};
        if (!(gpRow.energyMeV > 0.0)) {
            return fail(row.line, "an energy that is not above zero");
        }
        // B(1 mfp) = b is a buildup factor, never below 1; c and Xk must be positive for the
        // fitted K(x) to be defined.
        if (!(gpRow.gp.b >= 1.0) || !(gpRow.gp.c > 0.0) || !(gpRow.gp.xk > 0.0)) {
            return fail(row.line, "b below 1, or c or xk not above zero");
        }
        std::vector<BuildupTable>& ofKind =
            *kind == BuildupKind::Exposure ? tables.exposure : tables.absorption;
        std::vector<std::vector<std::size_t>>& linesOfKind =
            rowLines[*kind == BuildupKind::Exposure ? 0 : 1];
        if (ofKind.empty() || ofKind.back().material != field[1]) {
            if (findIn(ofKind, field[1])) {
                return fail(row.line, "the " + std::string(BuildupKindWord(*kind)) + " rows of " +
                                          std::string(field[1]) + " do not stand together");
            }
            ofKind.push_back(BuildupTable{std::string(field[1]), *z, {}});
            linesOfKind.emplace_back();
        } else if (ofKind.back().atomicNumber != *z) {
            return fail(row.line, "an atomic number other than that of the rows of " +
                                      std::string(field[1]) + " above");
        } else if (!(gpRow.energyMeV > ofKind.back().rows.back().energyMeV)) {
            return fail(row.line, "an energy not above the one before");
        }
        ofKind.back().rows.push_back(gpRow);
        linesOfKind.back().push_back(row.line);
    }
    const std::size_t end = attenuation::SplitLines(text).size() + 1;
    if (tables.exposure.empty()) {
        return fail(end, "the file ends before the first row");
    }
    // Both kinds cover the same materials in the same order at the same energies, so that a
    // caller may switch kind without looking again.
    for (std::size_t t = 0; t < tables.exposure.size() || t < tables.absorption.size(); ++t) {
        if (t >= tables.absorption.size()) {
            return fail(end, "no absorption rows for " + tables.exposure[t].material);
        }
        const BuildupTable& absorption = tables.absorption[t];
        const std::vector<std::size_t>& lines = rowLines[1][t];
        if (t >= tables.exposure.size() || absorption.material != tables.exposure[t].material) {
            return fail(lines.front(),
                        "absorption rows of " + absorption.material + " where " +
                            (t < tables.exposure.size() ? "those of " + tables.exposure[t].material
                                                        : std::string("none")) +
                            " belong, after the order of the exposure rows");
        }
        const BuildupTable& exposure = tables.exposure[t];
        if (absorption.atomicNumber != exposure.atomicNumber) {
            return fail(lines.front(), "the absorption rows of " + absorption.material +
                                           " give another atomic number than its exposure rows");
        }
        const auto same = [](const GpRow& x, const GpRow& y) { return x.energyMeV == y.energyMeV; };
        const auto differ = std::mismatch(absorption.rows.begin(), absorption.rows.end(),
                                          exposure.rows.begin(), exposure.rows.end(), same);
        if (differ.first != absorption.rows.end() || differ.second != exposure.rows.end()) {
            const auto k = static_cast<std::size_t>(differ.first - absorption.rows.begin());
            return fail(k < lines.size() ? lines[k] : lines.back(),
                        "the absorption energies of " + absorption.material +
                            " are not those of its exposure rows");
        }
    }
    return tables;
}

std::optional<BuildupTables> ReadBuildupTables(const std::filesystem::path& root,
                                               std::string& error) {
    std::string text;
    if (!data::ReadWholeFile(root / kBuildupFile, text)) {
        error = std::string(kBuildupFile) + ": cannot be read";
        return std::nullopt;
    }
    std::string problem;
    std::optional<BuildupTables> tables = ParseBuildupTables(text, problem);
    if (!tables) {
        error = std::string(kBuildupFile) + ", " + problem;
    }
    return tables;
}

} // namespace shielding
