#include "app/plot/TracePlot.h"

#include <gtest/gtest.h>

#include <limits>

namespace plot {
namespace {

using platform::kBlack;
using platform::kWhite;
using platform::RgbOf;

constexpr int kW = 960;
constexpr int kH = 511;
constexpr int kMiddle = 255;

class PlotViewTest : public testing::Test {
protected:
    PlotViewTest() : image(kW, kH), canvas(image), trace(canvas) {
        trace.SetCommitPage([this] { ++commits; });
        trace.ClearPlot();
    }

    // One scope sample in screen column `column` at one sweep per second.
    void ScopeAt(int column, double level, double gain = 2.0) {
        trace.PlotScopeSample(gain, (column + 0.5) / kW, level);
    }

    platform::Image image;
    platform::Canvas canvas;
    TracePlot trace;
    int commits = 0;
};

TEST_F(PlotViewTest, RawRasterStartsAtTheCentreAndRedsWithLoudness) {
    trace.DrawReferenceLine(kMiddle);
    const TraceInputs inputs{1.0, 1.0, 1.0, false};
    trace.PlotRawRow(inputs, false, 2.0); // twice the calibration peak
    EXPECT_EQ(image.Pixel(1, kMiddle), RgbOf(255, 0, 0));
    EXPECT_EQ(image.Pixel(0, kMiddle), kReferenceGrey); // the line stays visible
    trace.PlotRawRow(inputs, false, 0.5);               // 0.354 x 255 = 90
    EXPECT_EQ(image.Pixel(0, kMiddle + 1), RgbOf(255, 165, 165));
    trace.PlotRawRow(inputs, false, 1.0);
    EXPECT_EQ(image.Pixel(0, kMiddle + 2), RgbOf(255, 0, 0));
    trace.PlotRawRow(inputs, false, -0.3);
    trace.PlotRawRow(inputs, false, std::numeric_limits<double>::quiet_NaN());
    EXPECT_EQ(image.Pixel(0, kMiddle + 3), kWhite);
    EXPECT_EQ(image.Pixel(0, kMiddle + 4), kWhite);
    EXPECT_EQ(trace.RawRow(), kMiddle + 5);
}

TEST_F(PlotViewTest, RawColumnEndsAtTheBottomAndTheNextStartsAtTheTop) {
    trace.DrawReferenceLine(kMiddle);
    const TraceInputs inputs{1.0, 1.0, 1.0, false};
    for (int row = kMiddle; row < kH; ++row) {
        trace.PlotRawRow(inputs, false, 1.0);
    }
    EXPECT_EQ(trace.TraceColumn(), 1);
    EXPECT_EQ(trace.RawRow(), 0);
    // The first columns get the scale back on top, in black: 0.511 pixels per ms, so
    // marks every 10 ms.
    EXPECT_EQ(image.Pixel(0, 260), kBlack);
    EXPECT_EQ(image.Pixel(1, 260), RgbOf(255, 0, 0));
    EXPECT_EQ(image.Pixel(0, 259), RgbOf(255, 0, 0));
    trace.PlotRawRow(inputs, false, 1.0);
    EXPECT_EQ(image.Pixel(2, 0), RgbOf(255, 0, 0));
}

TEST_F(PlotViewTest, FullRawScreenCommitsUnlessThePauseWill) {
    trace.DrawReferenceLine(0);
    const TraceInputs pausing{1.0, 1.0, 1.0, true};
    for (int i = 0; i < 480 * kH; ++i) {
        trace.PlotRawRow(pausing, true, 0.1);
    }
    EXPECT_EQ(trace.TraceColumn(), 0);
    EXPECT_EQ(commits, 0);
    for (int i = 0; i < 480 * kH; ++i) {
        trace.PlotRawRow(pausing, false, 0.1);
    }
    EXPECT_EQ(commits, 1);
}

TEST_F(PlotViewTest, LevelAboveOneOverGainFillsTheScopeColumn) {
    trace.DrawThresholdLine(0.25, 2.0);
    ASSERT_EQ(trace.ReferenceRow(), kMiddle); // trunc(0.5 x 511)
    trace.StartScopeSweep(1.0);
    EXPECT_EQ(trace.ScopeColumnTop(), kH);
    ScopeAt(10, 0.0);
    EXPECT_EQ(trace.ScopeColumn(), 10);
    ScopeAt(10, 0.6); // 1.2 times full scale at gain 2
    ScopeAt(11, 0.1);
    EXPECT_EQ(image.Pixel(10, 0), kScopeTip);
    EXPECT_EQ(image.Pixel(10, 1), kScopeTip);
    for (int y = 2; y < kH; ++y) {
        EXPECT_EQ(image.Pixel(10, y), y == kMiddle ? kReferenceGrey : kScopeBar) << y;
    }
}

TEST_F(PlotViewTest, ScopeBarRunsFromThePeakDownAndTheSweepClearsAhead) {
    trace.DrawThresholdLine(0.25, 2.0);
    trace.StartScopeSweep(1.0);
    for (int y = 0; y < kH; ++y) {
        image.SetPixel(11, y, kBlack); // an old sweep
        image.SetPixel(12, y, kBlack);
    }
    ScopeAt(11, 0.05); // row trunc(0.9 x 511) = 459
    ScopeAt(11, 0.1);  // row 408: the peak of the column
    ScopeAt(11, 0.02);
    EXPECT_EQ(trace.ScopeColumnTop(), 408);
    for (int y = 0; y < kH; ++y) {
        EXPECT_EQ(image.Pixel(11, y), kWhite) << y; // cleared when the sweep arrived
    }
    EXPECT_EQ(image.Pixel(12, 100), kBlack);
    ScopeAt(12, 0.0);
    for (int y = 0; y < 408; ++y) {
        EXPECT_EQ(image.Pixel(11, y), kWhite) << y; // odd column: no threshold pixel
    }
    EXPECT_EQ(image.Pixel(11, 408), kScopeTip);
    EXPECT_EQ(image.Pixel(11, 409), kScopeTip);
    EXPECT_EQ(image.Pixel(11, 410), kScopeBar);
    EXPECT_EQ(image.Pixel(11, kH - 1), kScopeBar);
    EXPECT_EQ(image.Pixel(12, 100), kWhite);
    EXPECT_EQ(trace.ScopeColumn(), 12);
    EXPECT_EQ(trace.ScopeColumnTop(), kH); // level 0 lies on the bottom edge
}

TEST_F(PlotViewTest, MovedThresholdIsRedrawnByTheSweep) {
    trace.DrawThresholdLine(0.25, 2.0);
    trace.StartScopeSweep(1.0);
    trace.SetThresholdRow(0.4, 2.0); // trunc(0.2 x 511)
    EXPECT_EQ(trace.ReferenceRow(), 102);
    EXPECT_EQ(image.Pixel(20, 102), kWhite); // nothing drawn yet
    ScopeAt(20, 0.0);
    ScopeAt(21, 0.0);
    EXPECT_EQ(image.Pixel(20, 102), kReferenceGrey);
    EXPECT_EQ(image.Pixel(20, kMiddle), kWhite); // the old line goes with the sweep
}

TEST_F(PlotViewTest, SweepFollowsTheSweepRate) {
    trace.StartScopeSweep(4.0); // a quarter second per screen
    trace.PlotScopeSample(1.0, 0.125, 0.0);
    EXPECT_EQ(trace.ScopeColumn(), kW / 2);
    trace.PlotScopeSample(1.0, 10.0, 0.0); // whole sweeps fall away
    EXPECT_EQ(trace.ScopeColumn(), 0);
}

} // namespace
} // namespace plot
