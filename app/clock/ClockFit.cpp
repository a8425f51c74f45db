#include "app/clock/ClockFit.h"

#include "dsp/WindowFit.h"

#include <algorithm>
#include <cmath>

namespace tickora {

namespace {

constexpr int kMinimumPoints = 8;
constexpr double kMinimumSpan = 5.0; // s before a rate is worth showing
constexpr double kSecondsPerDay = 86400.0;
constexpr double kOutlierFactor = 4.0;  // robust standard deviations a kept point may lie off
constexpr double kMadToSigma = 1.4826;  // median absolute deviation of a normal law, to sigma
constexpr double kResidualFloor = 1e-6; // s, below which scatter is taken as none

using Point = ClockFit::Point;

// The lines through the points that `keep` keeps, one per segment, parallel.
template <typename Keep>
dsp::ParallelLines FitLines(const std::vector<Point>& points, int segments, Keep keep) {
    return dsp::FitParallelLines(segments, [&](auto&& add) {
        for (const Point& p : points) {
            if (keep(p))
                add(p.segment, p.x, p.y);
        }
    });
}

} // namespace

ClockFit::Result ClockFit::Fit() const {
    Result result;
    // A busy machine delivers late, and later the busier it gets: a drift of a tenth of a
    // millisecond a minute is already 0.1 s/d. The least late point of each stretch of time
    // carries the least of it.
    std::vector<Point> reduced;
    if (envelopeBins_ > 0 && !points_.empty()) {
        // Groups of equally many points in a row, none across a segment's edge; a short
        // group at a segment's end joins the one before, so each choice has as many points.
        const std::size_t size =
            std::max<std::size_t>(1, (points_.size() + envelopeBins_ - 1) / envelopeBins_);
        std::size_t first = 0;
        while (first < points_.size()) {
            std::size_t end = first;
            while (end < points_.size() && points_[end].segment == points_[first].segment)
                ++end;
            for (std::size_t group = first; group < end; group += size) {
                std::size_t last = std::min(group + size, end);
                if (end - last < size / 2)
                    last = end;
                Point best = points_[group];
                for (std::size_t k = group; k < last; ++k)
                    if (points_[k].y > best.y)
                        best = points_[k];
                reduced.push_back(best);
                if (last == end)
                    break;
            }
            first = end;
        }
    }
    const std::vector<Point>& points = envelopeBins_ > 0 ? reduced : points_;
    if (static_cast<int>(points.size()) < kMinimumPoints)
        return result;
    const int segments = points.back().segment + 1;
    const dsp::ParallelLines first = FitLines(points, segments, [](const Point&) { return true; });
    if (!first.valid)
        return result;
    // The scatter about the first lines, judged by its median so that the outliers themselves
    // do not widen the band that is to catch them.
    std::vector<double> residuals;
    residuals.reserve(points.size());
    for (const Point& p : points)
        residuals.push_back(std::fabs(p.y - first.At(p.segment, p.x)));
    std::nth_element(residuals.begin(), residuals.begin() + residuals.size() / 2, residuals.end());
    const double sigma = std::max(kMadToSigma * residuals[residuals.size() / 2], kResidualFloor);
    const dsp::ParallelLines lines = FitLines(points, segments, [&](const Point& p) {
        return std::fabs(p.y - first.At(p.segment, p.x)) <= kOutlierFactor * sigma;
    });
    if (!lines.valid || lines.span < kMinimumSpan)
        return result;
    result.valid = true;
    result.error = lines.slope * kSecondsPerDay;
    result.uncertainty = 2.0 * lines.slopeError * kSecondsPerDay;
    result.span = lines.span;
    result.used = lines.n;
    return result;
}

} // namespace tickora
