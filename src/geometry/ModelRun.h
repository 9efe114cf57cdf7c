#pragma once

#include "geometry/ModelFile.h"

#include <cstddef>
#include <functional>
#include <vector>

namespace geometry {

/// Called now and then with how many detectors are done of how many; false stops the rest.
using Progress = std::function<bool(std::size_t done, std::size_t total)>;

/// Computes the dose at every detector of a prepared model, the listed ones and the map's, on
/// `threads` threads (0: as many as the machine has). Map points where no detector can be are
/// left with `computed` false, and so are the points left when `progress` says stop. `progress`
/// is called on the calling thread only.
void RunModel(const PreparedModel& prepared, std::vector<DetectorResult>& results,
              const Progress& progress, unsigned threads = 0);

} // namespace geometry
