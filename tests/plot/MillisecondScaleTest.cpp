#include "app/plot/TracePlot.h"

#include <gtest/gtest.h>

#include <limits>

namespace plot {
namespace {

using platform::kBlack;
using platform::kWhite;

constexpr int kW = 960;
constexpr int kH = 511;
constexpr int kMiddle = 255;

class MillisecondScaleTest : public testing::Test {
protected:
    MillisecondScaleTest() : image(kW, kH), canvas(image), trace(canvas) {
        trace.ClearPlot();
        trace.DrawReferenceLine(kMiddle);
    }

    // Length of the dotted mark on a row: the largest x set, -1 when none.
    int MarkLength(int row) const {
        int length = -1;
        for (int x = 0; x < 40; ++x) {
            if (image.Pixel(x, row) == kBlack) {
                EXPECT_EQ(x % 2, 0) << "dotted marks sit on even columns, row " << row;
                length = x;
            }
        }
        return length;
    }

    platform::Image image;
    platform::Canvas canvas;
    TracePlot trace;
};

TEST_F(MillisecondScaleTest, TwoPixelsPerMillisecondMarksEveryTwo) {
    trace.DrawMillisecondScale(kBlack, 2.0); // Scale 1
    EXPECT_EQ(MarkLength(kMiddle + 4), 10);  // 2 ms
    EXPECT_EQ(MarkLength(kMiddle - 4), 10);
    EXPECT_EQ(MarkLength(kMiddle + 2), -1);
    EXPECT_EQ(MarkLength(kMiddle + 8), 10);
    EXPECT_EQ(MarkLength(kMiddle + 20), 18); // 10 ms
    EXPECT_EQ(MarkLength(kMiddle - 20), 18);
    // Marks go on until the row above would leave the plot.
    EXPECT_EQ(MarkLength(kMiddle + 252), 10); // 126 ms, row 507
    EXPECT_EQ(MarkLength(3), 10);
    EXPECT_EQ(MarkLength(kMiddle + 254), -1);
    EXPECT_EQ(MarkLength(1), -1);
}

TEST_F(MillisecondScaleTest, StepGrowsOneTwoFive) {
    trace.DrawMillisecondScale(kBlack, 1.5); // 1 and 2 ms too close: every 5 ms
    EXPECT_EQ(MarkLength(262), 14);          // 7.5 - 0.001 rounds down
    EXPECT_EQ(MarkLength(248), 14);          // and up above the line
    EXPECT_EQ(MarkLength(270), 18);
    EXPECT_EQ(MarkLength(240), 18);
    EXPECT_EQ(MarkLength(277), 14);
    EXPECT_EQ(MarkLength(233), 14);
    EXPECT_EQ(MarkLength(263), -1);
}

TEST_F(MillisecondScaleTest, CoarseScalesMarkTensAndFifties) {
    trace.DrawMillisecondScale(kBlack, 0.5); // every 10 ms
    EXPECT_EQ(MarkLength(kMiddle + 5), 18);
    EXPECT_EQ(MarkLength(kMiddle + 10), 18);
    EXPECT_EQ(MarkLength(kMiddle + 3), -1);
    trace.ClearPlot();
    trace.DrawMillisecondScale(kBlack, 0.1); // 20 ms is 2 pixels: every 50 ms
    EXPECT_EQ(MarkLength(kMiddle + 5), 18);
    EXPECT_EQ(MarkLength(kMiddle + 2), -1);
}

TEST_F(MillisecondScaleTest, StopsAtTheFirstEdgeReached) {
    trace.DrawReferenceLine(20);
    trace.DrawMillisecondScale(kBlack, 2.0);
    EXPECT_EQ(MarkLength(0), 18);  // 10 ms above
    EXPECT_EQ(MarkLength(40), 18); // 10 ms below
    EXPECT_EQ(MarkLength(44), -1); // the mark above would leave the plot
}

TEST_F(MillisecondScaleTest, ScalesThatAreNotPositiveDrawNothing) {
    const platform::Image before = image;
    for (double p : {0.0, -2.0, std::numeric_limits<double>::quiet_NaN(),
                     std::numeric_limits<double>::infinity(), 1e-300, 1e12}) {
        trace.DrawMillisecondScale(kBlack, p); // returns rather than searching forever
        EXPECT_TRUE(image == before) << p;
    }
    // The raw raster's scale with no beat rate yet: H x 0 x 0.001 pixels per ms.
    const TraceInputs noRate{0.0, 1.0, 1.0, false};
    for (int i = kMiddle; i < kH; ++i) {
        trace.PlotRawRow(noRate, false, 0.0);
    }
    EXPECT_EQ(trace.TraceColumn(), 1);
    for (int y = 0; y < kH; ++y) {
        for (int x = 0; x <= 18; ++x) {
            ASSERT_NE(image.Pixel(x, y), kBlack) << x << ", " << y;
        }
    }
}

} // namespace
} // namespace plot
