#pragma once

#include <cmath>
#include <limits>

namespace plot {

// A double turned into an int by the given rounding; values beyond the int range (and NaN,
// as low) are held at its ends so that a wild input cannot overflow a pixel coordinate.
template <typename Rounding> int ClampedToInt(double value, Rounding rounding) {
    constexpr double kLow = std::numeric_limits<int>::min();
    constexpr double kHigh = std::numeric_limits<int>::max();
    if (!(value >= kLow)) {
        return std::numeric_limits<int>::min();
    }
    if (value >= kHigh) {
        return std::numeric_limits<int>::max();
    }
    return static_cast<int>(rounding(value));
}

// Rounding to the nearest integer with halves to even, as every picture of the program
// rounds.
inline int RoundToInt(double value) {
    return ClampedToInt(value, [](double v) { return std::nearbyint(v); });
}

// Truncation toward zero with the same protection.
inline int TruncToInt(double value) {
    return ClampedToInt(value, [](double v) { return std::trunc(v); });
}

} // namespace plot
