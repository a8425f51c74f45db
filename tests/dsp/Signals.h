#pragma once

#include "dsp/DSP.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace dsptest {

// Hand-made sounds for the unfiltered kind, where a sample's level is simply its magnitude
// times kUnfilteredScale, so every level of a test is known exactly.
class Sound {
public:
    explicit Sound(std::int64_t length) : samples_(static_cast<std::size_t>(length), 0) {}

    void Set(std::int64_t at, std::int16_t value) {
        if (at >= 0 && at < Length()) {
            samples_[static_cast<std::size_t>(at)] = value;
        }
    }
    void Fill(std::int64_t from, std::int64_t count, std::int16_t value) {
        for (std::int64_t i = from; i < from + count; ++i) {
            Set(i, value);
        }
    }
    std::int64_t Length() const { return static_cast<std::int64_t>(samples_.size()); }
    const std::int16_t* Data() const { return samples_.data(); }
    std::vector<std::int16_t>& Samples() { return samples_; }

private:
    std::vector<std::int16_t> samples_;
};

inline double LevelOf(std::int16_t sample) {
    return std::fabs(sample * dsp::kUnfilteredScale);
}

// Feeds the sound to the detector in capture-sized buffers; true when any call completed a
// record.
inline bool DetectRange(dsp::SignalAnalysis& analysis, const Sound& sound, std::int64_t from,
                        std::int64_t to, int period = 20, int angle = 52,
                        dsp::PlotRawCallback plot = {}, int rows = 0, bool plotEnabled = false) {
    bool completed = false;
    for (std::int64_t at = from; at < to; at += 4096) {
        const int count = static_cast<int>(std::min<std::int64_t>(4096, to - at));
        completed |= analysis.ProcessTickSamples(sound.Data() + at, count, period, plot, rows,
                                                 plotEnabled, angle);
    }
    return completed;
}

inline bool Detect(dsp::SignalAnalysis& analysis, const Sound& sound, int period = 20,
                   int angle = 52) {
    return DetectRange(analysis, sound, 0, sound.Length(), period, angle);
}

// A watch as onsets at given sample positions: a first sound that only aligns the detector,
// then one beat per onset, each a short onset click and a louder peak some samples later.
struct Beat {
    std::int64_t onset;
    std::int64_t peakDelay; // samples after the onset
};

inline constexpr std::int16_t kOnsetSample = 10000; // level 0.305
inline constexpr std::int16_t kPeakSample = 20000;  // level 0.610

inline void AddBeat(Sound& sound, const Beat& beat) {
    sound.Set(beat.onset, kOnsetSample);
    sound.Set(beat.onset + beat.peakDelay, kPeakSample);
}

} // namespace dsptest
