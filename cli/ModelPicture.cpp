#include "CommandSupport.h"
#include "ModelCommand.h"
#include "PlotCommand.h"
#include "geometry/ModelPlots.h"
#include "platform/qt/QtCanvas.h"

#include <QApplication>
#include <QImage>

namespace cli {

namespace {

// The map's picture, in pixels.
constexpr int kMapWidth = 900;
constexpr int kMapHeight = 700;

} // namespace

int WriteModelPicture(const geometry::PreparedModel& prepared, const geometry::ModelSpec& asGiven,
                      const std::vector<geometry::DetectorResult>& results, const std::string& file,
                      BufferedStream& err) {
    const std::unique_ptr<QApplication> application = StartOffscreenApplication();
    QtCanvas canvas(kMapWidth, kMapHeight);
    const std::vector<geometry::DetectorResult> map(
        results.begin() + static_cast<std::ptrdiff_t>(prepared.listedDetectors), results.end());
    geometry::DrawDoseMap(canvas, static_cast<double>(kMapWidth) / kMapHeight, prepared.model,
                          *asGiven.map, map);
    const data::WriteResult written = SavePng(canvas.Image(), file);
    if (!written.ok) {
        Complain(err, file + ": " + written.reason);
        return kExitBadInput;
    }
    return kExitDone;
}

} // namespace cli
