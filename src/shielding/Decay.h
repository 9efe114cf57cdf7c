#pragma once

#include "shielding/Nuclides.h"

#include <cstddef>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace shielding {

/// The library file of decay chains, relative to the library folder.
inline constexpr std::string_view kDecayFile = "shielding/decay.csv";
/// The library file of each radioactive chain member's own photon lines per its own decay.
inline constexpr std::string_view kEmittersFile = "shielding/emitters.csv";

/// Seconds of one unit of time as the decay data count them (a year of 365.25 days).
inline constexpr double kSecondsPerYear = 365.25 * 86400.0;

/// One way a chain member decays.
struct DecayBranch {
    /// The member it decays into; none for spontaneous fission, which leaves the chain.
    std::optional<std::size_t> daughter;
    double branching = 0.0; ///< decays by this way per decay of the member
    std::string mode;       ///< "B-", "EC/B+", "IT", "A", "B-n", "SF"
};

/// A nuclide of the decay chains.
struct ChainMember {
    std::string name;     ///< "Ba-137m"
    double halfLifeS = 0; ///< 0 for a stable nuclide
    bool endMember =
        false; ///< lives longer than 1e5 y: it decays, but its daughters are not followed
    std::vector<DecayBranch> branches;
    std::vector<PhotonLine> lines; ///< its own lines per its own decay, energies never falling

    bool Stable() const { return halfLifeS == 0.0; }
    /// ln 2 / half-life, per second; 0 for a stable nuclide.
    double DecayConstant() const;
};

/// Every member of the library's chains, each daughter listed as a member of its own.
struct DecayData {
    std::vector<ChainMember> members;

    /// The member of exactly this name ("Ba-137m"); none when there is none.
    std::optional<std::size_t> IndexOf(std::string_view name) const;
};

/// The decay table's text: '#' comments, the header nuclide,half_life_s,daughter,branching,mode,
/// one row per way a member decays ("stable" half-life and the other fields empty for a stable
/// member, mode "end" alone for an end member), the rows of a member together. Every daughter
/// must be a member and no member may decay back into itself. Empty with `error` naming the line.
std::optional<DecayData> ParseDecayTable(std::string_view text, std::string& error);

/// Adds the emitter file's lines (header emitter,energy_mev,photons_per_decay,kind) to the
/// members of `data` they name. False with `error` naming the line for an unknown or stable
/// emitter, rows of one emitter apart, or falling energies.
bool AddEmitterLines(std::string_view text, DecayData& data, std::string& error);

/// Reads `root/shielding/decay.csv` and `root/shielding/emitters.csv`.
std::optional<DecayData> ReadDecayData(const std::filesystem::path& root, std::string& error);

/// Activities (Bq) of every member at the start, one per member: `activityBq` of `nuclide`
/// alone (`fresh`), or with each member its line table holds (the emitters of its lines and
/// every member on the way to them) at the activity its branching from the nuclide gives, as
/// in secular equilibrium. Empty when the nuclide is not a member.
std::optional<std::vector<double>> StartingActivities(const DecayData& data, const Nuclide& nuclide,
                                                      double activityBq, bool fresh);

/// For each member, whether it is one of `heads` or decays from one of them (down to the
/// stable and end members).
std::vector<bool> MembersReached(const DecayData& data, std::span<const std::size_t> heads);

/// Activities (Bq) of every member `timeS` seconds after `startBq` (one per member), by the
/// Bateman equations in closed form over every path of the chains.
std::vector<double> ActivitiesAt(const DecayData& data, std::span<const double> startBq,
                                 double timeS);

/// Decays of every member during the `stayS` seconds that follow `startBq`: the time integral of
/// its activity, in closed form from the same terms.
std::vector<double> DecaysDuring(const DecayData& data, std::span<const double> startBq,
                                 double stayS);

/// The divided difference exp[x_0, ..., x_n] of the exponential function at the points `x` (in
/// any order, equal ones allowed). Points closer than 1 are summed as a Taylor series, so no
/// difference of two nearly equal exponentials is ever taken; at most 20 points.
double ExpDividedDifference(std::span<const double> x);

} // namespace shielding
