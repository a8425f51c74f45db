#include "longterm/SeriesStatistics.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

using longterm::ComputeSeriesStatistics;
using longterm::LongTermPoint;
using longterm::MergePair;
using longterm::Series;
using longterm::SeriesStatistics;

namespace {

std::vector<LongTermPoint> RatePoints(const std::vector<double>& rates) {
    std::vector<LongTermPoint> points;
    for (std::size_t i = 0; i < rates.size(); ++i) {
        points.push_back({30.0 * static_cast<double>(i + 1), rates[i], 280.0, 0.5});
    }
    return points;
}

} // namespace

TEST(SeriesStatistics, FewerThanTenPointsGivePlainMeanAndNoDeviation) {
    const auto points = RatePoints({1, 2, 3, 4, 5, 6, 7, 8, 1000});
    const SeriesStatistics s = ComputeSeriesStatistics(points, Series::DailyRate);
    EXPECT_DOUBLE_EQ(s.Mean, 1036.0 / 9);
    EXPECT_EQ(s.Deviation, -1);
    EXPECT_EQ(s.Minimum, 1);
    EXPECT_EQ(s.Maximum, 1000);
}

TEST(SeriesStatistics, TenPointsGiveTheSampleDeviation) {
    const auto points = RatePoints({1, 2, 3, 4, 5, 6, 7, 8, 9, 10});
    const SeriesStatistics s = ComputeSeriesStatistics(points, Series::DailyRate);
    EXPECT_DOUBLE_EQ(s.Mean, 5.5);
    EXPECT_NEAR(s.Deviation, std::sqrt(82.5 / 9), 1e-12);
    EXPECT_EQ(s.Minimum, 1);
    EXPECT_EQ(s.Maximum, 10);
}

TEST(SeriesStatistics, EqualValuesGiveZeroDeviationExactly) {
    // 0.1 has no exact binary form: plain sums would leave a tiny spread behind.
    const auto points = RatePoints(std::vector<double>(37, 0.1));
    const SeriesStatistics s = ComputeSeriesStatistics(points, Series::DailyRate);
    EXPECT_EQ(s.Deviation, 0.0);
    EXPECT_EQ(s.Mean, 0.1);
    const SeriesStatistics amplitude = ComputeSeriesStatistics(points, Series::Amplitude);
    EXPECT_EQ(amplitude.Deviation, 0.0);
    EXPECT_EQ(amplitude.Mean, 280.0);
}

TEST(SeriesStatistics, OutlierBeyondFourDeviationsIsLeftOut) {
    std::vector<double> rates;
    for (int i = 0; i < 100; ++i) {
        rates.push_back(5.0 + ((i % 2) != 0 ? 0.2 : -0.2));
    }
    rates.push_back(60.0);
    const SeriesStatistics s = ComputeSeriesStatistics(RatePoints(rates), Series::DailyRate);
    EXPECT_NEAR(s.Mean, 5.0, 1e-12);
    EXPECT_NEAR(s.Deviation, 0.2 * std::sqrt(100.0 / 99.0), 1e-12);
    EXPECT_NEAR(s.Minimum, 4.8, 1e-12);
    EXPECT_NEAR(s.Maximum, 5.2, 1e-12);
}

TEST(SeriesStatistics, ExtremesStartFromTheFirstPointEvenWhenItIsAnOutlier) {
    std::vector<double> rates{60.0};
    for (int i = 0; i < 100; ++i) {
        rates.push_back(5.0 + ((i % 2) != 0 ? 0.2 : -0.2));
    }
    const SeriesStatistics s = ComputeSeriesStatistics(RatePoints(rates), Series::DailyRate);
    EXPECT_NEAR(s.Mean, 5.0, 1e-12);
    EXPECT_EQ(s.Maximum, 60.0);
    EXPECT_NEAR(s.Minimum, 4.8, 1e-12);
}

TEST(SeriesStatistics, EachSeriesIsComputedFromItsOwnValue) {
    std::vector<LongTermPoint> points;
    for (int i = 0; i < 12; ++i) {
        points.push_back({30.0 * (i + 1), 1.0 * i, 200.0 + i, 0.1 * i});
    }
    EXPECT_DOUBLE_EQ(ComputeSeriesStatistics(points, Series::DailyRate).Mean, 5.5);
    EXPECT_DOUBLE_EQ(ComputeSeriesStatistics(points, Series::Amplitude).Mean, 205.5);
    EXPECT_DOUBLE_EQ(ComputeSeriesStatistics(points, Series::BeatError).Mean, 0.55);
}

TEST(SeriesStatistics, NoPointsGiveTheDefault) {
    const SeriesStatistics s = ComputeSeriesStatistics({}, Series::DailyRate);
    EXPECT_EQ(s.Deviation, -1);
    EXPECT_EQ(s.Mean, 0);
}

TEST(MergePair, FollowsTheBoundTable) {
    SeriesStatistics s;
    s.Mean = 10;
    s.Deviation = 1;                      // bound 4
    EXPECT_EQ(MergePair(9, 13, s), 11);   // both inside
    EXPECT_EQ(MergePair(14, 6, s), 10);   // both exactly on the bound
    EXPECT_EQ(MergePair(12, 30, s), 12);  // b outside
    EXPECT_EQ(MergePair(-20, 11, s), 11); // a outside
    EXPECT_EQ(MergePair(25, -3, s), -3);  // both outside: the nearer one
    EXPECT_EQ(MergePair(20, 0, s), 20);   // a tie keeps a
}

TEST(MergePair, WithoutDeviationKeepsTheNearerValue) {
    SeriesStatistics s;
    s.Mean = 10;
    s.Deviation = -1;
    EXPECT_EQ(MergePair(11, 13, s), 11);
    EXPECT_EQ(MergePair(13, 9.5, s), 9.5);
}
