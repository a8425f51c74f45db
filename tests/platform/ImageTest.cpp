#include "platform/Image.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <unistd.h>

using platform::Image;
using platform::Rgb;
using platform::RgbOf;

namespace {

std::filesystem::path TempDir() {
    const auto dir = std::filesystem::temp_directory_path() /
                     ("tickora_image_test_" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    return dir;
}

Image Pattern(int width, int height) {
    Image image(width, height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            image.SetPixel(x, y, RgbOf(x * 7 % 256, y * 13 % 256, (x + y) * 3 % 256));
        }
    }
    return image;
}

std::vector<std::uint8_t> ReadBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteBytes(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

} // namespace

TEST(Image, PixelsOutsideAreIgnoredAndReadWhite) {
    Image image(4, 3, RgbOf(1, 2, 3));
    EXPECT_EQ(image.Pixel(0, 0), RgbOf(1, 2, 3));
    image.SetPixel(-1, 0, platform::kBlack);
    image.SetPixel(4, 0, platform::kBlack);
    image.SetPixel(0, 3, platform::kBlack);
    EXPECT_EQ(image, Image(4, 3, RgbOf(1, 2, 3)));
    EXPECT_EQ(image.Pixel(4, 0), platform::kWhite);
    EXPECT_EQ(image.Pixel(0, -1), platform::kWhite);
    image.SetPixel(3, 2, RgbOf(9, 8, 7));
    EXPECT_EQ(image.Pixel(3, 2), RgbOf(9, 8, 7));
    EXPECT_EQ(image.Row(2)[9], 9);

    image.Reset(2, 2, platform::kBlack);
    EXPECT_EQ(image.Width(), 2);
    EXPECT_EQ(image.Pixel(1, 1), platform::kBlack);
    image.Reset(-5, 3);
    EXPECT_TRUE(image.IsEmpty());
    EXPECT_EQ(image.Width(), 0);
    EXPECT_EQ(image.Height(), 0);
}

TEST(Image, PngRoundTripIsExact) {
    const auto dir = TempDir();
    const Image original = Pattern(37, 23);
    ASSERT_TRUE(original.SavePng((dir / "round.png").string()));
    Image loaded;
    ASSERT_TRUE(loaded.LoadPng((dir / "round.png").string()));
    EXPECT_EQ(loaded, original);
    // The picture alone: its temporary file went into its place.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir),
                            std::filesystem::directory_iterator()),
              1);

    // The file is an 8-bit RGB PNG: colour type 2, bit depth 8 in the header.
    const auto bytes = ReadBytes(dir / "round.png");
    ASSERT_GT(bytes.size(), 26u);
    EXPECT_EQ(bytes[24], 8);
    EXPECT_EQ(bytes[25], 2);

    std::vector<std::uint8_t> memory;
    ASSERT_TRUE(original.SavePngToMemory(memory));
    EXPECT_EQ(memory, bytes);
    std::filesystem::remove_all(dir);
}

TEST(Image, BadPngLeavesImageUnchanged) {
    const auto dir = TempDir();
    const Image original = Pattern(40, 30);
    std::vector<std::uint8_t> good;
    ASSERT_TRUE(original.SavePngToMemory(good));
    const Image before = Pattern(5, 6);

    Image image = before;
    EXPECT_FALSE(image.LoadPng((dir / "missing.png").string()));
    EXPECT_EQ(image, before);

    // Truncated at every length short of the whole file.
    for (std::size_t length = 0; length < good.size(); length += 7) {
        Image trial = before;
        EXPECT_FALSE(trial.LoadPngFromMemory(good.data(), length)) << length;
        EXPECT_EQ(trial, before);
    }
    // Not a PNG at all.
    const std::string text = "This is plainly a text file and no picture at all.";
    WriteBytes(dir / "text.png", std::vector<std::uint8_t>(text.begin(), text.end()));
    EXPECT_FALSE(image.LoadPng((dir / "text.png").string()));
    EXPECT_EQ(image, before);
    EXPECT_FALSE(image.LoadPngFromMemory(nullptr, 0));

    // Damaged image data: the compressed stream fails its checksum or inflates wrongly.
    std::vector<std::uint8_t> damaged = good;
    for (std::size_t i = 60; i < damaged.size() - 20; i += 3) {
        damaged[i] ^= 0x5a;
    }
    EXPECT_FALSE(image.LoadPngFromMemory(damaged.data(), damaged.size()));
    EXPECT_EQ(image, before);
    std::filesystem::remove_all(dir);
}

TEST(Image, AbsurdDimensionsAreRefused) {
    Image small = Pattern(2, 2);
    std::vector<std::uint8_t> bytes;
    ASSERT_TRUE(small.SavePngToMemory(bytes));
    // Patch the header to 100000 x 100000 pixels; the CRC is patched too so only the size
    // check can refuse it.
    auto put32 = [&](std::size_t at, std::uint32_t v) {
        bytes[at] = static_cast<std::uint8_t>(v >> 24);
        bytes[at + 1] = static_cast<std::uint8_t>(v >> 16);
        bytes[at + 2] = static_cast<std::uint8_t>(v >> 8);
        bytes[at + 3] = static_cast<std::uint8_t>(v);
    };
    put32(16, 100000);
    put32(20, 100000);
    std::uint32_t crc = 0xffffffffu;
    for (std::size_t i = 12; i < 29; ++i) {
        crc ^= bytes[i];
        for (int k = 0; k < 8; ++k) {
            crc = (crc >> 1) ^ (0xedb88320u & (0u - (crc & 1u)));
        }
    }
    put32(29, crc ^ 0xffffffffu);
    Image image = small;
    EXPECT_FALSE(image.LoadPngFromMemory(bytes.data(), bytes.size()));
    EXPECT_EQ(image, small);
}

TEST(Image, FailedSavesLoseNothing) {
    const auto dir = TempDir();
    const Image image = Pattern(3, 3);
    EXPECT_FALSE(image.SavePng("/nonexistent-folder-xyz/a.png"));
    EXPECT_FALSE(image.SaveJpeg("/nonexistent-folder-xyz/a.jpg"));
    EXPECT_FALSE(Image().SavePng((dir / "empty.png").string()));
    EXPECT_FALSE(std::filesystem::exists(dir / "empty.png"));

    // A folder in the file's place is neither read nor replaced.
    std::filesystem::create_directories(dir / "folder.png");
    Image loaded = image;
    EXPECT_FALSE(loaded.LoadPng((dir / "folder.png").string()));
    EXPECT_EQ(loaded, image);
    EXPECT_FALSE(image.SavePng((dir / "folder.png").string()));
    EXPECT_TRUE(std::filesystem::is_directory(dir / "folder.png"));

    // A read-only file keeps its content; a writable one keeps its permissions.
    const auto locked = dir / "locked.png";
    ASSERT_TRUE(Pattern(2, 2).SavePng(locked.string()));
    std::filesystem::permissions(locked, std::filesystem::perms::owner_read);
    if (::access(locked.c_str(), W_OK) != 0) { // root may write anyway
        EXPECT_FALSE(image.SavePng(locked.string()));
        ASSERT_TRUE(loaded.LoadPng(locked.string()));
        EXPECT_EQ(loaded, Pattern(2, 2));
    }
    const auto kept = dir / "kept.png";
    ASSERT_TRUE(Pattern(2, 2).SavePng(kept.string()));
    std::filesystem::permissions(kept, std::filesystem::perms::owner_read |
                                           std::filesystem::perms::owner_write);
    ASSERT_TRUE(image.SavePng(kept.string()));
    EXPECT_EQ(std::filesystem::status(kept).permissions(),
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);

    // Saving through a symbolic link replaces the file it points to, not the link.
    const auto link = dir / "link.png";
    std::filesystem::create_symlink(kept, link);
    ASSERT_TRUE(Pattern(4, 4).SavePng(link.string()));
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    ASSERT_TRUE(loaded.LoadPng(kept.string()));
    EXPECT_EQ(loaded, Pattern(4, 4));
    std::filesystem::remove_all(dir);
}

TEST(Image, JpegIsProgressiveAndSized) {
    const auto dir = TempDir();
    const Image image = Pattern(64, 48);
    ASSERT_TRUE(image.SaveJpeg((dir / "out.jpg").string()));
    const auto bytes = ReadBytes(dir / "out.jpg");
    ASSERT_GT(bytes.size(), 4u);
    EXPECT_EQ(bytes[0], 0xff);
    EXPECT_EQ(bytes[1], 0xd8);
    EXPECT_EQ(bytes[bytes.size() - 2], 0xff);
    EXPECT_EQ(bytes[bytes.size() - 1], 0xd9);
    // A progressive frame header (SOF2) carries the height and width.
    bool found = false;
    for (std::size_t i = 0; i + 9 < bytes.size(); ++i) {
        if (bytes[i] == 0xff && bytes[i + 1] == 0xc2) {
            EXPECT_EQ(bytes[i + 5] * 256 + bytes[i + 6], 48);
            EXPECT_EQ(bytes[i + 7] * 256 + bytes[i + 8], 64);
            found = true;
            break;
        }
    }
    EXPECT_TRUE(found);
    std::filesystem::remove_all(dir);
}
