#pragma once

#include <cstdint>

namespace dsp {

inline constexpr int kTickRingSize = 8192; // records

// One detected beat. Time and PeakDelay are what the threshold detector measured, and
// Amplitude and BeatError what they give by the plain arithmetic; nothing later overwrites
// them. The whole-beat alignment only offers candidates (AlignedTime, FirstSound); the repair
// of a window that does not hold together chooses among them into the Repaired fields. The
// window's results are filled at the beat's completion from the fifth beat of a test on
// (Amplitude one beat later): the plain ones whenever the plain window holds together.
struct TickRecord {
    double Time = 0.0;            // s, sample clock at the onset
    double PeakDelay = 0.0;       // s, onset to the loudest sample of the beat
    double Span = 0.0;            // s, length of the averaging window
    double RateError = 0.0;       // s/d
    double AmplitudeMedian = 0.0; // degrees, median over the window
    double Amplitude = 0.0;       // degrees, this beat alone, from Time and PeakDelay
    double BeatErrorMedian = 0.0; // ms, median over the window
    double BeatError = 0.0;       // ms, of this beat pair, from the Times
    bool Valid = false;           // the results may be shown
    std::int64_t OnsetSample = 0; // sample clock at the threshold onset
    double LiftBias = 0.0;        // s, the filter's lengthening of the lift, taken off
    // Candidates offered by the whole-beat alignment.
    bool Aligned = false;          // the alignment offers another time for the beat
    // s, from the time to where the beat error is taken when the onsets sit past the first
    // sounds: its parity's usual offset against both parities' (kept within the padding)
    float SoundShift = 0.0f;
    double AlignedTime = 0.0;      // s
    double AlignedPeakDelay = 0.0; // s, from AlignedTime
    double FirstSound = -1.0;      // s, where the lift is measured from when not at the time
    // A sound far louder than the beat's peak lies between its onset and its peak window: the
    // drop, heard before the shortest lift, so the onset sits past the beat's unlocking.
    bool LouderBeforePeak = false;
    // A later burst nearly as loud as the beat's loudest point follows it after a clear dip:
    // that burst is the drop, the loudest point an impulse beside a short drop.
    bool DropAfterPeak = false;
    float DropDelay = 0.0f; // s, from the loudest point to that drop (kept within the padding)
    // The repair's choice for the beat, and its results; the plain values while every window
    // it was in held together.
    std::int64_t Beat = 0;          // beats since the test's first record, missed beats counted
    double RepairedTime = 0.0;      // s
    double RepairedPeakDelay = 0.0; // s, from RepairedTime
    double RepairedAmplitude = 0.0; // degrees
    double RepairedBeatError = 0.0; // ms
    bool Used = true;               // its timing agrees with the window's fit
    bool AmplitudeUsed = true;      // RepairedAmplitude counts in the medians
    bool BeatErrorUsed = true;      // RepairedBeatError counts in the medians
    // The window's signal figures.
    bool Plain = true;      // the window held together: its results are the plain arithmetic's
    double UsedShare = 1.0; // of the window's beats, missed ones included
    double Scatter = 0.0;   // ms, robust spread of the window's timings about the fit
    bool Trusted = true;    // the window's rate is known to about 1 s/d
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
