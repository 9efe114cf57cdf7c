#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace xcom {

/// Edges an XCOM element file can list: K, L1-L3, M1-M5, N1-N5.
inline constexpr int kMaxEdges = 14;
/// Energies of the common grid; every edge adds two more.
inline constexpr int kGridEnergies = 80;

/// The blocks of an element file in the order they appear.
enum class Block {
    Header,       ///< Z and atomic weight
    Counts,       ///< number of edges and of energies
    EdgeIndices,  ///< position of the energy just above each edge
    EdgeNames,    ///< K, L1, ...
    EdgeEnergies, ///< eV
    Energies,     ///< eV
    Coherent,     ///< barns/atom, likewise the four blocks below
    Incoherent,
    PhotoElectric,
    PairNuclear,
    PairElectron,
    FitData, ///< photoelectric interpolation points below the highest edge
    End,     ///< after the last block
};

/// What is wrong with a file.
enum class ReadError {
    None,
    Truncated,            ///< the text ends inside or before `block`
    BadLayout,            ///< a line of `block` has the wrong number of fields or stray text
    BadNumber,            ///< a field of `block` is not a number of the kind expected
    BadName,              ///< an edge name that is not one or two letters and digits
    BadValue,             ///< a number out of its range (Z, weight, negative energy ...)
    CountMismatch,        ///< the number of energies is not 80 + 2 x number of edges
    BadEdgeIndex,         ///< edge positions out of range, overlapping or not descending
    EnergiesNotAscending, ///< an energy below the one before it
    TrailingText,         ///< text after the last block
};

/// Cross-section columns of a file: coherent, incoherent, photo-electric, pair production in
/// the nuclear field, pair production in the electron field.
inline constexpr int kProcessCount = 5;

/// The tabulated content of one element file; index k of every column belongs to energy k.
struct ElementData {
    int atomicNumber = 0;
    double atomicWeight = 0.0; ///< g/mol, the weight the cross sections are per
    int edgeCount = 0;
    int energyCount = 0;
    std::vector<int> edgeIndices; ///< 1-based position of the energy just above each edge, K first
    std::vector<std::string> edgeNames; ///< "K", "L1", ... blanks removed
    std::vector<double> edgeEnergiesEv; ///< as listed, which may differ from the energy list
    std::vector<double> energiesEv;     ///< ascending; an edge gives two neighbouring entries
    std::array<std::vector<double>, kProcessCount> crossSectionsBarns; ///< barns/atom
};

/// Outcome of a read: the data when `error` is None, otherwise the error, the block it concerns
/// and the 1-based line (0 when the text ends before the line that was expected).
struct ReadResult {
    ElementData data;
    ReadError error = ReadError::None;
    Block block = Block::Header;
    int line = 0;

    bool ok() const { return error == ReadError::None; }
};

/// Reads the text of one `MDATX3.NNN` file. Accepts LF or CR LF line ends and one 0x1A byte at
/// the very end; any other deviation from the layout gives an error, never undefined behaviour.
ReadResult ReadElementFile(std::string_view text);

/// A short English message naming what is wrong and where, for a failed read.
std::string DescribeReadError(const ReadResult& result);

/// The block's name as used in messages ("energies", "edge indices" ...).
std::string_view BlockName(Block block);

} // namespace xcom
