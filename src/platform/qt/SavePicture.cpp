#include "platform/qt/SavePicture.h"

#include "platform/qt/PathText.h"

#include <QFileInfo>
#include <QImage>
#include <QSaveFile>

data::WriteResult SavePicture(const QImage& image, const std::filesystem::path& file) {
    if (image.isNull()) {
        return {false, "there is no image to save"};
    }
    const QString name = ToQString(file);
    if (QFileInfo(name).isDir()) {
        return {false, "a folder of that name exists"};
    }
    QSaveFile out(name);
    if (!out.open(QIODevice::WriteOnly)) {
        return {false, out.errorString().toStdString()};
    }
    // Three bytes a pixel keep every colour exact and give a bottom-up 24-bit bitmap.
    const QImage rgb = image.convertToFormat(QImage::Format_RGB888);
    if (!rgb.save(&out, "BMP")) {
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
