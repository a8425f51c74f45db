#include "app/plot/ChartScale.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

namespace plot {
namespace {

longterm::SeriesStatistics Stats(double mean, double deviation, double minimum, double maximum) {
    longterm::SeriesStatistics s;
    s.Mean = mean;
    s.Deviation = deviation;
    s.Minimum = minimum;
    s.Maximum = maximum;
    return s;
}

std::vector<std::string> ValueLabels(const AxisScale& scale) {
    std::vector<std::string> labels;
    for (int i = 0; i < ValueTickCount(scale); ++i) {
        labels.push_back(ValueLabel(ValueTick(scale, i), scale.step));
    }
    return labels;
}

std::vector<std::string> TimeLabels(const AxisScale& scale) {
    std::vector<std::string> labels;
    for (int i = 1; i <= TimeTickCount(scale); ++i) {
        labels.push_back(TimeLabel(TimeTick(scale, i)));
    }
    return labels;
}

TEST(NiceScale, StepsRunOneTwoFiveThroughTheDecades) {
    struct Case {
        int divisions;
        double lo, hi;
        double step, axisLo, axisHi;
    };
    const Case cases[] = {
        {5, 0, 1, 0.2, 0, 1},
        {5, 299, 301, 0.5, 299, 301},
        {5, -3, 2, 1, -3, 2},
        {5, 0, 0.008, 0.002, 0, 0.008}, // negative thirds index: 2 x 10^-3
        {5, 0, 0.004, 0.001, 0, 0.004},
        {5, 12, 95, 20, 0, 100},
        {5, 0.3, 0.7, 0.1, 0.2, 0.7}, // 0.3 / 0.1 floors to 2 in binary
        {7, 0, 10, 2, 0, 10},
        {5, 230, 310, 20, 220, 320},
    };
    for (const Case& c : cases) {
        const AxisScale s = NiceScale(c.divisions, c.lo, c.hi);
        SCOPED_TRACE(testing::Message() << c.lo << " .. " << c.hi);
        EXPECT_NEAR(s.step, c.step, c.step * 1e-12);
        EXPECT_NEAR(s.axisLo, c.axisLo, c.step * 1e-9);
        EXPECT_NEAR(s.axisHi, c.axisHi, c.step * 1e-9);
    }
}

TEST(NiceScale, DegenerateRangesStillGiveAUsableAxis) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const double ranges[][2] = {{3, 3}, {0, 0}, {2, 1}, {nan, 1}, {0, inf}, {-1e308, 1e308}};
    for (const auto& r : ranges) {
        const AxisScale s = NiceScale(5, r[0], r[1]);
        SCOPED_TRACE(testing::Message() << r[0] << " .. " << r[1]);
        EXPECT_TRUE(std::isfinite(s.step) && s.step > 0);
        EXPECT_TRUE(std::isfinite(s.axisLo) && std::isfinite(s.axisHi));
        EXPECT_GT(s.axisHi, s.axisLo);
        EXPECT_LT(ValueTickCount(s), 1000);
    }
    const AxisScale flat = NiceScale(5, 3, 3);
    EXPECT_LE(flat.axisLo, 3);
    EXPECT_GE(flat.axisHi, 3);
    const AxisScale reversed = NiceScale(5, 2, 1);
    EXPECT_LE(reversed.axisLo, 1);
    EXPECT_GE(reversed.axisHi, 2);
}

TEST(FitRange, WithoutSpreadTheRangeIsMeanPlusMinusPad) {
    const ValueRange rate = FitRange(Stats(5, -1, 5, 5), 0.1, false);
    EXPECT_DOUBLE_EQ(rate.lo, 4.9);
    EXPECT_DOUBLE_EQ(rate.hi, 5.1);
    const ValueRange amplitude = FitRange(Stats(280, 0, 280, 280), 1.0, true);
    EXPECT_DOUBLE_EQ(amplitude.lo, 279);
    EXPECT_DOUBLE_EQ(amplitude.hi, 281);
    // Near zero the lower end stops at 0 for amplitude and beat error, not for the rate.
    const ValueRange beatError = FitRange(Stats(0.05, -1, 0.05, 0.05), 0.1, true);
    EXPECT_DOUBLE_EQ(beatError.lo, 0);
    EXPECT_DOUBLE_EQ(beatError.hi, 0.15000000000000002);
    const ValueRange slowRate = FitRange(Stats(0.05, -1, 0.05, 0.05), 0.1, false);
    EXPECT_LT(slowRate.lo, 0);
}

TEST(FitRange, OutliersAreHeldToThreeDeviationsButOneAlwaysShows) {
    // A wild minimum is cut at mean - 3 dev; the maximum stays.
    const ValueRange cut = FitRange(Stats(0, 1, -10, 2), 0.1, false);
    EXPECT_DOUBLE_EQ(cut.lo, -3);
    EXPECT_DOUBLE_EQ(cut.hi, 2);
    // Extremes inside one deviation are widened to it.
    const ValueRange widened = FitRange(Stats(10, 2, 9.5, 10.5), 0.1, false);
    EXPECT_DOUBLE_EQ(widened.lo, 8);
    EXPECT_DOUBLE_EQ(widened.hi, 12);
    // No spread but extremes given the wrong way round: both kept, in order, with the pad.
    const ValueRange kept = FitRange(Stats(1, 0, 7, 1), 0.1, false);
    EXPECT_DOUBLE_EQ(kept.lo, 0.9);
    EXPECT_DOUBLE_EQ(kept.hi, 7);
    // A beat error band reaching below zero stops at 0.
    const ValueRange beatError = FitRange(Stats(0.1, 0.2, 0, 0.4), 0.1, true);
    EXPECT_DOUBLE_EQ(beatError.lo, 0);
}

// A steady watch: hundredths of spread, before and after the tenth point. Each panel spans
// at least its pad either side of the mean, and no two labels of an axis read the same
// (three minutes of a -3 s/d watch used to read "-3.00" six times).
TEST(FitRange, ASteadyWatchKeepsThePadAndDistinctLabels) {
    struct Panel {
        double pad;
        bool nonNegative;
        double mean;
    };
    const Panel panels[] = {{0.1, false, -3.0},  {0.1, false, 0.0},     {1.0, true, 289.63},
                            {1.0, true, 0.3},    {0.1, true, 0.2},      {0.1, true, 0.0},
                            {0.1, true, 0.0451}, {0.1, false, 1234.567}};
    for (const Panel& panel : panels) {
        for (const double spread : {0.0, 0.001, 0.004, 0.01, 0.03}) {
            for (const double deviation : {-1.0, 0.0, spread / 3}) {
                const double low =
                    panel.nonNegative ? std::max(0.0, panel.mean - spread) : panel.mean - spread;
                const ValueRange range =
                    FitRange(Stats(panel.mean, deviation, low, panel.mean + spread), panel.pad,
                             panel.nonNegative);
                const std::string where = std::to_string(panel.mean) + " spread " +
                                          std::to_string(spread) + " dev " +
                                          std::to_string(deviation);
                EXPECT_LE(range.lo, panel.nonNegative ? std::max(0.0, panel.mean - panel.pad)
                                                      : panel.mean - panel.pad)
                    << where;
                EXPECT_GE(range.hi, panel.mean + panel.pad) << where;
                const std::vector<std::string> labels =
                    ValueLabels(NiceScale(5, range.lo, range.hi));
                EXPECT_GE(labels.size(), 3u) << where;
                for (std::size_t i = 1; i < labels.size(); ++i) {
                    EXPECT_NE(labels[i], labels[i - 1]) << where;
                }
            }
        }
    }
}

TEST(ChartLabels, DecimalsFollowTheStep) {
    EXPECT_EQ(ValueLabels(NiceScale(5, 4.9, 5.1)),
              (std::vector<std::string>{"4.90", "4.95", "5.00", "5.05", "5.10"}));
    EXPECT_EQ(ValueLabels(NiceScale(5, 299, 301)),
              (std::vector<std::string>{"299.0", "299.5", "300.0", "300.5", "301.0"}));
    EXPECT_EQ(ValueLabels(NiceScale(5, -3, 2)),
              (std::vector<std::string>{"-3", "-2", "-1", "0", "1", "2"}));
    EXPECT_EQ(ValueLabel(0.05, 0.05), "0.05");
    EXPECT_EQ(ValueLabel(0.5, 0.5), "0.5");
    EXPECT_EQ(ValueLabel(3, 1), "3");
}

TEST(ChartLabels, ANearZeroSeriesShowsNoNegativeLabel) {
    const AxisScale beatError = NiceScale(5, FitRange(Stats(0.02, 0.01, 0, 0.05), 0.1, true).lo,
                                          FitRange(Stats(0.02, 0.01, 0, 0.05), 0.1, true).hi);
    for (const std::string& label : ValueLabels(beatError)) {
        EXPECT_EQ(label.find('-'), std::string::npos) << label;
    }
    // A tick that lands within rounding of zero reads 0, not -0.
    const AxisScale scale{0.1, -0.30000000000000004, 0.3};
    const std::vector<std::string> labels = ValueLabels(scale);
    ASSERT_GE(labels.size(), 4u);
    EXPECT_EQ(labels[3], "0.0");
    EXPECT_EQ(ValueLabel(-1e-9, 0.01), "0.00");
    EXPECT_EQ(ValueLabel(-0.4, 1), "0");
}

TEST(TimeScale, OnePointShowsHalfAnHourInFiveMinuteSteps) {
    const AxisScale t = TimeScale(1, 30);
    EXPECT_DOUBLE_EQ(t.step, 1.0 / 12);
    EXPECT_DOUBLE_EQ(t.axisLo, 0);
    EXPECT_DOUBLE_EQ(t.axisHi, 0.5);
    EXPECT_EQ(TimeLabels(t),
              (std::vector<std::string>{"0:05", "0:10", "0:15", "0:20", "0:25", "0:30"}));
}

TEST(TimeScale, TenHoursGoInTwoHourSteps) {
    const AxisScale t = TimeScale(1200, 30); // 36000 s
    EXPECT_DOUBLE_EQ(t.step, 2);
    EXPECT_DOUBLE_EQ(t.axisLo, 0);
    EXPECT_DOUBLE_EQ(t.axisHi, 10);
    EXPECT_EQ(TimeLabels(t), (std::vector<std::string>{"2:00", "4:00", "6:00", "8:00", "10:00"}));
}

TEST(TimeScale, FifthsOfAnHourBecomeTenMinutes) {
    const AxisScale t = TimeScale(180, 30); // 1.5 h: raw step 0.25 h rounds to 0.2 h
    EXPECT_DOUBLE_EQ(t.step, 1.0 / 6);
    EXPECT_DOUBLE_EQ(t.axisHi, 1.6);
    const std::vector<std::string> labels = TimeLabels(t);
    ASSERT_EQ(labels.size(), 9u);
    EXPECT_EQ(labels.front(), "0:10");
    EXPECT_EQ(labels[5], "1:00");
    EXPECT_EQ(labels.back(), "1:30");
}

TEST(TimeScale, MinutesRoundingToSixtyCarryIntoTheHour) {
    EXPECT_EQ(TimeLabel(0.9999), "1:00");
    EXPECT_EQ(TimeLabel(1 + 1.0 / 12), "1:05");
    EXPECT_EQ(TimeLabel(12.5), "12:30");
}

} // namespace
} // namespace plot
