#include "platform/QtImage.h"

#include <QPainter>

#include <cstring>

namespace platform {

QImage ToQImage(const Image& image) {
    if (image.IsEmpty()) {
        return {};
    }
    const QImage view(image.Data(), image.Width(), image.Height(),
                      static_cast<qsizetype>(image.Stride()), QImage::Format_RGB888);
    return view.copy();
}

Image FromQImage(const QImage& image) {
    if (image.isNull()) {
        return {};
    }
    // Transparent parts come out as they would on a white window.
    QImage opaque(image.size(), QImage::Format_RGB888);
    opaque.fill(Qt::white);
    {
        QPainter painter(&opaque);
        painter.drawImage(0, 0, image);
    }
    Image result(opaque.width(), opaque.height());
    for (int y = 0; y < opaque.height(); ++y) {
        std::memcpy(result.Row(y), opaque.constScanLine(y), result.Stride());
    }
    return result;
}

} // namespace platform
