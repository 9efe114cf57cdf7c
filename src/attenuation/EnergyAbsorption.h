#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace attenuation {

/// Energies, MeV, and atomic numbers the energy-absorption tables cover; both ends inclusive.
inline constexpr double kAbsorptionLowestMeV = 0.001;
inline constexpr double kAbsorptionHighestMeV = 20.0;
inline constexpr int kAbsorptionHighestZ = 92;

/// One element's table of library/muen: energies (MeV, never falling; an absorption edge is the
/// same energy twice, below then above), mu/rho and mu_en/rho (cm2/g).
struct AbsorptionTable {
    std::string name;
    int atomicNumber = 0;
    std::vector<double> energyMeV;
    std::vector<double> muRho;
    std::vector<double> muEnRho;
    std::vector<double> logEnergy; ///< kept by the reader for the look-up
    std::vector<double> logMuEn;
    /// For each slice of ln(energy) from the first row on, a row at or before the first row
    /// above any energy of the slice, so that a look-up walks a step or two instead of
    /// searching; kept by the reader.
    std::vector<std::uint16_t> sliceRow;
    double sliceScale = 0.0; ///< slices per unit of ln(energy)
};

/// "082_Pb.muen".
std::string AbsorptionFileName(int atomicNumber, std::string_view symbol);

/// Reads a table file: the element's name, its atomic number, the row count, then that many rows
/// of energy, mu/rho and mu_en/rho separated by blanks. Energies must be positive and never
/// fall, coefficients positive. Empty with `error` naming the line otherwise.
std::optional<AbsorptionTable> ParseAbsorptionTable(std::string_view text, std::string& error);

/// mu_en/rho at an energy, log-log between the two rows around it; at an edge energy the value
/// above the edge. Empty outside the table's first and last energies.
std::optional<double> MuEnRhoAt(const AbsorptionTable& table, double energyMeV);

/// The same with the energy's natural logarithm given, for callers that look up several tables
/// at one energy; the result is the same double.
std::optional<double> MuEnRhoAt(const AbsorptionTable& table, double energyMeV, double logEnergy);

/// The tables of a library folder's muen/, read the first time an element is asked for.
class AbsorptionLibrary {
  public:
    explicit AbsorptionLibrary(std::filesystem::path root) : m_root(std::move(root)) {}

    /// The table of element Z; null when Z lies outside 1..92 or its file is missing or
    /// damaged (the reason is then in lastError()).
    const AbsorptionTable* Element(int atomicNumber);
    const std::string& lastError() const { return m_lastError; }

  private:
    std::filesystem::path m_root;
    struct Loaded {
        std::optional<AbsorptionTable> table;
        std::string error; // why table is empty
    };
    std::map<int, Loaded> m_tables;
    std::string m_lastError;
};

} // namespace attenuation
