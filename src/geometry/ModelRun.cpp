#include "geometry/ModelRun.h"

#include <algorithm>
#include <atomic>

#ifndef __EMSCRIPTEN__
#include <thread>
#endif

namespace geometry {

void RunModel(const PreparedModel& prepared, std::vector<DetectorResult>& results,
              const Progress& progress, unsigned threads) {
    const std::vector<Vec3>& detectors = prepared.detectors;
    results.assign(detectors.size(), DetectorResult{});
    for (std::size_t i = 0; i < detectors.size(); ++i) {
        results[i].at = detectors[i];
        results[i].computed = false;
    }
    std::atomic<std::size_t> next{0};
    std::atomic<std::size_t> done{0};
    std::atomic<bool> stop{false};
    // Each thread takes the next detector until none is left; every result has its own slot.
    const auto one = [&](std::size_t i) {
        if (WhyNoDetector(prepared.model, detectors[i]).empty()) {
            DoseAt(prepared.model, detectors[i], results[i]);
        }
        ++done;
    };
    const auto work = [&] {
        for (std::size_t i = next++; i < detectors.size() && !stop; i = next++) {
            one(i);
        }
    };
#ifdef __EMSCRIPTEN__
    (void)threads;
    (void)work;
#else
    if (threads == 0) {
        threads = std::max(1u, std::thread::hardware_concurrency());
    }
    std::vector<std::thread> workers;
    for (unsigned t = 1; t < std::min<std::size_t>(threads, detectors.size()); ++t) {
        workers.emplace_back(work);
    }
#endif
    // The calling thread works too, and says how far all have come after each of its own.
    for (std::size_t i = next++; i < detectors.size() && !stop; i = next++) {
        one(i);
        if (progress && !progress(done, detectors.size())) {
            stop = true;
        }
    }
#ifndef __EMSCRIPTEN__
    for (std::thread& worker : workers) {
        worker.join();
    }
#endif
    if (progress && !stop) {
        progress(done, detectors.size());
    }
}

std::vector<std::string> RunNotes(const Model& model, shielding::Quantity quantity,
                                  const std::vector<DetectorResult>& results,
                                  const std::function<std::string(double energyMeV)>& energyText) {
    // What the lines met at any detector.
    const std::size_t count = model.lines.size();
    std::vector<bool> extrapolated(count, false);
    std::vector<bool> noBuildupData(count, false);
    std::vector<bool> reached(count, false);
    std::vector<bool> soft(count, false);
    bool computed = false;
    for (const DetectorResult& result : results) {
        if (!result.computed || result.outcome != shielding::Outcome::Ok) {
            continue;
        }
        computed = true;
        for (std::size_t n = 0; n < result.lines.size() && n < count; ++n) {
            extrapolated[n] = extrapolated[n] || result.lines[n].extrapolated;
            noBuildupData[n] = noBuildupData[n] || result.lines[n].noBuildupData;
            reached[n] = reached[n] || result.lines[n].rate > 0.0;
            soft[n] = reached[n] && quantity == shielding::Quantity::H10 &&
                      model.lines[n].energyMeV < shielding::kH10FitLowestGoodMeV;
        }
    }
    const auto list = [&](const std::vector<bool>& which, bool positive) {
        std::string text;
        for (std::size_t n = 0; n < count; ++n) {
            if (which[n] == positive) {
                text += (text.empty() ? "" : ", ") + energyText(model.lines[n].energyMeV);
            }
        }
        return text;
    };
    std::vector<std::string> notes;
    if (const std::string lines = list(extrapolated, true); !lines.empty()) {
        notes.push_back("buildup factors beyond 40 mfp are extrapolated (Harima et al. 1991) on "
                        "some rays of the lines at " +
                        lines);
    }
    if (const std::string lines = list(noBuildupData, true); !lines.empty()) {
        notes.push_back("the lines at " + lines + " lie below a material's buildup table: B = 1");
    }
    if (const std::string lines = list(reached, false); computed && !lines.empty()) {
        notes.push_back("the lines at " + lines +
                        " cross more than 100 mfp (or are absorbed) on every ray and count as 0");
    }
    if (const std::string lines = list(soft, true); !lines.empty()) {
        notes.push_back("the lines at " + lines +
                        " lie below 20 keV, where the ICRU 47 function overstates H*(10) by up "
                        "to a quarter");
    }
    return notes;
}

} // namespace geometry
