#pragma once

#include "geometry/ModelFile.h"

#include <cstddef>
#include <functional>
#include <string>
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

/// The notes a run leaves over all its detectors, one per kind, each naming its lines by
/// `energyText`: buildup extrapolated beyond 40 mfp on some ray, lines below a material's buildup
/// table (B = 1), lines that reach no detector within 100 mfp and, for H*(10), lines below
/// 20 keV, where the ICRU 47 function overstates it.
std::vector<std::string> RunNotes(const Model& model, shielding::Quantity quantity,
                                  const std::vector<DetectorResult>& results,
                                  const std::function<std::string(double energyMeV)>& energyText);

} // namespace geometry
