#include "longterm/LongTerm.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

using longterm::LongTermAccumulation;
using longterm::LongTermChartTarget;
using longterm::Series;

namespace {

// Records what the chart was given at each redraw.
class RecordingChart : public LongTermChartTarget {
public:
    void RedrawChart(const LongTermAccumulation& accumulation) override {
        counts.push_back(accumulation.PointCount());
        lastTime = accumulation.Points().back().Time;
        lastMean = accumulation.Statistics(Series::DailyRate).Mean;
    }
    std::vector<int> counts;
    double lastTime = 0;
    double lastMean = 0;
};

struct Values {
    double rate;
    double amplitude;
    double beatError;
};

bool Add(LongTermAccumulation& accumulation, Values& values, double time) {
    return accumulation.AddLongTermResult(values.rate, values.amplitude, values.beatError, time);
}

} // namespace

TEST(LongTermAccumulation, NoPointBeforeThirtySeconds) {
    LongTermAccumulation accumulation;
    RecordingChart chart;
    accumulation.StartLongTerm(&chart);
    for (double time : {10.0, 20.0, 29.9, 30.0}) {
        Values v{3.0, 250.0, 0.4};
        EXPECT_FALSE(Add(accumulation, v, time)) << time;
        EXPECT_EQ(v.rate, 3.0);
        EXPECT_EQ(v.amplitude, 250.0);
        EXPECT_EQ(v.beatError, 0.4);
    }
    EXPECT_TRUE(chart.counts.empty());

    Values v{3.5, 251.0, 0.3};
    ASSERT_TRUE(Add(accumulation, v, 30.5));
    EXPECT_EQ(v.rate, 3.5);
    EXPECT_EQ(v.amplitude, 251.0);
    EXPECT_EQ(v.beatError, 0.3);
    EXPECT_EQ(accumulation.PointCount(), 1);
    EXPECT_EQ(chart.counts, std::vector<int>{1});
    EXPECT_EQ(chart.lastTime, 30.5);
}

TEST(LongTermAccumulation, BelowTenPointsReturnsPlainMeans) {
    LongTermAccumulation accumulation;
    accumulation.StartLongTerm(nullptr);
    double sum = 0;
    Values v{};
    for (int k = 1; k <= 9; ++k) {
        const double rate = k == 5 ? 400.0 : 2.0 * k; // a wild one is not an outlier yet
        sum += rate;
        v = {rate, 200.0 + k, 0.1 * k};
        ASSERT_TRUE(Add(accumulation, v, 30.0 * k + 1));
    }
    EXPECT_DOUBLE_EQ(v.rate, sum / 9);
    EXPECT_DOUBLE_EQ(v.amplitude, 205.0);
    EXPECT_DOUBLE_EQ(v.beatError, 0.5);
    EXPECT_EQ(accumulation.Statistics(Series::DailyRate).Deviation, -1);
}

TEST(LongTermAccumulation, WildResultBeyondFourDeviationsDoesNotMoveTheMean) {
    LongTermAccumulation accumulation;
    accumulation.StartLongTerm(nullptr);
    Values v{};
    int k = 1;
    for (; k <= 100; ++k) {
        v = {4.0 + ((k % 2) != 0 ? 0.5 : -0.5), 270.0, 0.2};
        ASSERT_TRUE(Add(accumulation, v, 30.0 * k + 1));
    }
    const double steadyMean = v.rate;
    EXPECT_NEAR(steadyMean, 4.0, 1e-12);
    v = {90.0, 120.0, 9.0};
    ASSERT_TRUE(Add(accumulation, v, 30.0 * k + 1));
    EXPECT_NEAR(v.rate, steadyMean, 1e-12);
    EXPECT_NEAR(v.beatError, 0.2, 1e-12);
    // The amplitude series had no spread, so its single different value lies beyond the bound.
    EXPECT_NEAR(v.amplitude, 270.0, 1e-12);
}

TEST(LongTermAccumulation, MergesAtFourThousandPointsAndDoublesTheInterval) {
    LongTermAccumulation accumulation;
    RecordingChart chart;
    accumulation.StartLongTerm(&chart);
    Values v{};
    for (int k = 1; k <= 4000; ++k) {
        // Pairs (2j - 1, 2j) carry rates 1 and 3: each merges to 2.
        v = {(k % 2) != 0 ? 1.0 : 3.0, 250.0, 0.5};
        ASSERT_TRUE(Add(accumulation, v, 30.0 * k + 0.25)) << k;
    }
    // The last full store was drawn before it was thinned.
    ASSERT_EQ(chart.counts.size(), 4000u);
    EXPECT_EQ(chart.counts.back(), 4000);
    EXPECT_EQ(chart.lastTime, 120000.25);
    EXPECT_DOUBLE_EQ(v.rate, 2.0);

    EXPECT_EQ(accumulation.PointCount(), 2000);
    EXPECT_EQ(accumulation.Interval(), 60.0);
    const auto points = accumulation.Points();
    EXPECT_EQ(points[0].Time, 60.25);
    EXPECT_EQ(points[1999].Time, 120000.25);
    for (const auto& point : points) {
        ASSERT_DOUBLE_EQ(point.DailyRate, 2.0);
        ASSERT_EQ(point.Amplitude, 250.0);
    }

    // The next point needs a time above 2001 x 60 s.
    v = {2.0, 250.0, 0.5};
    EXPECT_FALSE(Add(accumulation, v, 2001 * 60.0));
    EXPECT_TRUE(Add(accumulation, v, 2001 * 60.0 + 0.5));
    EXPECT_EQ(accumulation.PointCount(), 2001);
}

TEST(LongTermAccumulation, MergeKeepsOutliersOfAPairFromDraggingTheValue) {
    LongTermAccumulation accumulation;
    accumulation.StartLongTerm(nullptr);
    Values v{};
    for (int k = 1; k <= 4000; ++k) {
        double rate = (k % 2) != 0 ? 1.9 : 2.1;
        if (k == 100) {
            rate = 500.0; // paired with point 99
        }
        v = {rate, 250.0, 0.5};
        ASSERT_TRUE(Add(accumulation, v, 30.0 * k + 1));
    }
    EXPECT_EQ(accumulation.Points()[49].DailyRate, 1.9);
    EXPECT_DOUBLE_EQ(accumulation.Points()[48].DailyRate, 2.0);
}

TEST(LongTermAccumulation, AcceptanceFollowsThePointNumberAfterAGap) {
    LongTermAccumulation accumulation;
    accumulation.StartLongTerm(nullptr);
    Values v{};
    for (int k = 1; k <= 5; ++k) {
        v = {1.0, 250.0, 0.5};
        ASSERT_TRUE(Add(accumulation, v, 30.0 * k + 1));
    }
    // From 1000 s on, results every 0.5 s: each is a point until (count + 1) x 30 s catches up.
    int accepted = 0;
    for (double time = 1000.0; time < 1020.0; time += 0.5) {
        v = {1.0, 250.0, 0.5};
        if (Add(accumulation, v, time)) {
            ++accepted;
        }
    }
    // Points 6 to 33 (33 x 30 = 990 < time); point 34 needs a time above 1020 s.
    EXPECT_EQ(accepted, 28);
    EXPECT_EQ(accumulation.PointCount(), 33);
}

TEST(LongTermAccumulation, NothingIsAddedAfterStop) {
    LongTermAccumulation accumulation;
    RecordingChart chart;
    accumulation.StartLongTerm(&chart);
    Values v{1.0, 250.0, 0.5};
    ASSERT_TRUE(Add(accumulation, v, 31.0));
    accumulation.StopLongTerm();
    EXPECT_FALSE(accumulation.Active());
    v = {7.0, 200.0, 0.9};
    EXPECT_FALSE(Add(accumulation, v, 100.0));
    EXPECT_EQ(v.rate, 7.0);
    EXPECT_EQ(accumulation.PointCount(), 1);
    EXPECT_EQ(chart.counts.size(), 1u);

    // A new start resets the store and the interval.
    accumulation.StartLongTerm(nullptr);
    EXPECT_EQ(accumulation.PointCount(), 0);
    EXPECT_EQ(accumulation.Interval(), 30.0);
    EXPECT_FALSE(Add(accumulation, v, 29.0));
}

TEST(LongTermAccumulation, InactiveBeforeTheFirstStart) {
    LongTermAccumulation accumulation;
    Values v{1.0, 250.0, 0.5};
    EXPECT_FALSE(Add(accumulation, v, 1000.0));
    EXPECT_EQ(accumulation.PointCount(), 0);
}

TEST(LongTermAccumulation, ResultsThatAreNotNumbersAreNotRecorded) {
    LongTermAccumulation accumulation;
    accumulation.StartLongTerm(nullptr);
    Values v{NAN, 250.0, 0.5};
    EXPECT_FALSE(Add(accumulation, v, 31.0));
    v = {1.0, INFINITY, 0.5};
    EXPECT_FALSE(Add(accumulation, v, 31.0));
    v = {1.0, 250.0, 0.5};
    EXPECT_FALSE(Add(accumulation, v, NAN));
    EXPECT_TRUE(Add(accumulation, v, 31.0));
    EXPECT_EQ(accumulation.Statistics(Series::DailyRate).Mean, 1.0);
}
