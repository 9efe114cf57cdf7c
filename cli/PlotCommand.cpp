#include "PlotCommand.h"

#include "CommandSupport.h"
#include "data/MaterialFile.h"
#include "data/MaterialTable.h"
#include "graph/Plots.h"
#include "material/Resolve.h"
#include "platform/qt/PathText.h"
#include "platform/qt/QtCanvas.h"
#include "platform/qt/SavePicture.h"

#include <QApplication>
#include <QImage>
#include <QSaveFile>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <memory>
#include <optional>
#include <vector>

namespace cli {

namespace {

// The enlarged view's drawing area, in pixels.
constexpr int kEnlargedWidth = 909;
constexpr int kEnlargedHeight = 861;

enum class PictureKind { Bmp, Png };

std::optional<PictureKind> pictureKindOf(const std::filesystem::path& file) {
    std::string extension = file.extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (extension == ".bmp") {
        return PictureKind::Bmp;
    }
    if (extension == ".png") {
        return PictureKind::Png;
    }
    return std::nullopt;
}

} // namespace

// Written aside and renamed into place, like every file the program writes.
data::WriteResult SavePng(const QImage& image, const std::filesystem::path& file) {
    QSaveFile out(ToQString(file));
    if (!out.open(QIODevice::WriteOnly)) {
        return {false, out.errorString().toStdString()};
    }
    if (!image.save(&out, "PNG")) {
        const std::string reason = out.error() != QFileDevice::NoError
                                       ? out.errorString().toStdString()
                                       : std::string("the image could not be encoded");
        out.cancelWriting();
        return {false, reason};
    }
    if (!out.commit()) {
        return {false, out.errorString().toStdString()};
    }
    return {};
}

namespace {

// Qt's notes about the off-screen platform (no runtime folder, no window manager) say nothing
// about the picture; only its critical messages reach the user.
void quietMessages(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type == QtCriticalMsg || type == QtFatalMsg) {
        std::fputs(("photonxs-cli: " + message.toStdString() + "\n").c_str(), stderr);
    }
}

} // namespace

std::unique_ptr<QApplication> StartOffscreenApplication() {
    // The canvas is a widget, so it needs an application; off screen, no display is touched.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qInstallMessageHandler(quietMessages);
    static int qtArgc = 1;
    static char programName[] = "photonxs-cli";
    static char* qtArgv[] = {programName, nullptr};
    return std::make_unique<QApplication>(qtArgc, qtArgv);
}

int RunPlot(const Invocation& invocation, BufferedStream& /*out*/, BufferedStream& err) {
    const auto out = invocation.options.find("out");
    if (out == invocation.options.end()) {
        return Usage(err, "plot needs --out FILE");
    }
    if (invocation.arguments.empty()) {
        return Usage(err, "plot takes at least one PATH");
    }
    const std::filesystem::path target(out->second);
    const std::optional<PictureKind> kind = pictureKindOf(target);
    if (!kind) {
        Complain(err, "--out '" + out->second + "': the picture file must end in .bmp or .png");
        return kExitBadInput;
    }
    // Every material is resolved (and an expression built) before anything is drawn.
    std::vector<std::unique_ptr<material::ResolvedMaterial>> materials;
    for (const std::string& argument : invocation.arguments) {
        std::string message;
        auto resolved = std::make_unique<material::ResolvedMaterial>();
        if (!material::ResolveMaterial(invocation.root, argument, *resolved, message)) {
            Complain(err, message);
            return kExitBadInput;
        }
        Note(err, resolved->note);
        materials.push_back(std::move(resolved));
    }

    const std::unique_ptr<QApplication> application = StartOffscreenApplication();

    // As at start-up: the picture prepared and cleared, then the empty frame.
    QtCanvas canvas(kEnlargedWidth, kEnlargedHeight);
    graph::PrepareEnlargedCanvas(canvas);
    canvas.Clear();
    auto table = std::make_unique<data::MaterialTable>();
    graph::DrawEnlargedFrame(canvas, *table);

    // Then, for each material, what GO and the enlarged-view button do to this picture.
    for (const auto& resolved : materials) {
        // As GO loads a file: the new rows over the old table, the enlarged view's flag kept.
        const int used = table->EnlargedViewUsed;
        *table = resolved->table;
        table->EnlargedViewUsed = used;
        data::ComputeFractions(*table);
        if (table->RowCount > 0) {
            graph::DrawEnlargedCurves(canvas, *table);
        } else {
            // An empty table adds no curve: it is drawn from a blank table, not from the rows
            // an earlier, longer table left behind.
            auto blank = std::make_unique<data::MaterialTable>();
            blank->EnlargedViewUsed = table->EnlargedViewUsed;
            graph::DrawEnlargedCurves(canvas, *blank);
            table->EnlargedViewUsed = blank->EnlargedViewUsed;
        }
    }

    const data::WriteResult written = *kind == PictureKind::Bmp
                                          ? SavePicture(canvas.Image(), target)
                                          : SavePng(canvas.Image(), target);
    if (!written.ok) {
        Complain(err, out->second + ": " + written.reason);
        return kExitBadInput;
    }
    return kExitDone;
}

} // namespace cli
