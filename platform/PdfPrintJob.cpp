#include "platform/PdfPrintJob.h"

#include <QMarginsF>
#include <QPageSize>
#include <QPrinter>

#include <memory>

namespace platform {

namespace {

std::unique_ptr<QPrinter> MakePdfPrinter(const std::string& path, int pixelsPerInch) {
    auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    printer->setOutputFormat(QPrinter::PdfFormat);
    printer->setOutputFileName(QString::fromStdString(path));
    printer->setPageSize(QPageSize(QPageSize::A4));
    printer->setFullPage(true);
    printer->setPageMargins(QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter);
    printer->setResolution(pixelsPerInch > 0 ? pixelsPerInch : 300);
    return printer;
}

} // namespace

PdfPrintJob::PdfPrintJob(const std::string& path, PageOrientation orientation, int pixelsPerInch)
    : PrinterPrintJob(MakePdfPrinter(path, pixelsPerInch)) {
    SetOrientation(orientation);
}

} // namespace platform
