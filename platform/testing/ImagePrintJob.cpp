#include "platform/testing/ImagePrintJob.h"

#include <utility>

namespace platform::testing {

ImagePrintJob::ImagePrintJob(int portraitWidth, int portraitHeight, int pixelsPerInch,
                             PageOrientation orientation, PrintedHandler onPrinted)
    : portraitWidth_(portraitWidth), portraitHeight_(portraitHeight), pixelsPerInch_(pixelsPerInch),
      orientation_(orientation), onPrinted_(std::move(onPrinted)) {}

void ImagePrintJob::SetOrientation(PageOrientation orientation) {
    if (!Active()) {
        orientation_ = orientation;
    }
}

int ImagePrintJob::PageWidth() const {
    return orientation_ == PageOrientation::Portrait ? portraitWidth_ : portraitHeight_;
}

int ImagePrintJob::PageHeight() const {
    return orientation_ == PageOrientation::Portrait ? portraitHeight_ : portraitWidth_;
}

bool ImagePrintJob::Deliver(const Image& page, const std::string& title) {
    if (onPrinted_) {
        onPrinted_(page, title, orientation_, pixelsPerInch_);
    }
    return true;
}

} // namespace platform::testing
