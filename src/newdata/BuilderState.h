#pragma once

#include <algorithm>
#include <array>
#include <string>
#include <vector>

namespace newdata {

inline constexpr int kMaxSlots = 15;
inline constexpr int kMaxElementPoints = 120;
inline constexpr int kMaxGridEnergies = 150;

/// One element file as the builders read it. Vectors are 1-based like the file's rows: index 0
/// holds no data.
struct ElementTable {
    int n = 0;
    std::vector<double> E; ///< MeV, after the edge nudge
    std::array<std::vector<double>, 5>
        C{};        ///< coherent, incoherent, photo-electric, pair n, pair e
    double A = 0.0; ///< atomic weight, g/mol
};

/// State shared by the compound and mixture builders for the whole run. Slots count from 1;
/// slot 0 is never used. The windows use slots 1..kMaxSlots; a material expression may hold more
/// (ResizeSlots).
struct BuilderState {
    double ElementCount = 0.0;
    std::vector<std::string> SlotFile = std::vector<std::string>(kMaxSlots + 1);
    std::vector<double> SlotAmount = std::vector<double>(kMaxSlots + 1, 0.0);
    std::vector<ElementTable> Elements = std::vector<ElementTable>(kMaxSlots + 1);
    std::vector<double> MergedGrid{0.0}; ///< G[1..N]; G[0] unused
    /// V[i][c][j]: slot i's column c interpolated at grid energy j (j from 1; index 0 unused).
    std::vector<std::array<std::vector<double>, 5>> Interpolated =
        std::vector<std::array<std::vector<double>, 5>>(kMaxSlots + 1);
    std::vector<double> SlotFraction = std::vector<double>(kMaxSlots + 1, 0.0);
    std::array<std::vector<double>, 5> Combined{}; ///< R[c][1..N]

    /// Every slot file empty and every amount 0, as a builder is opened afresh.
    void ClearSlots() {
        std::fill(SlotFile.begin(), SlotFile.end(), std::string());
        std::fill(SlotAmount.begin(), SlotAmount.end(), 0.0);
    }
    /// Room for slots 1..`count` (never fewer than kMaxSlots); new slots are empty.
    void ResizeSlots(int count) {
        const auto size = static_cast<std::size_t>(std::max(count, kMaxSlots)) + 1;
        SlotFile.resize(size);
        SlotAmount.resize(size, 0.0);
        Elements.resize(size);
        Interpolated.resize(size);
        SlotFraction.resize(size, 0.0);
    }
    int GridSize() const { return static_cast<int>(MergedGrid.size()) - 1; }
};

} // namespace newdata
