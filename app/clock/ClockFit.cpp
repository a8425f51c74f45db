#include "app/clock/ClockFit.h"

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

// Parallel lines, one per segment, by least squares: the common slope from the pooled
// deviations about each segment's means.
struct Lines {
    double slope = 0.0;
    double slopeError = 0.0; // standard error of the slope
    std::vector<double> intercepts;
    double span = 0.0; // s of x covered by the points used, summed over the segments
    int n = 0;
    bool valid = false;

    double At(const Point& p) const {
        return intercepts[static_cast<std::size_t>(p.segment)] + slope * p.x;
    }
};

template <typename Keep> Lines FitLines(const std::vector<Point>& points, int segments, Keep keep) {
    Lines lines;
    const auto count = static_cast<std::size_t>(segments);
    std::vector<double> sx(count), sy(count), xMin(count), xMax(count);
    std::vector<int> n(count);
    for (const Point& p : points) {
        if (!keep(p))
            continue;
        const auto s = static_cast<std::size_t>(p.segment);
        if (n[s] == 0)
            xMin[s] = xMax[s] = p.x;
        xMin[s] = std::min(xMin[s], p.x);
        xMax[s] = std::max(xMax[s], p.x);
        sx[s] += p.x;
        sy[s] += p.y;
        ++n[s];
        ++lines.n;
    }
    int used = 0; // segments with points
    for (std::size_t s = 0; s < count; ++s) {
        if (n[s] == 0)
            continue;
        ++used;
        lines.span += xMax[s] - xMin[s];
        sx[s] /= n[s];
        sy[s] /= n[s];
    }
    if (lines.n < used + 2)
        return lines;
    double sxx = 0.0, sxy = 0.0;
    for (const Point& p : points) {
        if (!keep(p))
            continue;
        const auto s = static_cast<std::size_t>(p.segment);
        sxx += (p.x - sx[s]) * (p.x - sx[s]);
        sxy += (p.x - sx[s]) * (p.y - sy[s]);
    }
    if (!(sxx > 0.0))
        return lines;
    lines.slope = sxy / sxx;
    lines.intercepts.resize(count);
    for (std::size_t s = 0; s < count; ++s)
        lines.intercepts[s] = sy[s] - lines.slope * sx[s];
    double ssr = 0.0;
    for (const Point& p : points) {
        if (!keep(p))
            continue;
        const double r = p.y - lines.At(p);
        ssr += r * r;
    }
    lines.slopeError = std::sqrt(ssr / (lines.n - used - 1) / sxx);
    lines.valid = true;
    return lines;
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
    const Lines first = FitLines(points, segments, [](const Point&) { return true; });
    if (!first.valid)
        return result;
    // The scatter about the first lines, judged by its median so that the outliers themselves
    // do not widen the band that is to catch them.
    std::vector<double> residuals;
    residuals.reserve(points.size());
    for (const Point& p : points)
        residuals.push_back(std::fabs(p.y - first.At(p)));
    std::nth_element(residuals.begin(), residuals.begin() + residuals.size() / 2, residuals.end());
    const double sigma = std::max(kMadToSigma * residuals[residuals.size() / 2], kResidualFloor);
    const Lines lines = FitLines(points, segments, [&](const Point& p) {
        return std::fabs(p.y - first.At(p)) <= kOutlierFactor * sigma;
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
