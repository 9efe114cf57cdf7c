#pragma once

#include "Arguments.h"
#include "Output.h"
#include "data/MaterialFile.h"

#include <filesystem>
#include <memory>

class QApplication;
class QImage;

namespace cli {

/// Draws the enlarged view with the given materials on the windows' own canvas, off screen, and
/// writes it as BMP or PNG. Needs no display. Returns the exit status.
int RunPlot(const Invocation& invocation, BufferedStream& out, BufferedStream& err);

/// Writes a picture as PNG, aside and then renamed into place.
data::WriteResult SavePng(const QImage& image, const std::filesystem::path& file);

/// The off-screen application a canvas needs, with Qt's notes kept quiet.
std::unique_ptr<QApplication> StartOffscreenApplication();

} // namespace cli
