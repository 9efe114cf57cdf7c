#include "platform/qt/SavePicture.h"

#include <QBuffer>
#include <QByteArray>
#include <QImage>

#include <string_view>

data::WriteResult SavePicture(const QImage& image, const std::filesystem::path& file) {
    if (image.isNull()) {
        return {false, "there is no image to save"};
    }
    // Three bytes a pixel keep every colour exact and give a bottom-up 24-bit bitmap.
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!image.convertToFormat(QImage::Format_RGB888).save(&buffer, "BMP")) {
        return {false, "the image could not be encoded"};
    }
    // The same replace-when-complete write as every other file of the program.
    return data::WriteFileReplacing(
        file, std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
}
