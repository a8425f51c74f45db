#include "platform/RasterPrintJob.h"

namespace platform {

bool RasterPrintJob::BeginJob(const std::string& title) {
    if (active_ || PageWidth() <= 0 || PageHeight() <= 0) {
        return false;
    }
    page_.Reset(PageWidth(), PageHeight(), kWhite);
    canvas_ = Canvas(page_, PixelsPerInch());
    title_ = title;
    active_ = true;
    return true;
}

bool RasterPrintJob::EndJob() {
    if (!active_) {
        return false;
    }
    active_ = false;
    const bool delivered = Deliver(page_, title_);
    // The raster of a printer page is large; give it back once it is sent.
    page_.Reset(0, 0);
    return delivered;
}

} // namespace platform
