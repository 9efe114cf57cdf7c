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

} // namespace geometry
