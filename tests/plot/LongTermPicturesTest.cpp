// Long-term tests of a simulated watch fed through the accumulation into the chart; the
// charts are written beside the test to be looked at: after one point, after 20 points,
// after 8 hours, and after 40 hours (past the first merge of the store at 4000 points).
#include "app/plot/LongTermChart.h"

#include "longterm/LongTerm.h"
#include "platform/testing/TestApplication.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>

namespace plot {
namespace {

using longterm::Series;

constexpr int kW = 960;
constexpr int kH = 511;

// A watch whose rate drifts upwards as the mainspring runs down while the amplitude falls,
// with measuring noise and a knock every 10000 s.
class DriftingWatch {
public:
    struct Result {
        double rate, amplitude, beatError;
    };

    Result At(double seconds) {
        const double hours = seconds / 3600;
        Result r{2.0 + 0.25 * hours + rateNoise_(random_),
                 292.0 - 1.2 * hours + amplitudeNoise_(random_),
                 0.35 + 0.01 * hours + beatErrorNoise_(random_)};
        if (std::fmod(seconds, 10000.0) >= 9960) { // a knock: 40 s of wild results
            r.rate += 45;
            r.amplitude -= 60;
        }
        return r;
    }

private:
    std::mt19937 random_{20261208};
    std::normal_distribution<double> rateNoise_{0.0, 0.6};
    std::normal_distribution<double> amplitudeNoise_{0.0, 2.0};
    std::normal_distribution<double> beatErrorNoise_{0.0, 0.03};
};

class LongTermPicturesTest : public testing::Test {
protected:
    LongTermPicturesTest() : image(kW, kH), canvas(image), chart(canvas) {
        platform::testing::EnsureTestApplication();
    }

    // Results every 5 s of test time up to `seconds`; the chart is redrawn for every
    // accepted point as in the program when `everyPoint`, else once at the end.
    void Run(double seconds, bool everyPoint) {
        accumulation.StartLongTerm(everyPoint ? &chart : nullptr);
        for (double t = 5; t <= seconds; t += 5) {
            DriftingWatch::Result r = watch.At(t);
            accumulation.AddLongTermResult(r.rate, r.amplitude, r.beatError, t);
        }
        if (!everyPoint) {
            chart.RedrawChart(accumulation);
        }
    }

    DriftingWatch watch;
    longterm::LongTermAccumulation accumulation;
    platform::Image image;
    platform::Canvas canvas;
    LongTermChart chart;
};

TEST_F(LongTermPicturesTest, OnePoint) {
    Run(35, true);
    ASSERT_EQ(accumulation.PointCount(), 1);
    ASSERT_TRUE(image.SavePng("longterm-1-point.png"));
    EXPECT_DOUBLE_EQ(chart.TimeAxis().axisHi, 0.5);
}

TEST_F(LongTermPicturesTest, TwentyPoints) {
    Run(20 * 30 + 5, true);
    ASSERT_EQ(accumulation.PointCount(), 20);
    ASSERT_TRUE(image.SavePng("longterm-20-points.png"));
    EXPECT_GT(accumulation.Statistics(Series::DailyRate).Deviation, 0);
}

TEST_F(LongTermPicturesTest, EightHours) {
    Run(8 * 3600, false);
    ASSERT_TRUE(image.SavePng("longterm-8-hours.png"));
    EXPECT_EQ(accumulation.PointCount(), 959);
    EXPECT_DOUBLE_EQ(chart.TimeAxis().step, 1);
    EXPECT_DOUBLE_EQ(chart.TimeAxis().axisHi, 8);
    // The drift (about 2 s/d over the test) shows within the rate axis.
    const auto& rate = chart.Panel(Series::DailyRate);
    EXPECT_LT(rate.axis.axisLo, 2.5);
    EXPECT_GT(rate.axis.axisHi, 3.5);
    EXPECT_LT(rate.axis.axisHi, 30); // the knocks do not stretch it
}

TEST_F(LongTermPicturesTest, FortyHoursPastTheFirstMerge) {
    Run(40 * 3600, false);
    ASSERT_TRUE(image.SavePng("longterm-40-hours.png"));
    EXPECT_DOUBLE_EQ(accumulation.Interval(), 60);
    EXPECT_GT(accumulation.PointCount(), 2000);
    EXPECT_DOUBLE_EQ(chart.TimeAxis().step, 5);
    // Every amplitude pixel of the curve stays in its panel.
    const auto& panel = chart.Panel(Series::Amplitude);
    for (int x = chart.LeftMargin(); x < kW; ++x) {
        for (int y = 0; y < kH; ++y) {
            if (image.Pixel(x, y) == kAmplitudeColour) {
                ASSERT_GE(y, panel.top);
                ASSERT_LE(y, panel.bottom);
            }
        }
    }
}

} // namespace
} // namespace plot
