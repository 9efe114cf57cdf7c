#pragma once

#include "geometry/ModelFile.h"

#include <vector>

namespace platform {
class Canvas;
}

namespace geometry {

/// Clears the canvas and draws the model seen along `axis` (0, 1, 2), to scale: slabs as bands,
/// boxes and cylinders across as rectangles, spheres and cylinders along as circles, the source
/// filled, detectors as crosses, the two other coordinates' names and extent in cm. `aspect`
/// is the canvas's width over its height.
void DrawModelView(platform::Canvas& canvas, double aspect, const Model& model,
                   const std::vector<Vec3>& detectors, int axis);

/// Clears the canvas and draws a dose map: each point's cell coloured by its rate on a log
/// scale, isodose lines at each decade, the outlines the plane cuts from the bodies, and the
/// legend in uGy/h. `results` are the map's points in the map's order (first coordinate
/// fastest); points not computed are left grey.
void DrawDoseMap(platform::Canvas& canvas, double aspect, const Model& model, const MapSpec& map,
                 const std::vector<DetectorResult>& results);

} // namespace geometry
