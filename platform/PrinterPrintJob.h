#pragma once

#include "platform/RasterPrintJob.h"

#include <memory>

class QPrinter;

namespace platform {

// A print job on a QPrinter (a printer chosen in the print dialog, or a PDF file): the page
// raster has the printer's resolution and its printable area, and EndJob paints it onto
// the printer's page. Needs a QGuiApplication.
class PrinterPrintJob : public RasterPrintJob {
public:
    explicit PrinterPrintJob(std::unique_ptr<QPrinter> printer);
    ~PrinterPrintJob() override;

    PageOrientation Orientation() const override;
    void SetOrientation(PageOrientation orientation) override;
    int PageWidth() const override;
    int PageHeight() const override;
    int PixelsPerInch() const override;

    QPrinter& Printer() { return *printer_; }

protected:
    bool Deliver(const Image& page, const std::string& title) override;

private:
    std::unique_ptr<QPrinter> printer_;
};

} // namespace platform
