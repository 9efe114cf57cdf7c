#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace shielding {

/// The library file of G-P buildup-factor coefficients, relative to the library folder.
inline constexpr std::string_view kBuildupFile = "shielding/buildup.csv";

/// What a buildup factor multiplies: the air kerma at the point (exposure, EBF) or the energy
/// absorbed in the shield's own material there (energy absorption, EABF).
enum class BuildupKind { Exposure, Absorption };

/// "exposure" or "absorption"; empty for any other word.
std::optional<BuildupKind> BuildupKindNamed(std::string_view word);
std::string_view BuildupKindWord(BuildupKind kind);

/// The five fitted parameters of one G-P row.
struct GpCoefficients {
    double b = 1.0;
    double c = 1.0;
    double a = 0.0;
    double xk = 1.0;
    double d = 0.0;
};

struct GpRow {
    double energyMeV = 0.0;
    GpCoefficients gp;
};

/// One material's rows of one kind, energies rising.
struct BuildupTable {
    std::string material; ///< "lead", "water", "concrete" as the data name them
    int atomicNumber = 0; ///< 0 for the mixtures (water, air, concrete)
    std::vector<GpRow> rows;
};

/// Every table of the library file, both kinds.
struct BuildupTables {
    std::vector<BuildupTable> exposure;   ///< in the file's order
    std::vector<BuildupTable> absorption; ///< the same materials in the same order

    const std::vector<BuildupTable>& Of(BuildupKind kind) const {
        return kind == BuildupKind::Exposure ? exposure : absorption;
    }
    /// The table of a material named as the data name it ("lead", "concrete", any case) or of
    /// an element by its atomic number (0: by name only). Null when there is none.
    const BuildupTable* Find(BuildupKind kind, std::string_view material) const;
    const BuildupTable* Element(BuildupKind kind, int atomicNumber) const;
};

/// Reads the library file: '#' comment lines, the header
/// kind,material,z,energy_mev,b,c,a,xk,d, then one row per line. Rows of one material and kind
/// stand together with rising energies. Empty with `error` naming the line when it does not fit.
std::optional<BuildupTables> ParseBuildupTables(std::string_view text, std::string& error);

/// Reads `root/shielding/buildup.csv`; empty with `error` naming the file when it is missing or
/// damaged.
std::optional<BuildupTables> ReadBuildupTables(const std::filesystem::path& root,
                                               std::string& error);

} // namespace shielding
