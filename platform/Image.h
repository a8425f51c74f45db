#pragma once

#include "platform/Rgb.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace platform {

// An 8-bit RGB raster, rows top to bottom, three bytes a pixel. Page pictures, the plot and
// exported pictures are Images; PNG is read and written with libpng (RGB colour type,
// 8 bits per channel), JPEG written with libjpeg. No Qt here: the page history and the
// state file use it from the core.
class Image {
public:
    Image() = default;
    Image(int width, int height, Rgb fill = kWhite);

    int Width() const { return width_; }
    int Height() const { return height_; }
    bool IsEmpty() const { return width_ == 0 || height_ == 0; }

    // Resizes to width x height and fills every pixel; reuses the buffer when it is big enough.
    void Reset(int width, int height, Rgb fill = kWhite);
    void Fill(Rgb colour);

    // Pixel access; coordinates outside the raster are ignored (SetPixel) or read as white.
    Rgb Pixel(int x, int y) const;
    void SetPixel(int x, int y, Rgb colour);
    bool Contains(int x, int y) const { return x >= 0 && y >= 0 && x < width_ && y < height_; }

    std::uint8_t* Row(int y) { return data_.data() + static_cast<std::size_t>(y) * Stride(); }
    const std::uint8_t* Row(int y) const {
        return data_.data() + static_cast<std::size_t>(y) * Stride();
    }
    std::size_t Stride() const { return static_cast<std::size_t>(width_) * 3; }
    std::uint8_t* Data() { return data_.data(); }
    const std::uint8_t* Data() const { return data_.data(); }

    // PNG and JPEG files. A failed load returns false and leaves the image as it was;
    // a damaged, truncated or foreign file never crashes or reads out of bounds.
    bool LoadPng(const std::string& path);
    bool LoadPngFromMemory(const std::uint8_t* bytes, std::size_t size);
    bool SavePng(const std::string& path) const;
    bool SaveJpeg(const std::string& path, int quality = 90) const;
    // The same encodings into memory; false (and out empty) on an empty image or a failure.
    bool SavePngToMemory(std::vector<std::uint8_t>& out) const;
    bool SaveJpegToMemory(std::vector<std::uint8_t>& out, int quality = 90) const;

    friend bool operator==(const Image& a, const Image& b) {
        return a.width_ == b.width_ && a.height_ == b.height_ && a.data_ == b.data_;
    }

private:
    int width_ = 0;
    int height_ = 0;
    std::vector<std::uint8_t> data_;
};

} // namespace platform
