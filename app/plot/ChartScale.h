#pragma once

#include "longterm/SeriesStatistics.h"

#include <string>

namespace plot {

// The value range a series needs on its axis, before it is rounded to nice steps.
struct ValueRange {
    double lo = 0;
    double hi = 0;
};

// An axis rounded to steps of 1, 2 or 5 times a power of ten.
struct AxisScale {
    double step = 1;
    double axisLo = 0;
    double axisHi = 1;
};

// The range of one series: its extremes, held within three deviations of the mean but
// always showing one deviation either side, and never less than mean +- pad.
// nonNegative keeps the lower end at 0 or above (amplitude, beat error).
ValueRange FitRange(const longterm::SeriesStatistics& statistics, double pad, bool nonNegative);

// A step of 1, 2 or 5 times a power of ten near (hi - lo) / (divisions - 1), and the range
// widened to whole steps. A range that is empty, reversed or not finite is made usable
// first, so the result always has a positive finite step and axisHi > axisLo.
AxisScale NiceScale(int divisions, double lo, double hi);

// The chart's time axis in hours for pointCount points sampled every interval seconds:
// at least half an hour; steps below a tenth of an hour become five minutes, steps below
// a fifth ten minutes.
AxisScale TimeScale(int pointCount, double interval);

// Value ticks run from axisLo in whole steps up to axisHi; this is their number.
int ValueTickCount(const AxisScale& scale);
// The value of tick index (0 = axisLo); a value within rounding of 0 is 0, never -0.
double ValueTick(const AxisScale& scale, int index);
// Time ticks run from one step past axisLo up to axisHi (the axis itself has none).
int TimeTickCount(const AxisScale& scale);
double TimeTick(const AxisScale& scale, int index); // index 1 is the first tick, hours

// A value axis label: two decimals for steps below 0.1, one below 1, else none.
std::string ValueLabel(double value, double step);
// A time label "h:mm" for a time in hours, minutes rounded.
std::string TimeLabel(double hours);

} // namespace plot
