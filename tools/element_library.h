#pragma once

#include "xcom_reader.h"

#include <filesystem>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace xcom {

/// Avogadro's number over 1e24: barns/atom times this over the atomic weight gives cm2/g.
inline constexpr double kBarnsToCm2PerGTimesWeight = 0.602214076;

/// One row of elements.csv.
struct ElementFacts {
    int atomicNumber = 0;
    std::string symbol;          ///< "Pb"
    std::string name;            ///< "Lead"
    double atomicWeight = 0.0;   ///< g/mol, as line 1 of the element's XCOM file gives it
    double densityGPerCm3 = 0.0; ///< g/cm3
};

/// The elements of elements.csv indexed by Z - 1, or a message naming the faulty line.
struct FactsResult {
    std::vector<ElementFacts> elements;
    std::string error; ///< empty on success

    bool ok() const { return error.empty(); }
};

/// Reads elements.csv (header z,symbol,name,atomic_weight,density_g_cm3; quoted fields allowed;
/// LF or CR LF). Every Z from 1 to 100 must appear exactly once.
FactsResult ReadElementFacts(std::string_view csvText);

/// "082_Pb.ele": the three-digit atomic number, the symbol and the element-file extension.
std::string ElementFileName(const ElementFacts& facts);

/// The element file for one element: name, density, row count, one row per tabulated energy in
/// the order of the XCOM file (MeV, five coefficients in cm2/g), then the atomic weight.
/// Lines end in CR LF.
std::string FormatElementFile(const ElementData& data, const ElementFacts& facts);

/// The lines of edges.csv for the elements in order: header z,symbol,shell,energy_mev,row, then
/// one line per edge as the XCOM file lists them (K first), the energy being the tabulated one
/// just above the edge and row its 1-based row in the element file. Lines end in CR LF.
std::string FormatEdgeList(const std::vector<std::pair<ElementData, ElementFacts>>& elements);

struct ImportResult {
    int filesWritten = 0;
    std::string error; ///< empty on success

    bool ok() const { return error.empty(); }
};

/// Reads `dataDir`/elements.csv and `dataDir`/xcom/MDATX3.001 .. .100 and writes one element
/// file per element into `eleDir` (created when missing), then the edge list edges.csv beside
/// `eleDir` (in its parent folder). Every input is read and checked before
/// the first file is written, so a damaged input leaves `eleDir` untouched.
ImportResult ImportElementLibrary(const std::filesystem::path& dataDir,
                                  const std::filesystem::path& eleDir);

} // namespace xcom
