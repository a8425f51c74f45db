#include "dsp/WindowFit.h"

#include <algorithm>
#include <cmath>

namespace dsp {

double LineFit::RateError() const {
    if (n < 3) {
        return 0.0;
    }
    if (!(spreadX > 0.0)) {
        return 1e300;
    }
    return std::sqrt(sse / (n - 2) / spreadX) * kSecondsPerDay;
}

LineFit SolveLine(const LineSums& s) {
    LineFit fit;
    const int n = s.n;
    fit.n = n;
    if (n < 2) {
        return fit;
    }
    fit.slope = (s.sxy - s.sx * s.sy / n) / (s.sxx - s.sx * s.sx / n);
    fit.intercept = (s.sy - fit.slope * s.sx) / n;
    fit.spreadX = s.sxx - s.sx * s.sx / n;
    const double vy = (n * s.syy - s.sy * s.sy) / ((n - 1.0) * n);
    const double sdy = vy > 0.0 ? std::sqrt(vy) : 0.0;
    if (sdy < 1e-9) {
        fit.quality = 1.0;
    } else {
        const double vx = (n * s.sxx - s.sx * s.sx) / ((n - 1.0) * n);
        const double sdx = vx > 0.0 ? std::sqrt(vx) : 0.0;
        const double r = fit.slope * sdx / sdy;
        fit.quality = r * r;
    }
    return fit;
}

double MedianInPlace(double* values, int count) {
    if (count <= 0) {
        return 0.0;
    }
    std::nth_element(values, values + count / 2, values + count);
    return values[count / 2];
}

double MiddleHalfInPlace(double* values, int count) {
    if (count <= 0) {
        return 0.0;
    }
    std::sort(values, values + count);
    return values[3 * count / 4] - values[count / 4];
}

PlainWindow FitPlainWindow(const double* times, int count, double beatFrequency, double* work) {
    PlainWindow window;
    const double ts = times[0];
    LineSums sums[2];
    for (int k = 0; k < count; ++k) {
        sums[k & 1].Add(k / beatFrequency, times[k] - ts);
        if (k > 0 && std::nearbyint((times[k] - times[k - 1]) * beatFrequency) != 1.0) {
            window.consecutive = false;
        }
    }
    LineFit fits[2] = {SolveLine(sums[0]), SolveLine(sums[1])};
    double sse[2] = {0.0, 0.0};
    for (int k = 0; k < count; ++k) {
        const double r = fits[k & 1].Residual(k / beatFrequency, times[k] - ts);
        sse[k & 1] += r * r;
        work[k] = std::fabs(r);
        window.largest = std::max(window.largest, work[k]);
    }
    for (int p = 0; p < 2; ++p) {
        fits[p].sse = sse[p];
        window.parityRate[p] = fits[p].Rate();
        window.parityError[p] = fits[p].RateError();
    }
    // The ticks' line unless the tocks' fits strictly better.
    const int chosen = fits[1].quality > fits[0].quality ? 1 : 0;
    window.rate = window.parityRate[chosen];
    window.rateError = window.parityError[chosen];
    window.scatter = 1.4826 * MedianInPlace(work, count);
    return window;
}

bool LineMostAgreeWith(const double* xs, const double* ys, int n, double tolerance, int tries,
                       LineFit& line) {
    const int half = n / 2;
    const int pairs = n - half;
    if (half < 1 || tries < 1) {
        return false;
    }
    const int step = std::max(1, pairs / tries);
    int best = 0;
    for (int k = 0; k < pairs; k += step) {
        if (!(xs[k + half] > xs[k])) {
            continue;
        }
        LineFit candidate;
        candidate.slope = (ys[k + half] - ys[k]) / (xs[k + half] - xs[k]);
        candidate.intercept = ys[k] - candidate.slope * xs[k];
        int agree = 0;
        for (int j = 0; j < n; ++j) {
            agree += std::fabs(candidate.Residual(xs[j], ys[j])) <= tolerance ? 1 : 0;
        }
        if (agree > best) {
            best = agree;
            line = candidate;
        }
    }
    return best > 0;
}

} // namespace dsp
