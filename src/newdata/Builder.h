#pragma once

#include "newdata/BuilderState.h"

#include <filesystem>
#include <string>

namespace newdata {

/// Which builder runs a build: it decides the edge-nudge step, the fraction rule and the highest
/// element count.
enum class BuilderKind {
    Compound, ///< numbers of atoms, up to 5 elements, nudge step 1E-4
    Mixture,  ///< weights, up to 15 elements, nudge step 1E-5
};

/// Relative step that separates the repeated energy of an absorption edge.
double NudgeStep(BuilderKind kind);

/// Highest element count the builder accepts (5 or 15).
int MaxElements(BuilderKind kind);

/// Why a build or a save failed.
enum class BuildError {
    None,
    BadElementCount,   ///< the count puts no slot in use (below 1) or exceeds the builder's slots
    UnassignedSlot,    ///< a used slot has no element file
    CannotOpenElement, ///< the element file is missing or cannot be read
    MissingField,      ///< the element file ends before a value it must hold
    NotANumber,        ///< a field of the element file does not begin with a number
    BadPointCount,     ///< the point count is not a whole number of at least 2
    TooManyPoints,     ///< more than 120 points in one element file
    TooManyEnergies,   ///< more than 150 distinct energies in the merged grid
    EnergyBeyondTable, ///< a grid energy lies above the last energy of a slot's table
    NonPositiveLog,    ///< a logarithm of a value that is not positive (negative coefficient)
    EqualNeighbours,   ///< interpolation between two points with the same energy
    ZeroSum,           ///< the amounts weigh nothing in total (M or S is 0)
    NonFiniteValue,    ///< a value too large to hold, read or computed
    NothingBuilt,      ///< a save was asked for with no successful build in the state
    ValueDoesNotFit,   ///< a value needs more than its nine-character field (negative, 1E+100)
    CannotWrite,       ///< the material file cannot be created or written
};

/// Outcome of a build step or of a save. On failure, the fields below that apply say where.
struct BuildResult {
    BuildError error = BuildError::None;
    int slot = 0;           ///< slot concerned, 1-based; 0 = none
    int line = 0;           ///< line of the element file concerned, 1-based; 0 = none
    double energyMeV = 0.0; ///< grid energy concerned (EnergyBeyondTable, the log failures and
                            ///< ValueDoesNotFit)
    double value = 0.0;     ///< the value that does not fit its field (ValueDoesNotFit)
    std::string path;       ///< element file read, or material file written ("mix/NAME.mix3")
    std::string reason;     ///< the system's reason for a failed write

    bool ok() const { return error == BuildError::None; }
};

/// One sentence in English saying what went wrong, for logs and tools; the windows show their
/// own single message instead.
std::string DescribeBuildError(const BuildResult& result);

/// Number of slots a count puts in use: its whole part (2.5 uses slots 1 and 2); 0 for a count
/// below 1 or not finite.
int UsedSlots(double elementCount);

/// Reads `root/ele/<SlotFile>` of slots 1..`used` into `state.Elements`: the name field of line
/// 1, density, n (2 to 120), n rows of six free-format numbers, the atomic weight. A row whose
/// energy equals the previous one (the first compared with 0) is moved up by `nudgeStep` times
/// itself.
BuildResult ReadElementTables(BuilderState& state, int used, const std::filesystem::path& root,
                              double nudgeStep);

/// Slot 1's energies as they stand, then every energy of slots 2..`used` that no grid energy
/// equals exactly, then an exchange sort into ascending order. Fails above 150 energies.
BuildResult BuildMergedGrid(BuilderState& state, int used);

/// Log-log interpolation of each used slot's five columns at every grid energy, between the first
/// table point not below it and the point before that (points 1 and 2 below the table). A zero on
/// either side gives 0; a grid energy above the slot's last point fails.
BuildResult InterpolateOnGrid(BuilderState& state, int used);

/// Compound rule: fraction of slot i = amount x atomic weight / M, M the sum of those products.
BuildResult CompoundFractions(BuilderState& state, int used);

/// Mixture rule: fraction of slot i = amount / S, S the sum of the amounts (any scale, negative
/// amounts included).
BuildResult MixtureFractions(BuilderState& state, int used);

/// R[c][j] = sum over the used slots, in slot order, of fraction x interpolated value.
BuildResult CombineByMassFraction(BuilderState& state, int used);

/// The whole build of either builder from the slots in `state` (count, files, amounts): read,
/// merge, interpolate, fractions, combine. On success the state holds the grid and the combined
/// columns; on failure it keeps what it held before. Nothing is written.
BuildResult BuildMaterial(BuilderState& state, const std::filesystem::path& root, BuilderKind kind);

} // namespace newdata
