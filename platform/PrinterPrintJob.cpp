#include "platform/PrinterPrintJob.h"

#include <QImage>
#include <QPainter>
#include <QPrinter>

namespace platform {

PrinterPrintJob::PrinterPrintJob(std::unique_ptr<QPrinter> printer)
    : printer_(std::move(printer)) {}

PrinterPrintJob::~PrinterPrintJob() = default;

PageOrientation PrinterPrintJob::Orientation() const {
    return printer_->pageLayout().orientation() == QPageLayout::Landscape
               ? PageOrientation::Landscape
               : PageOrientation::Portrait;
}

void PrinterPrintJob::SetOrientation(PageOrientation orientation) {
    if (Active()) {
        return; // the page raster is already laid out
    }
    printer_->setPageOrientation(orientation == PageOrientation::Landscape ? QPageLayout::Landscape
                                                                           : QPageLayout::Portrait);
}

int PrinterPrintJob::PageWidth() const {
    return printer_->pageLayout().paintRectPixels(printer_->resolution()).width();
}

int PrinterPrintJob::PageHeight() const {
    return printer_->pageLayout().paintRectPixels(printer_->resolution()).height();
}

int PrinterPrintJob::PixelsPerInch() const {
    return printer_->resolution();
}

bool PrinterPrintJob::Deliver(const Image& page, const std::string& title) {
    printer_->setDocName(QString::fromStdString(title));
    QPainter painter;
    if (!painter.begin(printer_.get())) {
        return false;
    }
    // Lines and text must stay crisp: a PDF would otherwise keep the page as a JPEG.
    painter.setRenderHint(QPainter::LosslessImageRendering);
    // The raster outlives the painter, so it is shown in place without a copy.
    const QImage view(page.Data(), page.Width(), page.Height(),
                      static_cast<qsizetype>(page.Stride()), QImage::Format_RGB888);
    painter.drawImage(QRect(0, 0, page.Width(), page.Height()), view);
    return painter.end();
}

} // namespace platform
