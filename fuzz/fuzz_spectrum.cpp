// The spectrum reader on any bytes: it never crashes, and what it accepts is a usable spectrum
// (positive finite energies, finite weights of 0 or more adding up to more than 0, lines in
// order) that reads back the same after being written out with every digit. A refusal names a
// line of the text, or none.

#include "FuzzCheck.h"

#include "attenuation/Spectrum.h"
#include "data/NumberMask.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(bytes), size);
    std::vector<attenuation::SpectrumBin> bins;
    attenuation::SpectrumProblem problem;
    const bool read = attenuation::ReadSpectrum(text, bins, problem);
    int lineEnds = 1;
    for (std::size_t i = 0; i < size; ++i) {
        lineEnds += text[i] == '\n' || (text[i] == '\r' && (i + 1 == size || text[i + 1] != '\n'));
    }
    if (!read) {
        FUZZ_CHECK(bins.empty(), "a refused spectrum leaves the bins alone");
        FUZZ_CHECK(problem.line >= 0 && problem.line <= lineEnds, std::to_string(problem.line));
        FUZZ_CHECK(!problem.what.empty(), "a refusal says why");
        return 0;
    }
    FUZZ_CHECK(!bins.empty(), "an accepted spectrum has bins");
    double total = 0.0;
    int lastLine = 0;
    std::string written;
    for (const attenuation::SpectrumBin& bin : bins) {
        FUZZ_CHECK(bin.energyMeV > 0.0 && std::isfinite(bin.energyMeV), "energy");
        FUZZ_CHECK(bin.weight >= 0.0 && std::isfinite(bin.weight), "weight");
        FUZZ_CHECK(bin.line > lastLine && bin.line <= lineEnds, std::to_string(bin.line));
        lastLine = bin.line;
        total += bin.weight;
        written += data::FormatExact(bin.energyMeV) + " " + data::FormatExact(bin.weight) + "\n";
    }
    FUZZ_CHECK(total > 0.0, "the weights add up to more than 0");
    std::vector<attenuation::SpectrumBin> again;
    FUZZ_CHECK(attenuation::ReadSpectrum(written, again, problem), problem.what);
    FUZZ_CHECK(again.size() == bins.size(), "as many bins after writing them out");
    for (std::size_t i = 0; i < bins.size(); ++i) {
        FUZZ_CHECK(again[i].energyMeV == bins[i].energyMeV && again[i].weight == bins[i].weight,
                   "bin " + std::to_string(i) + " reads back the same");
    }
    return 0;
}
