#pragma once

#include "Arguments.h"
#include "Output.h"

#include <string>
#include <vector>

namespace geometry {
struct ModelSpec;
struct PreparedModel;
struct DetectorResult;
} // namespace geometry

namespace cli {

/// model FILE|-: the dose at each detector and map point of a shielding model.
int RunModel(const Invocation& invocation, BufferedStream& out, BufferedStream& err);

/// Draws the model's map to a PNG file (written aside, then renamed); the exit status, with
/// the message written.
int WriteModelPicture(const geometry::PreparedModel& prepared, const geometry::ModelSpec& asGiven,
                      const std::vector<geometry::DetectorResult>& results, const std::string& file,
                      BufferedStream& err);

} // namespace cli
