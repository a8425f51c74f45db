#include "longterm/SeriesStatistics.h"

#include <cmath>

namespace longterm {

namespace {

struct PassResult {
    SeriesStatistics statistics;
    int taken = 0;
};

// One pass over the points that lie within [low, high]. The sums are taken about the first
// taken value: algebraically the same as the plain sums, but a series of equal values gives
// exactly zero spread and a large offset (an amplitude near 300 degrees) loses no precision.
PassResult Pass(std::span<const LongTermPoint> points, Series series, double low, double high) {
    PassResult result;
    const double first = ValueOf(points.front(), series);
    result.statistics.Minimum = first;
    result.statistics.Maximum = first;
    double origin = 0;
    double sum = 0;
    double sumOfSquares = 0;
    for (const LongTermPoint& point : points) {
        const double v = ValueOf(point, series);
        if (!(v >= low && v <= high)) {
            continue;
        }
        if (result.taken == 0) {
            origin = v;
        }
        ++result.taken;
        const double d = v - origin;
        sum += d;
        sumOfSquares += d * d;
        if (v < result.statistics.Minimum) {
            result.statistics.Minimum = v;
        }
        if (v > result.statistics.Maximum) {
            result.statistics.Maximum = v;
        }
    }
    const int n = result.taken;
    if (n == 0) {
        result.statistics.Mean = first;
        result.statistics.Deviation = -1;
        return result;
    }
    result.statistics.Mean = origin + sum / n;
    if (n < kMinimumPointsForDeviation) {
        result.statistics.Deviation = -1;
        return result;
    }
    const double radicand = (n * sumOfSquares - sum * sum) / (static_cast<double>(n) * (n - 1));
    result.statistics.Deviation = radicand > 0 ? std::sqrt(radicand) : 0.0;
    return result;
}

} // namespace

SeriesStatistics ComputeSeriesStatistics(std::span<const LongTermPoint> points, Series series) {
    if (points.empty()) {
        return {};
    }
    const double infinity = HUGE_VAL;
    const PassResult first = Pass(points, series, -infinity, infinity);
    if (first.taken < kMinimumPointsForDeviation) {
        return first.statistics;
    }
    const double bound = kOutlierDeviations * first.statistics.Deviation;
    return Pass(points, series, first.statistics.Mean - bound, first.statistics.Mean + bound)
        .statistics;
}

double MergePair(double a, double b, const SeriesStatistics& statistics) {
    const double bound = kOutlierDeviations * statistics.Deviation;
    const double da = std::fabs(a - statistics.Mean);
    const double db = std::fabs(b - statistics.Mean);
    const bool aInside = da <= bound;
    const bool bInside = db <= bound;
    if (aInside && bInside) {
        return (a + b) / 2;
    }
    if (aInside) {
        return a;
    }
    if (bInside) {
        return b;
    }
    return da <= db ? a : b;
}

} // namespace longterm
