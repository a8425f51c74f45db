#pragma once

#include "longterm/LongTermPoint.h"

#include <span>

namespace longterm {

// Outlier-resistant statistics of one series of the long-term points.
struct SeriesStatistics {
    double Mean = 0;
    double Deviation = -1; // sample standard deviation; -1 while fewer than 10 points count
    double Minimum = 0;    // both extremes start from the first point's value, even when
    double Maximum = 0;    // the outlier pass leaves that point out
};

// Fewer accepted points than this give no deviation and drop no outliers.
inline constexpr int kMinimumPointsForDeviation = 10;
// Points further than this many deviations from the first pass's mean are outliers.
inline constexpr double kOutlierDeviations = 4.0;

// Two passes over the points: the first takes them all; the second, run when the first
// counted at least 10, takes only those within four deviations of the first pass's mean
// (a point on the bound counts). The result is that of the last pass run. An empty span
// gives the default (mean 0, deviation -1).
SeriesStatistics ComputeSeriesStatistics(std::span<const LongTermPoint> points, Series series);

// The merged value of a neighbouring pair (a first, b second) when the store is thinned:
// their mean when both lie within four deviations of the series mean, else the one inside
// the bound, else the one nearer the mean (a on a tie).
double MergePair(double a, double b, const SeriesStatistics& statistics);

} // namespace longterm
