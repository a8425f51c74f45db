// Images handed to Qt and back, and the JPEG export read by another decoder.
#include "platform/QtImage.h"
#include "platform/testing/TestApplication.h"

#include <QImage>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

using platform::Image;
using platform::kWhite;
using platform::RgbOf;

TEST(QtImage, ConversionsKeepEveryPixel) {
    platform::testing::EnsureTestApplication();
    Image image(5, 3);
    for (int y = 0; y < 3; ++y) {
        for (int x = 0; x < 5; ++x) {
            image.SetPixel(x, y, RgbOf(x * 50, y * 80, 3));
        }
    }
    const QImage qimage = platform::ToQImage(image);
    ASSERT_EQ(qimage.width(), 5);
    EXPECT_EQ(qimage.pixel(4, 2), qRgb(200, 160, 3));
    EXPECT_EQ(platform::FromQImage(qimage), image);
    EXPECT_TRUE(platform::ToQImage(Image()).isNull());
    EXPECT_TRUE(platform::FromQImage(QImage()).IsEmpty());

    QImage transparent(2, 1, QImage::Format_ARGB32);
    transparent.fill(Qt::transparent);
    transparent.setPixel(1, 0, qRgba(0, 0, 0, 255));
    const Image flattened = platform::FromQImage(transparent);
    EXPECT_EQ(flattened.Pixel(0, 0), kWhite);
    EXPECT_EQ(flattened.Pixel(1, 0), platform::kBlack);
}

TEST(QtImage, JpegExportReadsBackCloseToTheOriginal) {
    platform::testing::EnsureTestApplication();
    // Flat areas and a thin line, as the plot pictures have them.
    Image image(96, 64, kWhite);
    for (int y = 0; y < 32; ++y) {
        for (int x = 0; x < 48; ++x) {
            image.SetPixel(x, y, RgbOf(204, 0, 0));
        }
    }
    for (int x = 0; x < 96; ++x) {
        image.SetPixel(x, 50, platform::kBlack);
    }
    const auto path = std::filesystem::temp_directory_path() /
                      ("tickora_jpeg_" + std::to_string(::getpid()) + ".jpg");
    ASSERT_TRUE(image.SaveJpeg(path.string()));
    QImage read(QString::fromStdString(path.string()));
    std::filesystem::remove(path);
    ASSERT_FALSE(read.isNull());
    ASSERT_EQ(read.width(), 96);
    ASSERT_EQ(read.height(), 64);
    long long error = 0;
    for (int y = 0; y < 64; ++y) {
        for (int x = 0; x < 96; ++x) {
            const QRgb got = read.pixel(x, y);
            const auto want = image.Pixel(x, y);
            error += std::abs(qRed(got) - want.r) + std::abs(qGreen(got) - want.g) +
                     std::abs(qBlue(got) - want.b);
        }
    }
    // Quality 90: well under 3 levels a channel on average.
    EXPECT_LT(static_cast<double>(error) / (96 * 64 * 3), 3.0);
    const QRgb red = read.pixel(10, 10);
    EXPECT_NEAR(qRed(red), 204, 6);
    EXPECT_NEAR(qGreen(red), 0, 6);
    EXPECT_LT(qGray(read.pixel(70, 50)), 60);
}
