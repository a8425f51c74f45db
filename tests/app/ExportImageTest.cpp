#include "app/ExportImage.h"

#include "platform/testing/TestApplication.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

using namespace tickora;
using platform::kBlack;
using platform::kWhite;

namespace {

constexpr platform::Rgb kMark = platform::RgbOf(10, 200, 30);

ExportContent Content(const platform::Image& plot) {
    ExportContent c;
    c.plot = &plot;
    c.topPanelHeight = 55;
    c.title = "Tickora 1.4";
    c.captionFont = CaptionFont("Arial", 96);
    return c;
}

std::string FileStart(const std::string& path, std::size_t n) {
    std::ifstream in(path, std::ios::binary);
    std::string bytes(n, '\0');
    in.read(bytes.data(), static_cast<std::streamsize>(n));
    return bytes.substr(0, static_cast<std::size_t>(in.gcount()));
}

class ExportImageTest : public ::testing::Test {
protected:
    void SetUp() override { platform::testing::EnsureTestApplication(); }
};

} // namespace

TEST(ExportImageNames, JpegByUpperCasedEnding) {
    EXPECT_TRUE(IsJpegFileName("trace.jpeg"));
    EXPECT_TRUE(IsJpegFileName("TRACE.JPG"));
    EXPECT_TRUE(IsJpegFileName("/tmp/shots.jpg/watch.Jpg"));
    EXPECT_FALSE(IsJpegFileName("trace.jpg.png"));
    EXPECT_FALSE(IsJpegFileName("trace.bmp"));
    EXPECT_FALSE(IsJpegFileName("/tmp/old.jpg/trace.png"));
    EXPECT_FALSE(IsJpegFileName("jpg"));
}

TEST_F(ExportImageTest, BorderIsOneBlackPixelAroundWhite) {
    platform::Image image(7, 5, kMark);
    platform::Canvas canvas(image);
    DrawImageBorder(canvas);
    for (int y = 0; y < 5; ++y) {
        for (int x = 0; x < 7; ++x) {
            const bool edge = x == 0 || y == 0 || x == 6 || y == 4;
            EXPECT_EQ(image.Pixel(x, y), edge ? kBlack : kWhite) << x << "," << y;
        }
    }
}

TEST_F(ExportImageTest, ScopePictureIsTheFramedPlotWithTextBelow) {
    platform::Image plot(40, 30, kWhite);
    plot.SetPixel(0, 0, kMark);
    plot.SetPixel(39, 29, kMark);
    ExportContent content = Content(plot);
    content.scopeShownLast = true;
    content.caption = "Scope Mode";
    content.labels.push_back({"DAILY RATE", {}, 0, 5, 40}); // left out in a scope picture

    platform::Image bitmap;
    RenderExportImage(bitmap, content);
    platform::Image probe(1, 1);
    platform::Canvas measure(probe);
    measure.SetFont(content.captionFont);
    const int t = measure.TextHeight("Hamburgefont");
    EXPECT_EQ(bitmap.Width(), 42);
    EXPECT_EQ(bitmap.Height(), t + 30 + 6);
    EXPECT_EQ(bitmap.Pixel(0, 0), kBlack);
    EXPECT_EQ(bitmap.Pixel(1, 1), kMark);
    EXPECT_EQ(bitmap.Pixel(40, 30), kMark);
    EXPECT_EQ(bitmap.Pixel(41, 31), kBlack);
}

TEST_F(ExportImageTest, TestPictureHasStripAbovePageImage) {
    platform::Image plot(200, 60, kWhite);
    platform::Image page(200, 60, kWhite);
    page.SetPixel(0, 0, kMark);
    page.SetPixel(199, 59, kMark);
    ExportContent content = Content(plot);
    content.pageImage = &page;
    content.caption = "Page 1/1 - 2024-03-15 12:00";
    platform::Font labelFont;
    labelFont.colour = platform::RgbOf(204, 0, 0);
    content.labels.push_back({"+1.5s/d", labelFont, 20, 10, 100});

    platform::Image bitmap;
    RenderExportImage(bitmap, content);
    EXPECT_EQ(bitmap.Width(), 202);
    EXPECT_GT(bitmap.Height(), 55 + 60 + 6);
    EXPECT_EQ(bitmap.Pixel(1, 56), kMark);
    EXPECT_EQ(bitmap.Pixel(200, 115), kMark);
    // The label's text lies in the strip, inside its column, in its colour family.
    int red = 0;
    int outside = 0;
    for (int y = 1; y < 55; ++y) {
        for (int x = 1; x < 201; ++x) {
            const platform::Rgb p = bitmap.Pixel(x, y);
            if (p == kWhite)
                continue;
            if (x >= 20 && x < 120 && p.r > p.g)
                ++red;
            else
                ++outside;
        }
    }
    EXPECT_GT(red, 20);
    EXPECT_EQ(outside, 0);
}

TEST_F(ExportImageTest, MissingPageImageLeavesThePlotAreaWhite) {
    platform::Image plot(50, 20, kMark); // the live plot is not what a page shows
    ExportContent content = Content(plot);
    content.caption = "Page 0/0";
    platform::Image bitmap;
    RenderExportImage(bitmap, content);
    for (int y = 56; y < 76; ++y)
        for (int x = 1; x < 51; ++x)
            ASSERT_EQ(bitmap.Pixel(x, y), kWhite);
}

TEST_F(ExportImageTest, SavesPngOrJpegByName) {
    platform::Image bitmap(30, 20, kMark);
    const auto dir = std::filesystem::temp_directory_path() / "tickora-export-test";
    std::filesystem::create_directories(dir);
    const std::string png = (dir / "trace.jpg.png").string();
    const std::string jpeg = (dir / "TRACE.JPEG").string();
    ASSERT_TRUE(SaveExportImage(bitmap, png));
    ASSERT_TRUE(SaveExportImage(bitmap, jpeg));
    EXPECT_EQ(FileStart(png, 4), "\x89PNG");
    EXPECT_EQ(FileStart(jpeg, 2), "\xFF\xD8");
    EXPECT_FALSE(SaveExportImage(bitmap, (dir / "missing" / "x.png").string()));
    std::filesystem::remove_all(dir);
}
