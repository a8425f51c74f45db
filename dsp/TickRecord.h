#pragma once

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
};

// One record as handed to the main window.
struct TickResult {
    double Span = 0.0;      // s
    double Rate = 0.0;      // s/d
    double Amplitude = 0.0; // degrees
    double BeatError = 0.0; // ms, mean of this and the previous record's median
    double Time = 0.0;      // s
    bool Valid = false;
};

// A result is settled (its averaging window is full) when it is valid and its span reaches
// the averaging period, less a margin for rounding.
inline bool IsSettled(const TickResult& result, int period) {
    return result.Valid && result.Span >= period - 0.0001; // s
}

} // namespace dsp
