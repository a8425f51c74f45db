#include "app/plot/LongTermChart.h"

#include "longterm/LongTerm.h"
#include "platform/testing/TestApplication.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace plot {
namespace {

using longterm::LongTermPoint;
using longterm::Series;
using platform::kWhite;
using platform::Rgb;
using platform::RgbOf;

constexpr int kW = 960;
constexpr int kH = 511;

LongTermChart::Statistics StatisticsOf(const std::vector<LongTermPoint>& points) {
    LongTermChart::Statistics statistics;
    for (int s = 0; s < longterm::kSeriesCount; ++s) {
        statistics[static_cast<std::size_t>(s)] =
            longterm::ComputeSeriesStatistics(points, static_cast<Series>(s));
    }
    return statistics;
}

// n points, one per 30 s, with a small regular ripple so every series has spread.
std::vector<LongTermPoint> SteadyPoints(int n) {
    std::vector<LongTermPoint> points;
    for (int k = 1; k <= n; ++k) {
        const double ripple = (k % 7 - 3) / 3.0; // -1 .. 1
        points.push_back(
            {k * 30.0 + 0.5, 2.0 + 0.3 * ripple, 280 + 2 * ripple, 0.3 + 0.02 * ripple});
    }
    return points;
}

class LongTermChartTest : public testing::Test {
protected:
    LongTermChartTest() : image(kW, kH, RgbOf(1, 2, 3)), canvas(image), chart(canvas) {
        platform::testing::EnsureTestApplication();
    }

    void Draw(const std::vector<LongTermPoint>& points) {
        chart.DrawLongTermChart(points, 30.0, StatisticsOf(points));
    }

    // Rows of the pixels of exactly this colour in a column.
    std::vector<int> RowsOf(int x, Rgb colour) const {
        std::vector<int> rows;
        for (int y = 0; y < kH; ++y) {
            if (image.Pixel(x, y) == colour) {
                rows.push_back(y);
            }
        }
        return rows;
    }

    platform::Image image;
    platform::Canvas canvas;
    LongTermChart chart;
};

TEST(BandTint, IsTheColourWashedTowardsWhite) {
    EXPECT_EQ(BandTint(kRateColour), RgbOf(247, 235, 243));
    EXPECT_EQ(BandTint(kAmplitudeColour), RgbOf(239, 239, 251));
    EXPECT_EQ(BandTint(kBeatErrorColour), RgbOf(235, 244, 235));
}

TEST_F(LongTermChartTest, OnePointShowsMeanPlusMinusPadAndHalfAnHour) {
    const std::vector<LongTermPoint> points = {{30.5, 5.0, 280.0, 0.05}};
    Draw(points);

    const auto& rate = chart.Panel(Series::DailyRate);
    EXPECT_DOUBLE_EQ(rate.range.lo, 4.9);
    EXPECT_DOUBLE_EQ(rate.range.hi, 5.1);
    EXPECT_DOUBLE_EQ(rate.axis.step, 0.05);
    const auto& amplitude = chart.Panel(Series::Amplitude);
    EXPECT_DOUBLE_EQ(amplitude.axis.axisLo, 279);
    EXPECT_DOUBLE_EQ(amplitude.axis.axisHi, 281);
    const auto& beatError = chart.Panel(Series::BeatError);
    EXPECT_DOUBLE_EQ(beatError.range.lo, 0); // 0.05 - 0.1 stops at 0
    EXPECT_DOUBLE_EQ(beatError.axis.axisLo, 0);
    EXPECT_EQ(rate.top, 0);
    EXPECT_EQ(rate.bottom, 170);
    EXPECT_EQ(amplitude.top, 170);
    EXPECT_EQ(amplitude.bottom, 341);
    EXPECT_EQ(beatError.top, 341);
    EXPECT_EQ(beatError.bottom, kH - 1);
    EXPECT_DOUBLE_EQ(chart.TimeAxis().step, 1.0 / 12);
    EXPECT_DOUBLE_EQ(chart.TimeAxis().axisHi, 0.5);

    const int x0 = chart.LeftMargin();
    ASSERT_GT(x0, 20);
    ASSERT_LT(x0, 100);
    // The value axis line and the panel separators.
    EXPECT_EQ(image.Pixel(x0 - 1, 100), kChartAxis);
    EXPECT_EQ(image.Pixel(x0 - 1, kH - 1), kChartAxis);
    EXPECT_EQ(image.Pixel(5, 170), kChartAxis);
    EXPECT_EQ(image.Pixel(kW - 1, 341), kChartAxis);

    // The dotted mean line with white gaps (no band with one point), ending in its colour;
    // the only line in the panel.
    const int meanRow = 85; // 5.0 in the middle of 4.9 .. 5.1
    for (int x = x0; x < kW - 1; ++x) {
        ASSERT_EQ(image.Pixel(x, meanRow), (x - x0) % 2 == 0 ? kRateColour : kWhite) << x;
    }
    EXPECT_EQ(image.Pixel(kW - 1, meanRow), kRateColour);
    for (int x = x0 + 200; x < kW; x += 37) {
        const bool dot = (x - x0) % 2 == 0 || x == kW - 1;
        EXPECT_EQ(RowsOf(x, kRateColour), dot ? std::vector<int>{meanRow} : std::vector<int>{})
            << x;
    }
    // A filled marker: minimum and maximum equal the mean inside the axis.
    for (auto [dx, dy] :
         {std::pair{1, 0}, {2, 0}, {3, 0}, {3, -1}, {3, 1}, {4, -2}, {4, 0}, {4, 2}}) {
        EXPECT_EQ(image.Pixel(x0 - dx, meanRow + dy), kRateColour) << dx << "," << dy;
    }
    EXPECT_NE(image.Pixel(x0 - 5, meanRow), kRateColour);
    EXPECT_NE(image.Pixel(x0 - 5, meanRow - 2), kRateColour);

    // Grid lines every five minutes: six steps of the half hour, the last on the edge.
    std::vector<int> gridColumns;
    for (int x = x0; x < kW; ++x) {
        if (image.Pixel(x, 105) == kChartGrid) {
            gridColumns.push_back(x);
        }
    }
    std::vector<int> expected;
    for (int i = 1; i <= 5; ++i) {
        expected.push_back(static_cast<int>(std::lround(x0 + i * (kW - 1 - x0) / 6.0)));
    }
    EXPECT_EQ(gridColumns, expected);
    // The time axis names its unit (h:mm) top right, as the panels name theirs top left:
    // "0:30" alone reads as seconds.
    int caption = 0;
    for (int y = 0; y < 12; ++y)
        for (int x = kW - 80; x < kW; ++x)
            caption += image.Pixel(x, y) != kWhite && image.Pixel(x, y) != kChartGrid;
    EXPECT_GT(caption, 20);
    // No band anywhere.
    for (int y = 0; y < kH; ++y) {
        ASSERT_NE(image.Pixel(kW - 3, y), BandTint(kRateColour));
    }
}

TEST_F(LongTermChartTest, TenHoursGoInTwoHourSteps) {
    Draw(SteadyPoints(1200)); // 36000 s
    EXPECT_DOUBLE_EQ(chart.TimeAxis().step, 2);
    EXPECT_DOUBLE_EQ(chart.TimeAxis().axisHi, 10);
    const int x0 = chart.LeftMargin();
    for (int i = 1; i <= 4; ++i) {
        const int x = static_cast<int>(std::lround(x0 + i * (kW - 1 - x0) / 5.0));
        EXPECT_GT(RowsOf(x, kChartGrid).size(), 200u) << i;
        EXPECT_LT(RowsOf(x + 1, kChartGrid).size(), 60u) << i;
    }
}

TEST_F(LongTermChartTest, DeviationBandAroundTheMean) {
    std::vector<LongTermPoint> points = SteadyPoints(100); // 0.83 h: the curve ends early
    Draw(points);
    const auto stats = StatisticsOf(points);
    const auto& panel = chart.Panel(Series::Amplitude);
    const auto rowOf = [&](double v) {
        return static_cast<int>(std::lround(
            panel.top + (panel.axis.axisHi - v) / (panel.axis.axisHi - panel.axis.axisLo) *
                            (panel.bottom - panel.top)));
    };
    const auto& amplitude = stats[1];
    ASSERT_GT(amplitude.Deviation, 0);
    const Rgb tint = BandTint(kAmplitudeColour);
    const int x = kW - 3;
    const int inside = rowOf(amplitude.Mean + 0.5 * amplitude.Deviation);
    EXPECT_TRUE(image.Pixel(x, inside) == tint || image.Pixel(x, inside) == kChartGrid);
    EXPECT_TRUE(image.Pixel(x, inside + 2) == tint || image.Pixel(x, inside + 2) == kChartGrid);
    const int outside = rowOf(amplitude.Mean + 2 * amplitude.Deviation);
    EXPECT_TRUE(image.Pixel(x, outside) == kWhite || image.Pixel(x, outside) == kChartGrid);
    // The mean line's gaps take the band's tint.
    const int meanRow = rowOf(amplitude.Mean);
    EXPECT_EQ(image.Pixel(x - 1, meanRow) == kAmplitudeColour ? image.Pixel(x, meanRow)
                                                              : image.Pixel(x - 1, meanRow),
              tint);
}

TEST_F(LongTermChartTest, FlatSeriesHasNoBandAndThePadRange) {
    std::vector<LongTermPoint> points;
    for (int k = 1; k <= 20; ++k) {
        points.push_back({k * 30.0 + 0.5, -1.5, 300, 0});
    }
    Draw(points);
    EXPECT_DOUBLE_EQ(chart.Panel(Series::DailyRate).range.lo, -1.6);
    EXPECT_DOUBLE_EQ(chart.Panel(Series::DailyRate).range.hi, -1.4);
    EXPECT_DOUBLE_EQ(chart.Panel(Series::Amplitude).range.hi, 301);
    EXPECT_DOUBLE_EQ(chart.Panel(Series::BeatError).axis.axisLo, 0); // never below zero
    for (int y = 0; y < kH; ++y) {
        for (int x = 0; x < kW; x += 3) {
            const Rgb p = image.Pixel(x, y);
            ASSERT_TRUE(p != BandTint(kRateColour) && p != BandTint(kAmplitudeColour) &&
                        p != BandTint(kBeatErrorColour))
                << x << "," << y;
        }
    }
}

TEST_F(LongTermChartTest, SegmentsBeyondTheAxisEndAtThePanelEdge) {
    std::vector<LongTermPoint> points = SteadyPoints(100);
    points[40].Amplitude = 287; // beyond the axis (274 .. 286) but not an outlier (272 .. 288)
    points[70].Amplitude = 273;
    LongTermChart::Statistics stats = StatisticsOf(points);
    stats[1].Mean = 280;
    stats[1].Deviation = 2;
    stats[1].Minimum = 273;
    stats[1].Maximum = 287;
    chart.DrawLongTermChart(points, 30.0, stats);
    const auto& panel = chart.Panel(Series::Amplitude);
    ASSERT_DOUBLE_EQ(panel.axis.axisLo, 274);
    ASSERT_DOUBLE_EQ(panel.axis.axisHi, 286);

    const int x0 = chart.LeftMargin();
    bool reachesTop = false;
    bool reachesBottom = false;
    for (int x = x0; x < kW; ++x) {
        for (int y : RowsOf(x, kAmplitudeColour)) {
            ASSERT_GE(y, panel.top) << x;
            ASSERT_LE(y, panel.bottom) << x;
            reachesTop = reachesTop || (y == panel.top && x > x0 + 200);
            reachesBottom = reachesBottom || y == panel.bottom;
        }
    }
    EXPECT_TRUE(reachesTop);
    EXPECT_TRUE(reachesBottom);
}

TEST_F(LongTermChartTest, OutliersAreLeftOutOfTheLine) {
    std::vector<LongTermPoint> points = SteadyPoints(100);
    points[50].DailyRate = 60; // far beyond four deviations
    Draw(points);
    const auto stats = StatisticsOf(points);
    ASSERT_GT(60, stats[0].Mean + 4 * stats[0].Deviation);
    // Around the outlier's time the rate line stays in the lower part of its panel.
    const int x0 = chart.LeftMargin();
    const int column = static_cast<int>(
        std::lround(x0 + points[50].Time / (chart.TimeAxis().axisHi * 3600) * (kW - 1 - x0)));
    for (int x = column - 3; x <= column + 3; ++x) {
        for (int y : RowsOf(x, kRateColour)) {
            EXPECT_GT(y, 20) << x;
        }
    }
}

TEST_F(LongTermChartTest, APointPastTheTimeAxisIsCutAtTheRightEdge) {
    // After a gap in the results a point's time may lie far beyond the points' count.
    std::vector<LongTermPoint> points;
    for (int k = 1; k <= 5; ++k) {
        points.push_back({k * 30.0 + 0.5, k == 5 ? 1.05 : 1.0 + 0.2 * (k % 2), 280, 0.3});
    }
    points.push_back({1e12, 1.05, 280, 0.3});
    Draw(points);
    ASSERT_DOUBLE_EQ(chart.TimeAxis().axisHi, 0.5);
    const auto& panel = chart.Panel(Series::DailyRate);
    const int row = static_cast<int>(std::lround(
        panel.top + (panel.axis.axisHi - 1.05) / (panel.axis.axisHi - panel.axis.axisLo) *
                        (panel.bottom - panel.top)));
    // The segment towards it runs flat to the edge and ends there in the series colour.
    EXPECT_EQ(image.Pixel(kW - 1, row), kRateColour);
    EXPECT_EQ(image.Pixel(kW - 2, row), kRateColour);
}

TEST_F(LongTermChartTest, AccumulationRedrawsTheChartFromItsFirstPoint) {
    longterm::LongTermAccumulation accumulation;
    accumulation.StartLongTerm(&chart);
    double rate = 4;
    double amplitude = 290;
    double beatError = 0.2;
    accumulation.AddLongTermResult(rate, amplitude, beatError, 20.0); // too early
    EXPECT_EQ(image.Pixel(kW / 2, kH / 2), RgbOf(1, 2, 3)); // untouched until the first point
    ASSERT_TRUE(accumulation.AddLongTermResult(rate, amplitude, beatError, 30.5));
    EXPECT_NE(image.Pixel(kW / 2, kH / 2), RgbOf(1, 2, 3));
    EXPECT_DOUBLE_EQ(chart.Panel(Series::DailyRate).range.lo, 3.9);
}

} // namespace
} // namespace plot
