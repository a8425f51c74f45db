#pragma once

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

// times: the count (>= 4) onset times (s) of the window's records in order; beatFrequency:
// beats/s; work: room for count doubles. A pure function of its inputs.
PlainWindow FitPlainWindow(const double* times, int count, double beatFrequency, double* work);

// The median of count values, reordering them; 0 for none.
double MedianInPlace(double* values, int count);

} // namespace dsp
