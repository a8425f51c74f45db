#include "app/GainBar.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace tickora;
using platform::kWhite;

namespace {
// Rows of the inside (column 1) in the fill colour.
int FilledRows(const platform::Image& image) {
    int rows = 0;
    for (int y = 0; y < image.Height(); ++y)
        rows += image.Pixel(1, y) == kGainFill;
    return rows;
}
} // namespace

TEST(GainBar, GainOneLeavesOneRowAndGain256FillsTheInside) {
    platform::Image image(12, 43);
    platform::Canvas canvas(image);
    DrawGainBar(canvas, 1.0);
    EXPECT_EQ(FilledRows(image), 1);
    EXPECT_EQ(image.Pixel(1, 41), kGainFill);
    EXPECT_EQ(image.Pixel(1, 40), kWhite);
    EXPECT_EQ(image.Pixel(1, 1), kWhite);

    DrawGainBar(canvas, 256.0);
    EXPECT_EQ(FilledRows(image), 41);
    EXPECT_EQ(image.Pixel(1, 1), kGainFill);
}

TEST(GainBar, FrameIsOnePixelAllRound) {
    platform::Image image(12, 43);
    platform::Canvas canvas(image);
    DrawGainBar(canvas, 16.0);
    for (int y = 0; y < 43; ++y) {
        EXPECT_EQ(image.Pixel(0, y), kGainFrame);
        EXPECT_EQ(image.Pixel(11, y), kGainFrame);
    }
    for (int x = 0; x < 12; ++x) {
        EXPECT_EQ(image.Pixel(x, 0), kGainFrame);
        EXPECT_EQ(image.Pixel(x, 42), kGainFrame);
    }
    // ln 16 / ln 256 = half the 40 inside rows, plus the one row of gain 1.
    EXPECT_EQ(FilledRows(image), 21);
}

TEST(GainBar, OneStepMovesTheBarByAboutOnePixel) {
    const double step = GainStepFor(43);
    EXPECT_NEAR(step, 1.148699355, 1e-9);
    // Forty steps from gain 1 reach 256.
    EXPECT_GE(std::pow(step, 40), 256.0);
    EXPECT_LT(std::pow(step, 39), 256.0);
}
