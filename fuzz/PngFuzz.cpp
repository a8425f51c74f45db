// The PNG reader over arbitrary bytes, as a page picture is loaded. A picture that loads
// must be whole, and must save and load back pixel for pixel.
#include "platform/Image.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    platform::Image image(3, 2, platform::kBlack);
    const platform::Image before = image;
    if (!image.LoadPngFromMemory(data, size)) {
        if (!(image == before)) {
            std::abort(); // a failed load leaves the image as it was
        }
        return 0;
    }
    if (image.IsEmpty()) {
        std::abort();
    }
    // Every row must be there in full (the address sanitizer checks each last byte).
    unsigned sum = 0;
    for (int y = 0; y < image.Height(); ++y) {
        sum += image.Row(y)[image.Stride() - 1];
    }
    if (sum > 255u * static_cast<unsigned>(image.Height())) {
        std::abort();
    }
    // Re-encoding is slow for big pictures; the small ones are enough to check it.
    if (static_cast<std::size_t>(image.Width()) * image.Height() <= 256 * 256) {
        std::vector<std::uint8_t> png;
        platform::Image back;
        if (!image.SavePngToMemory(png) || !back.LoadPngFromMemory(png.data(), png.size()) ||
            !(back == image)) {
            std::abort();
        }
    }
    return 0;
}
