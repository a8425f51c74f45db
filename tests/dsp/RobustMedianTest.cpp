#include "dsp/RobustMedian.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

namespace {

double MedianOf(const std::vector<double>& values) {
    dsp::HistogramMedian median;
    return median.Median(0, static_cast<std::int64_t>(values.size()) - 1,
                         [&values](std::int64_t i) { return values[static_cast<std::size_t>(i)]; });
}

TEST(RobustMedian, SmallAndDegenerateRuns) {
    EXPECT_EQ(MedianOf({42.5}), 42.5);
    // An even count drops the first value.
    EXPECT_EQ(MedianOf({100.0, 1.0, 2.0, 3.0}), 2.0);
    EXPECT_EQ(MedianOf({7.0, 3.0}), 3.0);
    // Equal values: the mean, by the variance short cut.
    EXPECT_DOUBLE_EQ(MedianOf({221.2, 221.2, 221.2, 221.2, 221.2}), 221.2);
    // One wild value does not move it.
    EXPECT_EQ(MedianOf({1.0, 1.0, 1.0, 2.0, 100.0}), 1.0);
    EXPECT_EQ(MedianOf({250.0, 251.0, 249.0, 5000.0, 250.5, -3000.0, 250.2}), 250.2);
}

TEST(RobustMedian, NarrowsBinsHoldingDifferentValues) {
    EXPECT_NEAR(MedianOf({0.0, 10.0, 10.001, 10.002, 20.0}), 10.001, 1e-6);
    // Resolved to 2 sd / 100^4 (sd 32 here).
    EXPECT_NEAR(MedianOf({5.0, 5.0000001, 5.0000002, -40.0, 50.0}), 5.0000001, 6.5e-7);
}

TEST(RobustMedian, AgreesWithSortingOnRandomRuns) {
    std::mt19937 random(12345);
    dsp::HistogramMedian median;
    for (int run = 0; run < 300; ++run) {
        const int n = 1 + 2 * static_cast<int>(random() % 150);
        std::vector<double> values(static_cast<std::size_t>(n));
        const bool whole = run % 3 == 0; // many equal values
        std::normal_distribution<double> spread(200.0, 30.0);
        for (auto& v : values) {
            v = whole ? static_cast<double>(random() % 7) : spread(random);
        }
        if (run % 5 == 0) {
            values[0] = 1e6; // an outlier
        }
        std::vector<double> sorted = values;
        std::sort(sorted.begin(), sorted.end());
        const double expected = sorted[sorted.size() / 2];
        const double got = median.Median(0, n - 1, [&values](std::int64_t i) { return values[i]; });
        if (whole) {
            EXPECT_EQ(got, expected) << run;
        } else {
            double sum = 0, squares = 0;
            for (double v : values) {
                sum += v;
                squares += v * v;
            }
            const double sd = n > 1 ? std::sqrt((n * squares - sum * sum) / ((n - 1.0) * n)) : 0;
            EXPECT_NEAR(got, expected, 2 * sd * 1e-8 + 1e-12) << run;
        }
    }
}

} // namespace
