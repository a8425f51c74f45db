#pragma once

#include <vector>

namespace tickora {

// A clock measured against a reference: points (reference time, how far the clock is ahead
// of it), fitted with straight lines whose common slope is the clock's rate error. The points
// come in segments: where the measured clock may have jumped (sound lost while the machine
// stalled), a new segment starts with a line of its own, parallel to the others. Points that
// lie far off their line (a buffer delivered late because the machine was busy, a stray
// knock taken for a beat) are left out of a second fit. The uncertainty is twice the
// standard error of the slope, about 95 % confidence. Plain arithmetic, no threads.
class ClockFit {
public:
    // envelopeBins: points that can only come late (a buffer is delivered some time after
    // its last sample was recorded, never before) are first reduced to the least late one,
    // the highest, of each of about this many groups of points in a row, so the longer the
    // run the more points each choice has; 0 fits every point.
    explicit ClockFit(int envelopeBins = 0) : envelopeBins_(envelopeBins) {}

    void Clear() {
        points_.clear();
        segment_ = 0;
    }
    // reference: s; ahead: s the measured clock is ahead of the reference at that moment.
    void Add(double reference, double ahead) { points_.push_back({reference, ahead, segment_}); }
    // The points from here on may be offset from those before by any amount.
    void Break() {
        if (!points_.empty() && points_.back().segment == segment_)
            ++segment_;
    }

    struct Result {
        bool valid = false;       // enough points over enough time
        double error = 0.0;       // s/d, positive when the measured clock runs fast
        double uncertainty = 0.0; // s/d, either way
        double span = 0.0;        // s of reference time covered
        int used = 0;             // points in the final fit
    };
    Result Fit() const;

    int Count() const { return static_cast<int>(points_.size()); }

    struct Point {
        double x; // s
        double y; // s
        int segment;
    };

private:
    int envelopeBins_ = 0;
    int segment_ = 0;
    std::vector<Point> points_;
};

} // namespace tickora
