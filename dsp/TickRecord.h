#pragma once

#include <cstdint>

namespace dsp {

// One detected beat. Time and PeakDelay come from the detector; the results are filled at
// the beat's onset from the fifth beat of a test on (Amplitude one beat later).
struct TickRecord {
    double Time = 0.0;            // s, sample clock at the onset
    double PeakDelay = 0.0;       // s, onset to the loudest sample of the beat
    double Span = 0.0;            // s, length of the averaging window
    double RateError = 0.0;       // s/d
    double AmplitudeMedian = 0.0; // degrees, median over the window
    double Amplitude = 0.0;       // degrees, this beat alone
    double BeatErrorMedian = 0.0; // ms, median over the window
    double BeatError = 0.0;       // ms, of this beat pair
    bool Valid = false;           // the results may be shown
    // Set by the detector's whole-beat alignment and the window's fits.
    std::int64_t OnsetSample = 0;  // sample clock at the threshold onset
    std::int64_t Beat = 0;         // beats since the test's first record, missed beats counted
    bool Aligned = false;          // the alignment offers another time for the beat
    double AlignedTime = 0.0;      // s
    double AlignedPeakDelay = 0.0; // s
    double FirstSound = -1.0;      // s, where the lift is measured from when not at Time
    double LiftBias = 0.0;         // s, the filter's lengthening of the lift, taken off
    bool Used = true;              // its timing agrees with the window's fit
    bool AmplitudeUsed = true;     // Amplitude counts in the medians
    bool BeatErrorUsed = true;     // BeatError counts in the medians
    double UsedShare = 1.0;        // of the window's beats, missed ones included
    double Scatter = 0.0;          // ms, robust spread of the window's timings about the fit
    bool Trusted = true;           // the window's rate is known to about 1 s/d
};

// One record as handed to the main window.
struct TickResult {
    double Span = 0.0;      // s
    double Rate = 0.0;      // s/d
    double Amplitude = 0.0; // degrees
    double BeatError = 0.0; // ms, mean of this and the previous record's median
    double Time = 0.0;      // s
    bool Valid = false;
    // Signal quality of the window: the share of its beats used (missed beats and beats set
    // aside as strays count against it), the timing scatter about the fit, and whether the
    // window is trustworthy (enough beats, scatter small enough, ticks and tocks agreeing).
    double Used = 1.0;    // 0 ... 1
    double Scatter = 0.0; // ms
    bool Trusted = true;
};

// A result is settled when it is valid, its span reaches the averaging period (less a margin
// for rounding) and its window is trustworthy.
inline bool IsSettled(const TickResult& result, int period) {
    return result.Valid && result.Trusted && result.Span >= period - 0.0001; // s
}

} // namespace dsp
