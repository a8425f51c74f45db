// Text on a Canvas through Qt's font engine, painted straight into the Image's buffer.
#include "platform/Canvas.h"

#include "platform/QtFont.h"

#include <QFontMetrics>
#include <QImage>
#include <QPainter>

namespace platform {

void Canvas::TextOut(int x, int y, const std::string& utf8) {
    if (image_->IsEmpty() || utf8.empty()) {
        return;
    }
    QImage view(image_->Data(), image_->Width(), image_->Height(),
                static_cast<qsizetype>(image_->Stride()), QImage::Format_RGB888);
    const QFont font = ToQFont(font_, pixelsPerInch_);
    QPainter painter(&view);
    painter.setFont(font);
    painter.setPen(QColor(font_.colour.r, font_.colour.g, font_.colour.b));
    // (x, y) is the top left of the text cell: the baseline lies one ascent below it.
    painter.drawText(QPoint(x, y + QFontMetrics(font).ascent()), QString::fromUtf8(utf8));
}

int Canvas::TextWidth(const std::string& utf8) const {
    return QFontMetrics(ToQFont(font_, pixelsPerInch_)).horizontalAdvance(QString::fromUtf8(utf8));
}

int Canvas::TextHeight(const std::string&) const {
    // The height of the text cell, the same for every text in a font.
    return QFontMetrics(ToQFont(font_, pixelsPerInch_)).height();
}

} // namespace platform
