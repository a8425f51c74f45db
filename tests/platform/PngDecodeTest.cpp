// Reading PNG files of every colour type and bit depth, and surviving damaged ones.
#include "platform/Image.h"

#include <png.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

using platform::Image;
using platform::kWhite;
using platform::RgbOf;

namespace {

struct PngLayout {
    int width = 0;
    int height = 0;
    int colourType = PNG_COLOR_TYPE_RGB;
    int bitDepth = 8;
    bool interlaced = false;
    std::vector<png_color> palette;
    std::vector<std::vector<std::uint8_t>> rows; // packed as the PNG stores them
    std::vector<png_byte> transparency;          // tRNS alphas of the palette entries
};

void AppendBytes(png_structp png, png_bytep data, png_size_t length) {
    auto* out = static_cast<std::vector<std::uint8_t>*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + length);
}

void NoFlush(png_structp) {}

// Writes a PNG with libpng's full interface so every colour type can be made.
std::vector<std::uint8_t> Encode(const PngLayout& layout) {
    std::vector<std::uint8_t> out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png)) != 0) {
        png_destroy_write_struct(&png, &info);
        ADD_FAILURE() << "test PNG could not be written";
        return {};
    }
    png_set_write_fn(png, &out, AppendBytes, NoFlush);
    png_set_IHDR(png, info, static_cast<png_uint_32>(layout.width),
                 static_cast<png_uint_32>(layout.height), layout.bitDepth, layout.colourType,
                 layout.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (!layout.palette.empty()) {
        png_set_PLTE(png, info, layout.palette.data(), static_cast<int>(layout.palette.size()));
    }
    if (!layout.transparency.empty()) {
        png_set_tRNS(png, info, layout.transparency.data(),
                     static_cast<int>(layout.transparency.size()), nullptr);
    }
    std::vector<png_bytep> pointers;
    for (const auto& row : layout.rows) {
        pointers.push_back(const_cast<png_bytep>(row.data()));
    }
    png_set_rows(png, info, pointers.data());
    png_write_png(png, info, PNG_TRANSFORM_IDENTITY, nullptr);
    png_destroy_write_struct(&png, &info);
    return out;
}

Image Decode(const std::vector<std::uint8_t>& bytes) {
    Image image;
    EXPECT_TRUE(image.LoadPngFromMemory(bytes.data(), bytes.size()));
    return image;
}

} // namespace

TEST(PngDecode, GreyAndBitDepthsBecomeEightBitRgb) {
    PngLayout grey{3, 1, PNG_COLOR_TYPE_GRAY, 8, false, {}, {{0, 100, 255}}, {}};
    const Image g = Decode(Encode(grey));
    ASSERT_EQ(g.Width(), 3);
    EXPECT_EQ(g.Pixel(0, 0), RgbOf(0, 0, 0));
    EXPECT_EQ(g.Pixel(1, 0), RgbOf(100, 100, 100));
    EXPECT_EQ(g.Pixel(2, 0), kWhite);

    PngLayout bits{8, 1, PNG_COLOR_TYPE_GRAY, 1, false, {}, {{0b10100000}}, {}};
    const Image b = Decode(Encode(bits));
    ASSERT_EQ(b.Width(), 8);
    EXPECT_EQ(b.Pixel(0, 0), kWhite);
    EXPECT_EQ(b.Pixel(1, 0), platform::kBlack);
    EXPECT_EQ(b.Pixel(2, 0), kWhite);
    EXPECT_EQ(b.Pixel(7, 0), platform::kBlack);

    // 16 bits a channel: 0xABCD scales to 171 (0xABCD / 257 = 171.1).
    PngLayout deep{1, 1, PNG_COLOR_TYPE_RGB, 16, false, {}, {{0xab, 0xcd, 0x00, 0x00, 0xff, 0xff}},
                 {}};
    const Image d = Decode(Encode(deep));
    ASSERT_EQ(d.Width(), 1);
    EXPECT_NEAR(d.Pixel(0, 0).r, 171, 1);
    EXPECT_EQ(d.Pixel(0, 0).g, 0);
    EXPECT_EQ(d.Pixel(0, 0).b, 255);
}

TEST(PngDecode, PaletteAndInterlacedPictures) {
    PngLayout palette{4,
                    1,
                    PNG_COLOR_TYPE_PALETTE,
                    4,
                    false,
                    {{204, 0, 0}, {0, 119, 0}, {191, 126, 180}},
                    {{0x01, 0x22}},
                    {}};
    const Image p = Decode(Encode(palette));
    ASSERT_EQ(p.Width(), 4);
    EXPECT_EQ(p.Pixel(0, 0), RgbOf(204, 0, 0));
    EXPECT_EQ(p.Pixel(1, 0), RgbOf(0, 119, 0));
    EXPECT_EQ(p.Pixel(2, 0), RgbOf(191, 126, 180));
    EXPECT_EQ(p.Pixel(3, 0), RgbOf(191, 126, 180));

    PngLayout interlaced{9, 9, PNG_COLOR_TYPE_RGB, 8, true, {}, {}, {}};
    Image expected(9, 9);
    for (int y = 0; y < 9; ++y) {
        std::vector<std::uint8_t> row;
        for (int x = 0; x < 9; ++x) {
            const auto colour = RgbOf(x * 20, y * 20, 200 - x - y);
            expected.SetPixel(x, y, colour);
            row.insert(row.end(), {colour.r, colour.g, colour.b});
        }
        interlaced.rows.push_back(row);
    }
    EXPECT_EQ(Decode(Encode(interlaced)), expected);
}

TEST(PngDecode, TransparencyIsCompositedOnWhite) {
    PngLayout rgba{
        3, 1, PNG_COLOR_TYPE_RGBA, 8, false, {}, {{0, 0, 0, 0, 0, 0, 0, 255, 0, 0, 0, 128}}, {}};
    const Image a = Decode(Encode(rgba));
    ASSERT_EQ(a.Width(), 3);
    EXPECT_EQ(a.Pixel(0, 0), kWhite);
    EXPECT_EQ(a.Pixel(1, 0), platform::kBlack);
    // Half covered black on white: mid grey, blended as the values stand.
    EXPECT_EQ(a.Pixel(2, 0), RgbOf(127, 127, 127));

    // 16 bits with alpha: an opaque pixel keeps its value, no gamma is applied.
    PngLayout deep{2,
                 1,
                 PNG_COLOR_TYPE_RGB_ALPHA,
                 16,
                 false,
                 {},
                 {{0xab, 0xcd, 0, 0, 0xff, 0xff, 0xff, 0xff, 0, 0, 0, 0, 0, 0, 0, 0}},
                 {}};
    const Image d = Decode(Encode(deep));
    ASSERT_EQ(d.Width(), 2);
    EXPECT_NEAR(d.Pixel(0, 0).r, 171, 1);
    EXPECT_EQ(d.Pixel(0, 0).b, 255);
    EXPECT_EQ(d.Pixel(1, 0), kWhite);

    // A palette with a transparent entry (tRNS).
    PngLayout keyed{2, 1, PNG_COLOR_TYPE_PALETTE, 8, false, {{0, 0, 0}, {0, 119, 0}}, {{0, 1}}, {}};
    keyed.transparency = {0};
    const Image k = Decode(Encode(keyed));
    EXPECT_EQ(k.Pixel(0, 0), kWhite);
    EXPECT_EQ(k.Pixel(1, 0), RgbOf(0, 119, 0));

    PngLayout greyAlpha{2, 1, PNG_COLOR_TYPE_GRAY_ALPHA, 8, false, {}, {{50, 0, 50, 255}}, {}};
    const Image ga = Decode(Encode(greyAlpha));
    EXPECT_EQ(ga.Pixel(0, 0), kWhite);
    EXPECT_EQ(ga.Pixel(1, 0), RgbOf(50, 50, 50));
}

TEST(PngDecode, RandomDamageNeverBreaksTheImage) {
    Image original(23, 17);
    for (int y = 0; y < 17; ++y) {
        for (int x = 0; x < 23; ++x) {
            original.SetPixel(x, y, RgbOf(x * 11, y * 15, (x * y) % 256));
        }
    }
    std::vector<std::uint8_t> good;
    ASSERT_TRUE(original.SavePngToMemory(good));
    const Image before(4, 4, RgbOf(1, 2, 3));
    std::mt19937 random(20240611);
    int accepted = 0;
    for (int trial = 0; trial < 3000; ++trial) {
        std::vector<std::uint8_t> bytes = good;
        const int changes = 1 + static_cast<int>(random() % 8);
        for (int i = 0; i < changes; ++i) {
            bytes[random() % bytes.size()] = static_cast<std::uint8_t>(random());
        }
        if (random() % 4 == 0) {
            bytes.resize(random() % bytes.size());
        }
        Image image = before;
        if (image.LoadPngFromMemory(bytes.data(), bytes.size())) {
            // A change that libpng cannot see (an ancillary byte) still gives a whole picture.
            ++accepted;
            EXPECT_GT(image.Width(), 0);
            EXPECT_EQ(image.Stride() * static_cast<std::size_t>(image.Height()),
                      static_cast<std::size_t>(image.Width()) * image.Height() * 3);
        } else {
            ASSERT_EQ(image, before) << trial;
        }
    }
    EXPECT_LT(accepted, 3000);
}
