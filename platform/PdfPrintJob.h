#pragma once

#include "platform/PrinterPrintJob.h"

#include <string>

namespace platform {

// Prints the page into a PDF file without asking: A4, no margins, portrait unless set
// otherwise, at pixelsPerInch (300 by default). Needs a QGuiApplication.
class PdfPrintJob : public PrinterPrintJob {
public:
    explicit PdfPrintJob(const std::string& path,
                         PageOrientation orientation = PageOrientation::Portrait,
                         int pixelsPerInch = 300);
};

} // namespace platform
