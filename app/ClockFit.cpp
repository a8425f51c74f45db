#include "app/ClockFit.h"

#include <algorithm>
#include <cmath>

namespace tickora {

namespace {

constexpr int kMinimumPoints = 8;
constexpr double kMinimumSpan = 5.0;    // s before a rate is worth showing
constexpr double kSecondsPerDay = 86400.0;
constexpr double kOutlierFactor = 4.0;   // robust standard deviations a kept point may lie off
constexpr double kMadToSigma = 1.4826;   // median absolute deviation of a normal law, to sigma
constexpr double kResidualFloor = 1e-6;  // s, below which scatter is taken as none

struct Line {
    double slope = 0.0;
    double intercept = 0.0;
    double slopeError = 0.0; // standard error of the slope
    double xMin = 0.0;
    double xMax = 0.0;
    int n = 0;
    bool valid = false;
};

template <typename Points, typename Keep>
Line FitLine(const Points& points, Keep keep) {
    Line line;
    double sx = 0.0, sy = 0.0;
    for (const auto& p : points) {
        if (!keep(p))
            continue;
        if (line.n == 0)
            line.xMin = line.xMax = p.x;
        line.xMin = std::min(line.xMin, p.x);
        line.xMax = std::max(line.xMax, p.x);
        sx += p.x;
        sy += p.y;
        ++line.n;
    }
    if (line.n < 3)
        return line;
    const double mx = sx / line.n;
    const double my = sy / line.n;
    double sxx = 0.0, sxy = 0.0;
    for (const auto& p : points) {
        if (!keep(p))
            continue;
        sxx += (p.x - mx) * (p.x - mx);
        sxy += (p.x - mx) * (p.y - my);
    }
    if (!(sxx > 0.0))
        return line;
    line.slope = sxy / sxx;
    line.intercept = my - line.slope * mx;
    double ssr = 0.0;
    for (const auto& p : points) {
        if (!keep(p))
            continue;
        const double r = p.y - (line.intercept + line.slope * p.x);
        ssr += r * r;
    }
    line.slopeError = std::sqrt(ssr / (line.n - 2) / sxx);
    line.valid = true;
    return line;
}

} // namespace

ClockFit::Result ClockFit::Fit() const {
    Result result;
    if (Count() < kMinimumPoints)
        return result;
    const Line first = FitLine(points_, [](const Point&) { return true; });
    if (!first.valid)
        return result;
    // The scatter about the first line, judged by its median so that the outliers themselves
    // do not widen the band that is to catch them.
    std::vector<double> residuals;
    residuals.reserve(points_.size());
    for (const Point& p : points_)
        residuals.push_back(std::fabs(p.y - (first.intercept + first.slope * p.x)));
    std::nth_element(residuals.begin(), residuals.begin() + residuals.size() / 2,
                     residuals.end());
    const double sigma =
        std::max(kMadToSigma * residuals[residuals.size() / 2], kResidualFloor);
    const Line line = FitLine(points_, [&](const Point& p) {
        return std::fabs(p.y - (first.intercept + first.slope * p.x)) <= kOutlierFactor * sigma;
    });
    if (!line.valid || line.xMax - line.xMin < kMinimumSpan)
        return result;
    result.valid = true;
    result.error = line.slope * kSecondsPerDay;
    result.uncertainty = 2.0 * line.slopeError * kSecondsPerDay;
    result.span = line.xMax - line.xMin;
    result.used = line.n;
    return result;
}

} // namespace tickora
