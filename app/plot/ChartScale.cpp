#include "app/plot/ChartScale.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <utility>

namespace plot {

namespace {

// More ticks than any sensible axis holds; a bound against degenerate steps.
constexpr int kMaxTicks = 1000;

} // namespace

ValueRange FitRange(const longterm::SeriesStatistics& statistics, double pad, bool nonNegative) {
    const double mean = statistics.Mean;
    const double deviation = statistics.Deviation;
    double lo = statistics.Minimum;
    double hi = statistics.Maximum;
    if (deviation > 0) {
        // Extreme outliers do not stretch the axis; one deviation either side always shows.
        lo = std::max(lo, mean - 3 * deviation);
        hi = std::min(hi, mean + 3 * deviation);
        lo = std::min(lo, mean - deviation);
        hi = std::max(hi, mean + deviation);
    }
    if (hi < lo) {
        std::swap(lo, hi);
    }
    // A steady watch varies by hundredths; stretched over the whole panel that would read as
    // an erratic watch, under labels too close to tell apart. The axis spans at least the
    // pad either side of the mean.
    lo = std::min(lo, mean - pad);
    hi = std::max(hi, mean + pad);
    if (nonNegative && lo < 0) {
        lo = 0;
    }
    return {lo, hi};
}

AxisScale NiceScale(int divisions, double lo, double hi) {
    if (!std::isfinite(lo) || !std::isfinite(hi)) {
        lo = 0;
        hi = 1;
    }
    if (hi < lo) {
        std::swap(lo, hi);
    }
    if (hi == lo) {
        const double half = std::max(std::abs(lo) * 1e-3, 0.1);
        lo -= half;
        hi += half;
    }
    divisions = std::max(divisions, 2);
    const double raw = (hi - lo) / (divisions - 1);
    const double thirds = std::floor(3 * std::log10(raw) + 0.5); // thirds of a decade
    // A range wider than the doubles allow (or one of no width at all) has no nice step.
    if (!(std::abs(thirds) < 3000)) {
        return {};
    }
    const int k = static_cast<int>(thirds);
    const int decade = k >= 0 ? k / 3 : -((-k + 2) / 3); // floor(k / 3)
    const int third = k - 3 * decade;                    // 0, 1 or 2
    const double mantissa = third == 0 ? 1.0 : third == 1 ? 2.0 : 5.0;
    AxisScale scale;
    scale.step = mantissa * std::pow(10.0, decade);
    scale.axisLo = std::floor(lo / scale.step) * scale.step;
    scale.axisHi = std::ceil(hi / scale.step) * scale.step;
    if (!std::isfinite(scale.step) || !(scale.step > 0) || !std::isfinite(scale.axisLo) ||
        !std::isfinite(scale.axisHi) || !(scale.axisHi > scale.axisLo)) {
        return {}; // beyond the double range: a plain 0 to 1 axis
    }
    return scale;
}

AxisScale TimeScale(int pointCount, double interval) {
    double hours = pointCount * interval / 3600;
    if (!(hours > 0.499)) {
        hours = 0.499;
    }
    AxisScale scale = NiceScale(7, 0, hours);
    // Hour fractions read better as whole minutes.
    if (scale.step < 0.1001) {
        scale.step = 1.0 / 12; // five minutes
    } else if (scale.step < 0.2001) {
        scale.step = 1.0 / 6; // ten minutes
    }
    return scale;
}

int ValueTickCount(const AxisScale& scale) {
    int count = 0;
    while (count < kMaxTicks && ValueTick(scale, count) < scale.axisHi + 0.1 * scale.step) {
        ++count;
    }
    return count;
}

double ValueTick(const AxisScale& scale, int index) {
    const double value = scale.axisLo + index * scale.step;
    return std::abs(value) < scale.step * 1e-6 ? 0.0 : value;
}

int TimeTickCount(const AxisScale& scale) {
    int count = 0;
    while (count < kMaxTicks && TimeTick(scale, count + 1) < scale.axisHi + 0.1 * scale.step) {
        ++count;
    }
    return count;
}

double TimeTick(const AxisScale& scale, int index) {
    return scale.axisLo + index * scale.step;
}

std::string ValueLabel(double value, double step) {
    const char* format = step < 0.0999 ? "%.2f" : step < 0.999 ? "%.1f" : "%.0f";
    char text[64];
    std::snprintf(text, sizeof text, format, value);
    std::string label = text;
    if (label.find_first_not_of("-0.") == std::string::npos && label.front() == '-') {
        label.erase(0, 1); // no "-0.00"
    }
    return label;
}

std::string TimeLabel(double hours) {
    double whole = std::floor(hours);
    double minutes = std::nearbyint((hours - whole) * 60);
    if (minutes >= 60) {
        whole += 1;
        minutes = 0;
    }
    char text[64];
    std::snprintf(text, sizeof text, "%.0f:%02.0f", whole, minutes);
    return text;
}

} // namespace plot
