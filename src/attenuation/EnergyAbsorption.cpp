#include "attenuation/EnergyAbsorption.h"

#include "attenuation/TextLines.h"
#include "data/MaterialFile.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace attenuation {

std::string AbsorptionFileName(int atomicNumber, std::string_view symbol) {
    char digits[8];
    std::snprintf(digits, sizeof digits, "%03d", atomicNumber);
    return std::string(digits) + "_" + std::string(symbol) + ".muen";
}

std::optional<AbsorptionTable> ParseAbsorptionTable(std::string_view text, std::string& error) {
    const std::vector<std::string_view> lines = SplitLines(text);
    const auto fail = [&](std::size_t line, const std::string& what) {
        error = "line " + std::to_string(line) + ": " + what;
        return std::nullopt;
    };
    if (lines.size() < 3) {
        return fail(lines.size() + 1, "the file ends before the row count");
    }
    AbsorptionTable table;
    table.name = std::string(lines[0]);
    const std::optional<double> z = ReadNumberField(lines[1]);
    if (!z || *z < 1 || *z > kAbsorptionHighestZ || *z != std::floor(*z)) {
        return fail(2, "not an atomic number from 1 to 92");
    }
    table.atomicNumber = static_cast<int>(*z);
    const std::optional<double> count = ReadNumberField(lines[2]);
    if (!count || *count < 2 || *count > 1000 || *count != std::floor(*count)) {
        return fail(3, "not a row count from 2 to 1000");
    }
    const auto rows = static_cast<std::size_t>(*count);
    if (lines.size() < 3 + rows) {
        return fail(lines.size() + 1, "the file ends before the last row");
    }
    for (std::size_t r = 0; r < rows; ++r) {
        const std::vector<std::string_view> fields = SplitBlanks(lines[3 + r]);
        std::optional<double> values[3];
        for (std::size_t f = 0; f < 3 && f < fields.size(); ++f) {
            values[f] = ReadNumberField(fields[f]);
        }
        if (fields.size() != 3 || !values[0] || !values[1] || !values[2]) {
            return fail(4 + r, "not three numbers");
        }
        if (!(*values[0] > 0 && *values[1] > 0 && *values[2] > 0) || !std::isfinite(*values[0]) ||
            !std::isfinite(*values[1]) || !std::isfinite(*values[2])) {
            return fail(4 + r, "a value that is not a positive number");
        }
        if (!table.energyMeV.empty() && *values[0] < table.energyMeV.back()) {
            return fail(4 + r, "an energy below the one before");
        }
        table.energyMeV.push_back(*values[0]);
        table.muRho.push_back(*values[1]);
        table.muEnRho.push_back(*values[2]);
        table.logEnergy.push_back(std::log(*values[0]));
        table.logMuEn.push_back(std::log(*values[2]));
    }
    // The slices cover the table's ln(energy) range; a row's own slice may start below it by a
    // rounding, so each slice starts at the first row not clearly below its lower edge.
    constexpr std::size_t kSlices = 1024;
    const double low = table.logEnergy.front();
    const double span = table.logEnergy.back() - low;
    table.sliceScale = span > 0.0 ? static_cast<double>(kSlices) / span : 0.0;
    std::size_t row = 0;
    for (std::size_t k = 0; k <= kSlices && span > 0.0; ++k) {
        const double edge = low + static_cast<double>(k) / table.sliceScale;
        while (row < rows && table.logEnergy[row] < edge - 1e-9) {
            ++row;
        }
        table.sliceRow.push_back(static_cast<std::uint16_t>(row));
    }
    for (std::size_t i = 3 + rows; i < lines.size(); ++i) {
        if (!SplitBlanks(lines[i]).empty()) {
            return fail(i + 1, "text after the last row");
        }
    }
    return table;
}

std::optional<double> MuEnRhoAt(const AbsorptionTable& table, double energyMeV) {
    return MuEnRhoAt(table, energyMeV, std::log(energyMeV));
}

std::optional<double> MuEnRhoAt(const AbsorptionTable& table, double energyMeV, double logEnergy) {
    const auto& e = table.energyMeV;
    std::size_t i = 0;
    const double slice = (logEnergy - table.logEnergy.front()) * table.sliceScale;
    if (slice >= 0.0 && slice < static_cast<double>(table.sliceRow.size())) {
        // The first row above the energy, walking on from a row known to be at or before it.
        i = table.sliceRow[static_cast<std::size_t>(slice)];
        while (i < e.size() && e[i] <= energyMeV) {
            ++i;
        }
    } else {
        i = static_cast<std::size_t>(std::upper_bound(e.begin(), e.end(), energyMeV) - e.begin());
    }
    if (i == 0) {
        return std::nullopt; // below the table, or not a number
    }
    if (e[i - 1] == energyMeV) {
        return table.muEnRho[i - 1]; // the last row of that energy: above an edge
    }
    if (i == e.size()) {
        return std::nullopt;
    }
    const double t =
        (logEnergy - table.logEnergy[i - 1]) / (table.logEnergy[i] - table.logEnergy[i - 1]);
    return std::exp(table.logMuEn[i - 1] + t * (table.logMuEn[i] - table.logMuEn[i - 1]));
}

const AbsorptionTable* AbsorptionLibrary::Element(int atomicNumber) {
    if (atomicNumber < 1 || atomicNumber > kAbsorptionHighestZ) {
        m_lastError = "no energy-absorption data for atomic number " + std::to_string(atomicNumber);
        return nullptr;
    }
    auto found = m_tables.find(atomicNumber);
    if (found == m_tables.end()) {
        Loaded loaded;
        const std::filesystem::path folder = m_root / "muen";
        char prefix[8];
        std::snprintf(prefix, sizeof prefix, "%03d_", atomicNumber);
        std::error_code ec;
        for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end;
             it.increment(ec)) {
            const std::string name = it->path().filename().string();
            if (name.rfind(prefix, 0) != 0 || it->path().extension() != ".muen") {
                continue;
            }
            std::string text;
            std::string error;
            if (!data::ReadWholeFile(it->path(), text)) {
                loaded.error = "muen/" + name + ": cannot be read";
            } else if (!(loaded.table = ParseAbsorptionTable(text, error))) {
                loaded.error = "muen/" + name + ": " + error;
            }
            break;
        }
        if (!loaded.table && loaded.error.empty()) {
            loaded.error = "no energy-absorption table for atomic number " +
                           std::to_string(atomicNumber) + " in " + folder.string();
        }
        found = m_tables.emplace(atomicNumber, std::move(loaded)).first;
    }
    if (!found->second.table) {
        m_lastError = found->second.error;
        return nullptr;
    }
    return &*found->second.table;
}

} // namespace attenuation
