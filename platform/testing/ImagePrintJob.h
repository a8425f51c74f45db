#pragma once

#include "platform/RasterPrintJob.h"

#include <functional>

namespace platform::testing {

// A printer that prints into an Image: its page size in portrait (landscape swaps the
// sides) and pixels per inch are given; EndJob hands the finished page to onPrinted.
class ImagePrintJob : public RasterPrintJob {
public:
    using PrintedHandler = std::function<void(const Image& page, const std::string& title,
                                              PageOrientation orientation, int pixelsPerInch)>;

    ImagePrintJob(int portraitWidth, int portraitHeight, int pixelsPerInch,
                  PageOrientation orientation, PrintedHandler onPrinted);

    PageOrientation Orientation() const override { return orientation_; }
    void SetOrientation(PageOrientation orientation) override;
    int PageWidth() const override;
    int PageHeight() const override;
    int PixelsPerInch() const override { return pixelsPerInch_; }

protected:
    bool Deliver(const Image& page, const std::string& title) override;

private:
    int portraitWidth_;
    int portraitHeight_;
    int pixelsPerInch_;
    PageOrientation orientation_;
    PrintedHandler onPrinted_;
};

} // namespace platform::testing
