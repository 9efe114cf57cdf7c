#pragma once

#include "data/MaterialFile.h"

#include <filesystem>

class QImage;

/// Writes an image to a file in the Windows bitmap format, 24 bits per pixel, creating or
/// replacing the file. The new file is written aside and renamed over the old one only when
/// complete, so a failure leaves the old file as it was and no partial file behind.
data::WriteResult SavePicture(const QImage& image, const std::filesystem::path& file);
