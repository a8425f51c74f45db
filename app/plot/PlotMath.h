#pragma once

#include <cmath>
#include <limits>

namespace plot {

// Rounding to the nearest integer with halves to even, as every picture of the program
// rounds; values beyond the int range (and NaN, as low) are held at its ends so that a wild
// input cannot overflow a pixel coordinate.
inline int RoundToInt(double value) {
    constexpr double kLow = std::numeric_limits<int>::min();
    constexpr double kHigh = std::numeric_limits<int>::max();
    if (!(value >= kLow)) {
        return std::numeric_limits<int>::min();
    }
    if (value >= kHigh) {
        return std::numeric_limits<int>::max();
    }
    return static_cast<int>(std::nearbyint(value));
}

// Truncation toward zero with the same protection.
inline int TruncToInt(double value) {
    constexpr double kLow = std::numeric_limits<int>::min();
    constexpr double kHigh = std::numeric_limits<int>::max();
    if (!(value >= kLow)) {
        return std::numeric_limits<int>::min();
    }
    if (value >= kHigh) {
        return std::numeric_limits<int>::max();
    }
    return static_cast<int>(std::trunc(value));
}

} // namespace plot
