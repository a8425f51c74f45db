#pragma once

#include "platform/Image.h"

#include <QImage>

namespace platform {

// Conversions between an Image and a QImage for showing pictures in widgets and loading
// the program's own artwork. Both copy the pixels, so neither side outlives the other's
// buffer.
QImage ToQImage(const Image& image);
Image FromQImage(const QImage& image);

} // namespace platform
