// The XCOM element-file reader on any bytes: it either names an error or returns data that keeps
// every promise of its layout (counts, ascending energies, edge positions, finite non-negative
// cross sections). Data it accepts becomes an element file that the viewer loads back.

#include "FuzzCheck.h"

#include "data/MaterialFile.h"
#include "data/MaterialTable.h"
#include "element_library.h"
#include "xcom_reader.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace {

void checkData(const xcom::ElementData& d, const std::string& where) {
    FUZZ_CHECK(d.atomicNumber >= 1 && d.atomicNumber <= 100, where);
    FUZZ_CHECK(std::isfinite(d.atomicWeight) && d.atomicWeight > 0, where);
    FUZZ_CHECK(d.edgeCount >= 0 && d.edgeCount <= xcom::kMaxEdges, where);
    FUZZ_CHECK(d.energyCount == xcom::kGridEnergies + 2 * d.edgeCount, where);
    const auto edges = static_cast<std::size_t>(d.edgeCount);
    const auto energies = static_cast<std::size_t>(d.energyCount);
    FUZZ_CHECK(d.edgeIndices.size() == edges && d.edgeNames.size() == edges &&
                   d.edgeEnergiesEv.size() == edges,
               where);
    FUZZ_CHECK(d.energiesEv.size() == energies, where);
    for (std::size_t k = 0; k < energies; ++k) {
        FUZZ_CHECK(std::isfinite(d.energiesEv[k]) && d.energiesEv[k] > 0, where);
        FUZZ_CHECK(k == 0 || d.energiesEv[k] >= d.energiesEv[k - 1], where);
    }
    for (const auto& column : d.crossSectionsBarns) {
        FUZZ_CHECK(column.size() == energies, where);
        for (double sigma : column) {
            FUZZ_CHECK(std::isfinite(sigma) && sigma >= 0, where);
        }
    }
    for (std::size_t e = 0; e < edges; ++e) {
        // The position of the energy above the edge, with the one below it before it, highest
        // edge first and no two edges sharing an energy.
        FUZZ_CHECK(d.edgeIndices[e] >= 2 && d.edgeIndices[e] <= d.energyCount, where);
        FUZZ_CHECK(e == 0 || d.edgeIndices[e] <= d.edgeIndices[e - 1] - 2, where);
        FUZZ_CHECK(!d.edgeNames[e].empty() && d.edgeNames[e].size() <= 2, where);
        FUZZ_CHECK(std::isfinite(d.edgeEnergiesEv[e]) && d.edgeEnergiesEv[e] > 0, where);
    }
}

/// A value the nine-character field of an element file row can hold so that it reads back.
bool fitsNineCharacters(double value) {
    return value == 0.0 || (value >= 1e-99 && value < 9.9995e99);
}

/// The element file written from accepted data loads into the viewer's table, row for row.
void checkElementFile(const xcom::ElementData& d) {
    xcom::ElementFacts facts;
    facts.atomicNumber = d.atomicNumber;
    facts.symbol = "Xx";
    facts.name = "Element";
    facts.atomicWeight = d.atomicWeight;
    facts.densityGPerCm3 = 1.0;
    const double toCm2PerG = xcom::kBarnsToCm2PerGTimesWeight / d.atomicWeight;
    for (std::size_t k = 0; k < d.energiesEv.size(); ++k) {
        bool fits = fitsNineCharacters(d.energiesEv[k] / 1e6);
        for (const auto& column : d.crossSectionsBarns) {
            fits = fits && fitsNineCharacters(column[k] * toCm2PerG);
        }
        if (!fits) {
            return; // a made-up weight or cross section beyond what a row can hold
        }
    }
    const std::string text = xcom::FormatElementFile(d, facts);
    data::MaterialTable table;
    const data::LoadResult loaded = data::LoadMaterialTableFromText(table, text);
    FUZZ_CHECK(loaded.ok(), data::DescribeLoadError(loaded, "element file") + "\n" +
                                fuzzing::printable(text, 600));
    FUZZ_CHECK(table.RowCount == d.energyCount && table.MaterialName == "Element", text);
    for (std::size_t k = 0; k < d.energiesEv.size(); ++k) {
        const double energy = d.energiesEv[k] / 1e6;
        const double read = table.Energy[k + 1];
        FUZZ_CHECK(std::fabs(read - energy) <= 5.0001e-4 * energy,
                   fuzzing::exact(energy) + " MeV reads back as " + fuzzing::exact(read));
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(bytes), size);
    const xcom::ReadResult result = xcom::ReadElementFile(text);
    if (!result.ok()) {
        FUZZ_CHECK(!xcom::DescribeReadError(result).empty(), fuzzing::printable(text));
        FUZZ_CHECK(!xcom::BlockName(result.block).empty(), fuzzing::printable(text));
        FUZZ_CHECK(result.line >= 0, fuzzing::printable(text));
        return 0;
    }
    checkData(result.data, fuzzing::printable(text));
    checkElementFile(result.data);
    return 0;
}
