#include "app/plot/TracePlot.h"

#include <gtest/gtest.h>

#include <limits>
#include <memory>

namespace plot {
namespace {

using platform::Grey;
using platform::kBlack;
using platform::kWhite;
using platform::Rgb;
using platform::RgbOf;

constexpr int kW = 960;
constexpr int kH = 511;
constexpr int kMiddle = 255; // (511 - 1) / 2

class TracePlotTest : public testing::Test {
protected:
    TracePlotTest() : image(kW, kH, RgbOf(1, 2, 3)), canvas(image), trace(canvas) {
        trace.SetCommitPage([this] { ++commits; });
        trace.ClearPlot();
        trace.DrawReferenceLine(kMiddle);
    }

    // 1 beat/s and 1024 rows per second of error (Scale 0.512): offsets in exact binary.
    TraceInputs Inputs(bool pause = false) const { return {1.0, 0.512, 1.0, pause}; }

    // Draws a tick in trace column `column` (of the first screen) `rows` rows off centre.
    void TickAt(int column, double rows, bool complete = false, double span = 0) {
        trace.PlotTick(Inputs(), complete, span, column + rows / 1024.0);
    }

    platform::Image image;
    platform::Canvas canvas;
    TracePlot trace;
    int commits = 0;
};

TEST_F(TracePlotTest, ClearAndReferenceLine) {
    EXPECT_EQ(trace.TraceColumn(), 0);
    EXPECT_EQ(trace.MarkerColumn(), -1);
    EXPECT_EQ(trace.ReferenceRow(), kMiddle);
    EXPECT_EQ(trace.RawRow(), kMiddle);
    for (int x = 0; x < kW; ++x) {
        EXPECT_EQ(image.Pixel(x, kMiddle), x % 2 == 0 ? kReferenceGrey : kWhite) << x;
        EXPECT_EQ(image.Pixel(x, kMiddle - 1), kWhite);
    }
}

TEST_F(TracePlotTest, FirstDotOfEveryScreenLiesOnTheMiddleRow) {
    trace.PlotTick(Inputs(), false, 0, 1234.5678);
    EXPECT_DOUBLE_EQ(trace.TraceStartTime(), 1234.5678);
    EXPECT_EQ(trace.TraceRow(0), kMiddle);
    EXPECT_EQ(image.Pixel(0, kMiddle), kBlack);
    EXPECT_EQ(image.Pixel(1, kMiddle), kBlack);

    // A watch 30 ms per beat fast: the screen wanders and wraps, the next one starts centred.
    for (int c = 1; c < 480; ++c) {
        trace.PlotTick(Inputs(), false, 0, 1234.5678 + c * 0.97);
    }
    EXPECT_EQ(trace.TraceColumn(), 0);
    trace.PlotTick(Inputs(), false, 0, 1234.5678 + 480 * 0.97);
    EXPECT_EQ(trace.TraceRow(0), kMiddle);
    EXPECT_EQ(image.Pixel(0, kMiddle), kBlack);
}

TEST_F(TracePlotTest, OnTimeTickIsBlackWithGrey128AboveAndBelow) {
    TickAt(0, 0);
    TickAt(1, 0);
    EXPECT_EQ(trace.TraceRow(1), kMiddle);
    for (int x : {2, 3}) {
        EXPECT_EQ(image.Pixel(x, kMiddle), kBlack);
        EXPECT_EQ(image.Pixel(x, kMiddle - 1), Grey(128)); // 127.5 rounds to even
        EXPECT_EQ(image.Pixel(x, kMiddle + 1), Grey(128));
        EXPECT_EQ(image.Pixel(x, kMiddle - 2), kWhite);
        EXPECT_EQ(image.Pixel(x, kMiddle + 2), kWhite);
    }
}

TEST_F(TracePlotTest, LateTickGoesDownAndShadesTowardsItsCentre) {
    TickAt(0, 0);
    TickAt(1, 0.25); // centre at row 255.25
    EXPECT_EQ(trace.TraceRow(1), kMiddle);
    EXPECT_EQ(image.Pixel(2, kMiddle - 1), Grey(191)); // 0.75 x 255
    EXPECT_EQ(image.Pixel(2, kMiddle + 1), Grey(64));  // 0.25 x 255
    TickAt(2, 40.0);
    EXPECT_EQ(trace.TraceRow(2), kMiddle + 40);
    TickAt(3, -40.0);
    EXPECT_EQ(trace.TraceRow(3), kMiddle - 40);
    // The reference pixel under a dot that left the line is restored.
    EXPECT_EQ(image.Pixel(6, kMiddle), kReferenceGrey);
}

TEST_F(TracePlotTest, DotsLeavingThePlotWrapAround) {
    TickAt(0, 0);
    TickAt(1, -256.5);                 // row -1.5
    EXPECT_EQ(trace.TraceRow(1), 510); // 509.5 rounds to even
    EXPECT_EQ(image.Pixel(2, 510), kBlack);
    EXPECT_EQ(image.Pixel(2, 509), kBlack); // the centre lies half a row above
    TickAt(2, -256.0);                      // row -1: still inside, drawn at the top edge
    EXPECT_EQ(trace.TraceRow(2), -1);
    EXPECT_EQ(image.Pixel(4, 0), Grey(128));
    TickAt(3, 256.0); // row 511 = H: wraps to 0
    EXPECT_EQ(trace.TraceRow(3), 0);
    TickAt(4, 256.0 + 3 * 511); // several screens late
    EXPECT_EQ(trace.TraceRow(4), 0);
    TickAt(5, -256.5 - 3 * 511);
    EXPECT_EQ(trace.TraceRow(5), 510);
    TickAt(6, 255.75); // row 510.75 lies inside: no clamp, it rounds to 511 below the edge
    EXPECT_EQ(trace.TraceRow(6), 511);
    EXPECT_EQ(image.Pixel(12, 510), Grey(64));
    EXPECT_EQ(image.Pixel(13, 510), Grey(64));
}

TEST_F(TracePlotTest, NewScreenErasesTheOldDotsAhead) {
    for (int c = 0; c < 480; ++c) {
        TickAt(c, c == 0 ? 0 : 100); // old screen: dots 100 rows below the centre
    }
    ASSERT_EQ(trace.TraceColumn(), 0);
    ASSERT_EQ(image.Pixel(10, kMiddle + 100), kBlack);
    trace.PlotTick(Inputs(), false, 0, 1000.0); // new screen: columns 0 to 4 cleared
    for (int x = 2; x < 10; ++x) {
        EXPECT_EQ(image.Pixel(x, kMiddle + 100), kWhite) << x;
    }
    EXPECT_EQ(image.Pixel(10, kMiddle + 100), kBlack); // five ahead: not yet
    trace.PlotTick(Inputs(), false, 0, 1001.0);
    EXPECT_EQ(image.Pixel(10, kMiddle + 100), kWhite);
    EXPECT_EQ(image.Pixel(11, kMiddle + 101), kWhite);
    // Up to the last column of the screen.
    for (int c = 2; c < 475; ++c) {
        trace.PlotTick(Inputs(), false, 0, 1000.0 + c);
    }
    EXPECT_EQ(image.Pixel(958, kMiddle + 100), kBlack);
    trace.PlotTick(Inputs(), false, 0, 1475.0);
    EXPECT_EQ(image.Pixel(958, kMiddle + 100), kWhite);
    EXPECT_EQ(image.Pixel(959, kMiddle + 100), kWhite);
}

TEST_F(TracePlotTest, MillisecondScaleAtTheStartOfAScreen) {
    TickAt(0, 0); // Scale 0.512: 1.024 pixels per ms, marks every 5 ms
    EXPECT_EQ(image.Pixel(14, kMiddle + 5), kReferenceGrey); // 5 ms: length 14
    EXPECT_EQ(image.Pixel(14, kMiddle - 5), kReferenceGrey);
    EXPECT_EQ(image.Pixel(13, kMiddle + 5), kWhite); // dotted
    EXPECT_EQ(image.Pixel(16, kMiddle + 5), kWhite);
    EXPECT_EQ(image.Pixel(18, kMiddle + 10), kReferenceGrey); // 10 ms: length 18
}

TEST_F(TracePlotTest, MarkerStandsOnTheDotThatBeganTheWindow) {
    for (int c = 0; c < 20; ++c) {
        TickAt(c, 0);
    }
    TickAt(20, 0, true, 10.0); // a window of 10 beats began in column 10
    EXPECT_EQ(trace.MarkerColumn(), 21);
    for (int y = kMiddle + 3; y < kMiddle + 11; ++y) {
        EXPECT_EQ(image.Pixel(21, y), kReferenceGrey) << y; // below: 8 pixels out
    }
    for (int y = kMiddle - 10; y <= kMiddle - 3; ++y) {
        EXPECT_EQ(image.Pixel(21, y), kReferenceGrey) << y; // above: 8 pixels out
    }
    EXPECT_EQ(image.Pixel(21, kMiddle + 11), kWhite);
    EXPECT_EQ(image.Pixel(21, kMiddle - 11), kWhite);
    EXPECT_EQ(image.Pixel(21, kMiddle), kBlack); // the gap keeps the dot
    EXPECT_EQ(image.Pixel(21, kMiddle + 2), kWhite);

    // The next tick wipes it and draws the new one.
    TickAt(21, 0, true, 10.0);
    EXPECT_EQ(trace.MarkerColumn(), 23);
    EXPECT_EQ(image.Pixel(21, kMiddle + 5), kWhite);
    EXPECT_EQ(image.Pixel(23, kMiddle + 5), kReferenceGrey);
    // An incomplete result draws none and wipes the last.
    TickAt(22, 0);
    EXPECT_EQ(trace.MarkerColumn(), -1);
    EXPECT_EQ(image.Pixel(23, kMiddle + 5), kWhite);
}

TEST_F(TracePlotTest, MarkerJoinsADotOffTheLineToTheReferenceLine) {
    TickAt(0, 0);
    TickAt(1, 50);
    TickAt(2, 0, true, 1.0); // window began at column 1, dot at row 305
    EXPECT_EQ(trace.MarkerColumn(), 3);
    EXPECT_EQ(image.Pixel(3, 305 + 10), kReferenceGrey); // sticks out below
    EXPECT_EQ(image.Pixel(3, 305 + 11), kWhite);
    EXPECT_EQ(image.Pixel(3, 305 - 3), kReferenceGrey); // and reaches up to the line
    EXPECT_EQ(image.Pixel(3, kMiddle + 1), kReferenceGrey);
    EXPECT_EQ(image.Pixel(3, kMiddle), kWhite); // the line's end pixel is left out
    EXPECT_EQ(image.Pixel(3, kMiddle - 1), kWhite);
}

TEST_F(TracePlotTest, NoMarkerWhenTheWindowDoesNotFitTheScreen) {
    for (int c = 0; c < 10; ++c) {
        TickAt(c, 0);
    }
    TickAt(10, 0, true, 480.0); // (960 div 2) / 1 beat/s: one screen exactly
    EXPECT_EQ(trace.MarkerColumn(), -1);
    TickAt(11, 0, true, 479.9);
    EXPECT_NE(trace.MarkerColumn(), -1);
}

TEST_F(TracePlotTest, MarkerOfAWindowThatBeganOnThePreviousScreenWraps) {
    for (int c = 0; c < 5; ++c) {
        TickAt(c, 0);
    }
    TickAt(5, 0, true, 8.0); // m = 11 - 16 < 0: on the previous screen
    EXPECT_EQ(trace.MarkerColumn(), 11 - 16 + kW);
    trace.ClearPlot();
    TickAt(0, 0, true, 0.5); // m = 0, even: the last pair's right column, not column -1
    EXPECT_EQ(trace.MarkerColumn(), kW - 1);
    EXPECT_EQ(image.Pixel(kW - 1, 100), kReferenceGrey); // dot row 0, line down to the centre
}

TEST_F(TracePlotTest, FullScreenCommitsOnceWhenPauseWillCommitIt) {
    for (int c = 0; c < 479; ++c) {
        TickAt(c, 0);
    }
    EXPECT_EQ(commits, 0);
    trace.PlotTick(Inputs(true), true, 5.0, 479); // complete with Pause: the pause commits
    EXPECT_EQ(trace.TraceColumn(), 0);
    EXPECT_EQ(commits, 0);

    for (int c = 0; c < 480; ++c) {
        trace.PlotTick(Inputs(true), false, 1.0, 1000 + c); // Pause set, not complete
    }
    EXPECT_EQ(commits, 1);
    for (int c = 0; c < 480; ++c) {
        trace.PlotTick(Inputs(false), c == 479, 1.0, 2000 + c); // complete, Pause clear
    }
    EXPECT_EQ(commits, 2);
}

TEST_F(TracePlotTest, WithoutABeatRateNothingIsDrawn) {
    const platform::Image before = image;
    trace.PlotTick({0.0, 1.0, 1.0, false}, false, 0, 1.0);
    trace.PlotTick({std::numeric_limits<double>::quiet_NaN(), 1.0, 1.0, false}, false, 0, 1.0);
    trace.PlotTick(Inputs(), false, 0, std::numeric_limits<double>::infinity());
    EXPECT_EQ(trace.TraceColumn(), 0);
    EXPECT_TRUE(image == before);
}

TEST_F(TracePlotTest, SnapshotMakesAnImageOfThePlotSize) {
    TickAt(0, 0);
    std::unique_ptr<platform::Image> slot;
    trace.SnapshotPlot(slot, false);
    ASSERT_TRUE(slot);
    EXPECT_EQ(slot->Width(), kW);
    EXPECT_EQ(slot->Height(), kH);
    EXPECT_EQ(slot->Pixel(0, kMiddle), kWhite); // blank until copied
    trace.SnapshotPlot(slot, true);
    EXPECT_TRUE(*slot == image);

    auto wrongSize = std::make_unique<platform::Image>(100, 50, kBlack);
    trace.SnapshotPlot(wrongSize, true);
    EXPECT_TRUE(*wrongSize == image);

    platform::Image sameSize(kW, kH, kBlack);
    trace.SnapshotPlot(sameSize, false); // right size: kept as it is
    EXPECT_EQ(sameSize.Pixel(5, 5), kBlack);
}

} // namespace
} // namespace plot
