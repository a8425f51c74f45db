#pragma once

#include <vector>

namespace tickora {

// A clock measured against a reference: points (reference time, how far the clock is ahead
// of it), fitted with a straight line whose slope is the clock's rate error. Points that lie
// far off the line (a buffer delivered late because the machine was busy, a stray knock
// taken for a beat) are left out of a second fit. The uncertainty is twice the standard error
// of the slope, about 95 % confidence. Plain arithmetic, no threads.
class ClockFit {
public:
    void Clear() { points_.clear(); }
    // reference: s; ahead: s the measured clock is ahead of the reference at that moment.
    void Add(double reference, double ahead) { points_.push_back({reference, ahead}); }

    struct Result {
        bool valid = false;      // enough points over enough time
        double error = 0.0;      // s/d, positive when the measured clock runs fast
        double uncertainty = 0.0; // s/d, either way
        double span = 0.0;        // s of reference time covered
        int used = 0;             // points in the final fit
    };
    Result Fit() const;

    int Count() const { return static_cast<int>(points_.size()); }

private:
    struct Point {
        double x; // s
        double y; // s
    };
    std::vector<Point> points_;
};

} // namespace tickora
