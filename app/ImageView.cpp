#include "app/ImageView.h"

#include <QImage>
#include <QPaintEvent>
#include <QPainter>

namespace tickora {

ImageView::ImageView(const platform::Image& image, QWidget* parent)
    : QWidget(parent), image_(image) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void ImageView::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    if (image_.IsEmpty()) {
        painter.fillRect(rect(), Qt::white);
        return;
    }
    // Wraps the raster without copying it; painted before the image can change again.
    const QImage view(image_.Data(), image_.Width(), image_.Height(),
                      static_cast<qsizetype>(image_.Stride()), QImage::Format_RGB888);
    const QRect dirty = event ? event->rect() : rect();
    painter.drawImage(dirty, view, dirty);
}

} // namespace tickora
