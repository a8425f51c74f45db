#pragma once

#include <cstdint>

namespace dsp {

// The threshold detector: half a beat of quiet below the threshold, a first sound that only
// aligns it, then per beat an onset, the lift at 360 degrees ignored, the loudest level up
// to 0.2 beat after the onset, and a hold until 0.9 beat (plus that lift) has passed. It
// reports onsets and peaks and knows nothing else: the beats, their candidates and the
// results are made from what it reports.
//
// Small and copyable, so that the per-sample loop runs it as a local and stores it back once
// per chunk.
class OnsetDetector {
public:
    // Sample counts: half a beat (Q), the peak window's end (P2), 0.9 beat (P9) and the lift
    // at 360 degrees.
    struct Counts {
        std::int64_t quiet = 0;
        std::int64_t peakEnd = 0;
        std::int64_t hold = 0;
        std::int64_t minLift = 0;
    };
    enum class Event { None, FirstSound, Onset, Peak };

    void Reset(const Counts& counts) {
        counts_ = counts;
        quiet_ = counts.quiet;
        awaiting_ = true;
        blank_ = 0;
        peakCount_ = 0;
        hold_ = counts.hold;
    }
    // Counts that change with the sample rate or beat rate apply from the next beat on.
    void SetCounts(const Counts& counts) { counts_ = counts; }

    // Past the quiet and the first sound: every level now belongs to a beat's timeline.
    bool Running() const { return quiet_ <= 0 && !awaiting_; }

    // One level at sample clock `clock`; returns what it found.
    Event Step(double level, double threshold, std::int64_t clock) {
        if (quiet_ > 0) {
            quiet_ = level >= threshold ? counts_.quiet : quiet_ - 1;
            return Event::None;
        }
        if (awaiting_) {
            if (level >= threshold) {
                awaiting_ = false;
                hold_ = counts_.hold;
                return Event::FirstSound;
            }
            return Event::None;
        }
        if (blank_ > 0) {
            --blank_;
        } else if (peakCount_ > 0) {
            // Strictly louder, so the earliest of equal maxima wins.
            if (level > peak_) {
                peak_ = level;
                peakSample_ = clock;
            }
            if (--peakCount_ == 0) {
                return Event::Peak;
            }
        } else if (hold_ > 0) {
            --hold_;
        } else if (level >= threshold) {
            blank_ = counts_.minLift;
            // At least one sample is searched, so every onset completes its peak.
            peakCount_ = counts_.peakEnd - blank_ > 1 ? counts_.peakEnd - blank_ : 1;
            hold_ = counts_.hold - peakCount_;
            peak_ = 0.0;
            peakSample_ = clock + counts_.minLift;
            return Event::Onset;
        }
        return Event::None;
    }

    // How many of the next levels Step would pass over whatever they are: the rest of the
    // blank after an onset, or of the hold before the next one may start.
    std::int64_t Unheeded() const {
        if (quiet_ > 0 || awaiting_) {
            return 0;
        }
        if (blank_ > 0) {
            return blank_;
        }
        return peakCount_ > 0 ? 0 : hold_;
    }
    // Passes over n levels, n at most Unheeded(): what n calls of Step would do with them.
    void PassOver(std::int64_t n) {
        if (blank_ > 0) {
            blank_ -= n;
        } else {
            hold_ -= n;
        }
    }

    // The loudest sample of the last peak window (its first sample when all were silent).
    std::int64_t PeakSample() const { return peakSample_; }

private:
    Counts counts_;
    std::int64_t quiet_ = 0;
    bool awaiting_ = true;
    std::int64_t blank_ = 0;
    std::int64_t peakCount_ = 0;
    std::int64_t hold_ = 0;
    double peak_ = 0.0;
    std::int64_t peakSample_ = 0;
};

} // namespace dsp
