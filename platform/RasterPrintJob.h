#pragma once

#include "platform/Dialogs.h"

#include <string>

namespace platform {

// A print job whose page is drawn on an Image at the printer's pixels per inch; EndJob
// hands the finished raster to Deliver. The orientation can change until BeginJob.
class RasterPrintJob : public PrintJob {
public:
    bool BeginJob(const std::string& title) override;
    Canvas& PageCanvas() override { return canvas_; }
    bool EndJob() override;

    bool Active() const { return active_; }
    virtual int PixelsPerInch() const = 0;

protected:
    RasterPrintJob() = default;
    // Sends the finished page on; false when it could not be printed.
    virtual bool Deliver(const Image& page, const std::string& title) = 0;

private:
    Image page_;
    Canvas canvas_{page_};
    std::string title_;
    bool active_ = false;
};

} // namespace platform
