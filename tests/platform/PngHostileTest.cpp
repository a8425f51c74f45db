// Damaged and hostile PNG files found by fuzzing: a few bytes that claim gigabytes must be
// refused without allocating them, while valid pictures with large side chunks or extreme
// compression still load.
#include "platform/Image.h"

#include <png.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

// Records the largest single malloc request while counting: libpng and the standard library
// both allocate through malloc. Left out under AddressSanitizer, which owns malloc.
#if defined(__SANITIZE_ADDRESS__)
#define TICKORA_COUNT_MALLOC 0
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define TICKORA_COUNT_MALLOC 0
#endif
#endif
#ifndef TICKORA_COUNT_MALLOC
#define TICKORA_COUNT_MALLOC 1
#endif

namespace {
std::atomic<bool> counting{false};
std::atomic<std::size_t> largestRequest{0};
} // namespace

#if TICKORA_COUNT_MALLOC
extern "C" void* __libc_malloc(std::size_t size);
extern "C" void* malloc(std::size_t size) noexcept {
    if (counting.load(std::memory_order_relaxed)) {
        std::size_t seen = largestRequest.load(std::memory_order_relaxed);
        while (size > seen && !largestRequest.compare_exchange_weak(seen, size)) {
        }
    }
    return __libc_malloc(size);
}
#endif

namespace {

using platform::Image;
using platform::RgbOf;

constexpr std::size_t kSmallAllocation = 1 << 20; // bytes; a few rows of a page picture

std::vector<std::uint8_t> Fixture(const std::string& name) {
    const char* source = std::getenv("TICKORA_SOURCE_DIR");
    EXPECT_NE(source, nullptr);
    std::ifstream in(std::filesystem::path(source ? source : ".") / "tests" / "platform" /
                         "fixtures" / name,
                     std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Loads bytes into a 2 x 1 black image; false when the load fails, and then the image must
// be untouched. `largest` is the largest allocation made meanwhile (0 when not counted).
bool Load(const std::vector<std::uint8_t>& bytes, Image& image, std::size_t& largest) {
    image = Image(2, 1, platform::kBlack);
    largestRequest = 0;
    counting = true;
    const bool loaded = image.LoadPngFromMemory(bytes.data(), bytes.size());
    counting = false;
    largest = largestRequest;
    if (!loaded) {
        EXPECT_TRUE(image == Image(2, 1, platform::kBlack));
    }
    return loaded;
}

void Append(png_structp png, png_bytep data, png_size_t length) {
    auto* out = static_cast<std::vector<std::uint8_t>*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + length);
}
void NoFlush(png_structp) {}

// A picture of width x height: grey rows of one bit per pixel, all black, or 8-bit RGB in a
// colour; with a compressed text chunk of textBytes and a gamma chunk when asked.
std::vector<std::uint8_t> Encode(int width, int height, bool oneBit, std::size_t textBytes) {
    std::vector<std::uint8_t> out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    const std::string text(textBytes, 'x');
    const std::size_t rowBytes = oneBit ? (width + 7) / 8 : static_cast<std::size_t>(width) * 3;
    std::vector<std::uint8_t> row(rowBytes, 0);
    for (std::size_t i = 0; !oneBit && i < rowBytes; i += 3) {
        row[i] = 10;
        row[i + 1] = 200;
        row[i + 2] = 30;
    }
    if (setjmp(png_jmpbuf(png)) != 0) {
        png_destroy_write_struct(&png, &info);
        ADD_FAILURE() << "test picture could not be written";
        return {};
    }
    png_set_write_fn(png, &out, Append, NoFlush);
    png_set_compression_level(png, 9);
    png_set_IHDR(png, info, width, height, oneBit ? 1 : 8,
                 oneBit ? PNG_COLOR_TYPE_GRAY : PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_text chunk{};
    if (textBytes > 0) {
        chunk.compression = PNG_TEXT_COMPRESSION_zTXt;
        chunk.key = const_cast<char*>("Comment");
        chunk.text = const_cast<char*>(text.c_str());
        chunk.text_length = text.size();
        png_set_text(png, info, &chunk, 1);
        png_set_gAMA(png, info, 1.0 / 1.8);
    }
    png_write_info(png, info);
    for (int y = 0; y < height; ++y) {
        png_write_row(png, row.data());
    }
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return out;
}

TEST(HostilePng, AChunkClaimingGigabytesIsSkippedUnread) {
    // 41 bytes: a 9 x 9 header, then a text chunk that claims 1.95 GB and is not there.
    const auto bytes = Fixture("text-chunk-claims-2gb.png");
    ASSERT_EQ(bytes.size(), 41u);
    Image image;
    std::size_t largest = 0;
    EXPECT_FALSE(Load(bytes, image, largest));
    EXPECT_LT(largest, kSmallAllocation);
}

TEST(HostilePng, AHeaderClaimingAHugePictureIsRefusedBeforeItsPixelsAreAllocated) {
    // 69 bytes claiming 16384 x 8192 pixels with alpha: 512 MB once decoded.
    const auto bytes = Fixture("header-claims-512mb.png");
    ASSERT_LT(bytes.size(), 100u);
    Image image;
    std::size_t largest = 0;
    EXPECT_FALSE(Load(bytes, image, largest));
    EXPECT_LT(largest, kSmallAllocation);
    // Every shorter piece of it fails as cheaply.
    for (std::size_t size = 8; size < bytes.size(); ++size) {
        const std::vector<std::uint8_t> cut(bytes.begin(), bytes.begin() + size);
        EXPECT_FALSE(Load(cut, image, largest)) << size;
        EXPECT_LT(largest, kSmallAllocation) << size;
    }
}

TEST(HostilePng, ValidPicturesWithSideChunksOrExtremeCompressionStillLoad) {
    // A large compressed comment and a gamma chunk: skipped, the pixels come through as
    // stored (no gamma is applied).
    const auto commented = Encode(5, 3, false, 200000);
    Image image;
    std::size_t largest = 0;
    ASSERT_TRUE(Load(commented, image, largest));
    EXPECT_EQ(image.Width(), 5);
    EXPECT_EQ(image.Height(), 3);
    EXPECT_EQ(image.Pixel(4, 2), RgbOf(10, 200, 30));
    if (TICKORA_COUNT_MALLOC) {
        EXPECT_LT(largest, 200000u); // the comment was never held in memory
    }

    // 3000 x 3000 pixels of one bit, all black: about a thousand times smaller than its
    // pixel data, which is as far as deflate goes.
    const auto dense = Encode(3000, 3000, true, 0);
    ASSERT_LT(dense.size() * 900, 3000u * 3000 / 8);
    ASSERT_TRUE(Load(dense, image, largest));
    EXPECT_EQ(image.Width(), 3000);
    EXPECT_EQ(image.Height(), 3000);
    EXPECT_EQ(image.Pixel(2999, 2999), platform::kBlack);
}

} // namespace
