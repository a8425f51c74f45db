#pragma once

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <vector>

namespace dsp {

inline constexpr double kSecondsPerDay = 86400.0;

// Sums for a least-squares line of y (measured s) against x (nominal s).
struct LineSums {
    double sx = 0.0, sy = 0.0, sxx = 0.0, syy = 0.0, sxy = 0.0;
    int n = 0;
    void Add(double x, double y) {
        sx += x;
        sy += y;
        sxx += x * x;
        syy += y * y;
        sxy += x * y;
        ++n;
    }
    // x per unit of y, the inverse of the line's slope, computed as such.
    double InverseSlope() const { return (sxx - sx * sx / n) / (sxy - sx * sy / n); }
};

// A least-squares line and how well it fits.
struct LineFit {
    double slope = 1.0;
    double intercept = 0.0;
    double quality = 0.0; // squared correlation, 1 for a perfect fit
    double sse = 0.0;     // sum of squared residuals, s^2
    double spreadX = 0.0; // sum of squared departures of x from its mean, s^2
    int n = 0;
    double Residual(double x, double y) const { return y - (intercept + slope * x); }
    double Rate() const { return (1.0 / slope - 1.0) * kSecondsPerDay; } // s/d, + gaining
    // Standard error of the rate, s/d: 0 for a line through two points (nothing to judge it
    // by), infinite when x does not spread.
    double RateError() const;
};

// The line through the sums (sse left 0); fewer than two points give slope 1.
LineFit SolveLine(const LineSums& sums);

// The plain window: the threshold onsets of consecutive records, one line per parity through
// their times against their nominal times, and the rate of the better-fitting one.
struct PlainWindow {
    double rate = 0.0;          // s/d
    double rateError = 0.0;     // s/d, standard error of that rate
    double parityRate[2] = {};  // s/d, of the ticks (0) and the tocks (1)
    double parityError[2] = {}; // s/d, their standard errors
    double scatter = 0.0;       // s, robust spread of the timings about their lines
    double largest = 0.0;       // s, the largest departure from them
    bool consecutive = true;    // every interval about one beat: none missed
};

// The line through two of the n points, half of them apart, that the most points lie within
// `tolerance` of (the first of equals), trying at most `tries` such pairs spread evenly over
// the points; xs in rising order. Where timings fall on several sounds of the beat, none of
// them on most beats, medians lie between the sounds and this line on one of them. False
// with no two points apart in x.
bool LineMostAgreeWith(const double* xs, const double* ys, int n, double tolerance, int tries,
                       LineFit& line);

// times: the count (>= 4) onset times (s) of the window's records in order; beatFrequency:
// beats/s; work: room for count doubles. A pure function of its inputs.
PlainWindow FitPlainWindow(const double* times, int count, double beatFrequency, double* work);

// Parallel lines, one per group, by least squares through a common slope taken from the
// pooled departures about each group's means: a watch's ticks and tocks, or a sound card's
// clock over the stretches between gaps in its sound.
struct ParallelLines {
    double slope = 0.0;
    double slopeError = 0.0;        // standard error of the slope
    std::vector<double> intercepts; // one per group
    double span = 0.0;              // x covered by the points, summed over the groups
    int n = 0;                      // points fitted
    bool valid = false;             // enough points, and x spread
    double At(int group, double x) const {
        return intercepts[static_cast<std::size_t>(group)] + slope * x;
    }
};

// visit(f) calls f(group, x, y) for every point to fit, groups numbered 0 ... groups - 1.
// Allocates: for the clock assistant and tools, not for the per-beat path.
template <class Visit> ParallelLines FitParallelLines(int groups, Visit visit) {
    ParallelLines lines;
    const auto count = static_cast<std::size_t>(groups);
    std::vector<double> sx(count), sy(count), xMin(count), xMax(count);
    std::vector<int> n(count);
    visit([&](int group, double x, double y) {
        const auto g = static_cast<std::size_t>(group);
        if (n[g] == 0) {
            xMin[g] = xMax[g] = x;
        }
        xMin[g] = std::min(xMin[g], x);
        xMax[g] = std::max(xMax[g], x);
        sx[g] += x;
        sy[g] += y;
        ++n[g];
        ++lines.n;
    });
    int used = 0; // groups with points
    for (std::size_t g = 0; g < count; ++g) {
        if (n[g] == 0) {
            continue;
        }
        ++used;
        lines.span += xMax[g] - xMin[g];
        sx[g] /= n[g];
        sy[g] /= n[g];
    }
    if (lines.n < used + 2) {
        return lines;
    }
    double sxx = 0.0, sxy = 0.0;
    visit([&](int group, double x, double y) {
        const auto g = static_cast<std::size_t>(group);
        sxx += (x - sx[g]) * (x - sx[g]);
        sxy += (x - sx[g]) * (y - sy[g]);
    });
    if (!(sxx > 0.0)) {
        return lines;
    }
    lines.slope = sxy / sxx;
    lines.intercepts.resize(count);
    for (std::size_t g = 0; g < count; ++g) {
        lines.intercepts[g] = sy[g] - lines.slope * sx[g];
    }
    double ssr = 0.0;
    visit([&](int group, double x, double y) {
        const double r = y - lines.At(group, x);
        ssr += r * r;
    });
    lines.slopeError = std::sqrt(ssr / (lines.n - used - 1) / sxx);
    lines.valid = true;
    return lines;
}

// The median of count values, reordering them; 0 for none.
double MedianInPlace(double* values, int count);

// How close the middle half of count values lies: the upper quartile less the lower. The
// values are left sorted, for their median and quartiles; 0 for none.
double MiddleHalfInPlace(double* values, int count);

} // namespace dsp
