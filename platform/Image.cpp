#include "platform/Image.h"

#include "platform/ImageFile.h"

#include <png.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>

namespace platform {

namespace {

// Pictures beyond these come from a damaged or hostile file, not from this program.
constexpr png_uint_32 kMaxSide = 32768;                                // pixels
constexpr std::size_t kMaxBytes = static_cast<std::size_t>(512) << 20; // bytes of RGB

// libpng stops reading once the image data is complete, so a file cut off after its data
// would pass; a whole file carries the IEND chunk (empty, fixed CRC).
bool HasEndChunk(const std::uint8_t* bytes, std::size_t size) {
    static constexpr std::uint8_t kEnd[12] = {0,   0,   0,    0,    'I',  'E',
                                              'N', 'D', 0xae, 0x42, 0x60, 0x82};
    const std::uint8_t* last = std::search(bytes + 8, bytes + size, kEnd, kEnd + 12);
    return last != bytes + size;
}

void FillBytes(std::vector<std::uint8_t>& data, std::size_t pixels, Rgb colour) {
    for (std::size_t i = 0; i < pixels; ++i) {
        data[3 * i] = colour.r;
        data[3 * i + 1] = colour.g;
        data[3 * i + 2] = colour.b;
    }
}

} // namespace

Image::Image(int width, int height, Rgb fill) {
    Reset(width, height, fill);
}

void Image::Reset(int width, int height, Rgb fill) {
    width_ = std::max(width, 0);
    height_ = std::max(height, 0);
    if (width_ == 0 || height_ == 0) {
        width_ = 0;
        height_ = 0;
    }
    data_.resize(static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_) * 3);
    Fill(fill);
}

void Image::Fill(Rgb colour) {
    FillBytes(data_, static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_), colour);
}

Rgb Image::Pixel(int x, int y) const {
    if (!Contains(x, y)) {
        return kWhite;
    }
    const std::uint8_t* p = Row(y) + static_cast<std::size_t>(x) * 3;
    return Rgb{p[0], p[1], p[2]};
}

void Image::SetPixel(int x, int y, Rgb colour) {
    if (!Contains(x, y)) {
        return;
    }
    std::uint8_t* p = Row(y) + static_cast<std::size_t>(x) * 3;
    p[0] = colour.r;
    p[1] = colour.g;
    p[2] = colour.b;
}

bool Image::LoadPng(const std::string& path) {
    std::vector<std::uint8_t> bytes;
    if (!ReadWholeFile(path, bytes)) {
        return false;
    }
    return LoadPngFromMemory(bytes.data(), bytes.size());
}

bool Image::LoadPngFromMemory(const std::uint8_t* bytes, std::size_t size) {
    if (bytes == nullptr || size < 8 || png_sig_cmp(bytes, 0, 8) != 0 ||
        !HasEndChunk(bytes, size)) {
        return false;
    }
    // The simplified libpng interface keeps its setjmp inside libpng, converts every colour
    // type and bit depth to 8-bit RGB and composites any transparency on white.
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    if (png_image_begin_read_from_memory(&image, bytes, size) == 0) {
        png_image_free(&image);
        return false;
    }
    if (image.width == 0 || image.height == 0 || image.width > kMaxSide ||
        image.height > kMaxSide ||
        static_cast<std::size_t>(image.width) * image.height * 3 > kMaxBytes) {
        png_image_free(&image);
        return false;
    }
    image.format = PNG_FORMAT_RGB;
    const std::size_t pixels = static_cast<std::size_t>(image.width) * image.height;
    std::vector<std::uint8_t> decoded(pixels * 3);
    FillBytes(decoded, pixels, kWhite);
    const png_color white{255, 255, 255};
    const int width = static_cast<int>(image.width);
    const int height = static_cast<int>(image.height);
    if (png_image_finish_read(&image, &white, decoded.data(), 0, nullptr) == 0) {
        png_image_free(&image);
        return false;
    }
    width_ = width;
    height_ = height;
    data_.swap(decoded);
    return true;
}

bool Image::SavePngToMemory(std::vector<std::uint8_t>& out) const {
    out.clear();
    if (IsEmpty()) {
        return false;
    }
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(width_);
    image.height = static_cast<png_uint_32>(height_);
    image.format = PNG_FORMAT_RGB;
    png_alloc_size_t size = 0;
    const auto stride = static_cast<png_int_32>(Stride());
    if (png_image_write_to_memory(&image, nullptr, &size, 0, data_.data(), stride, nullptr) == 0) {
        return false;
    }
    out.resize(size);
    if (png_image_write_to_memory(&image, out.data(), &size, 0, data_.data(), stride, nullptr) ==
        0) {
        out.clear();
        return false;
    }
    out.resize(size);
    return true;
}

bool Image::SavePng(const std::string& path) const {
    std::vector<std::uint8_t> bytes;
    return SavePngToMemory(bytes) && WriteWholeFile(path, bytes);
}

} // namespace platform
