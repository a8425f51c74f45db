#pragma once

namespace dsp {

// What a window's fit and its beats show.
struct WindowFigures {
    bool consecutive = true;       // no beat missed between its first and last
    double usedShare = 1.0;        // of its beats used, missed ones included
    double heardShare = 0.0;       // of its ticks or tocks, the fewer: used or their drops on time
    double scatter = 0.0;          // s, robust spread of the timings about the fit
    double largest = 0.0;          // s, the largest departure from the fit
    double rateError = 0.0;        // s/d, standard error of the rate
    double parityRate[2] = {};     // s/d, the ticks' and the tocks'
    double parityError[2] = {};    // s/d, their standard errors
    bool amplitudesAgree = true;   // the beats' amplitudes do not scatter widely
    double amplitudeShare = 1.0;   // of its beats, those whose amplitudes its median counts
    double parityGap = 0.0;        // ticks' and tocks' amplitudes apart, share of the median
    bool onFirstSounds = true;     // the onsets sit on the beats' first sounds
    bool straysTogether = false;   // its beats set aside sit together: another sound
    double louderBeforePeak = 0.0; // share of its beats with their drops before their peak windows
    // The larger share of ticks or tocks with a drop after their loudest points, where taking
    // their lifts to those drops makes ticks and tocks read alike (else 0).
    double dropAfterPeak = 0.0;
    double beatError = 0.0;     // ms, the window's median
    double amplitude = 0.0;     // degrees, the window's median
    int liftAngle = 52;         // degrees
    double beatFrequency = 1.0; // beats/s
};

// The plain window holds together: no beat missed or departing from the fit, a tight scatter,
// ticks and tocks agreeing and timed on the same sound, the onsets on the first sounds, and the
// loudest points on the drops. Its reading is then the plain one.
bool HoldsTogether(const WindowFigures& figures);

// The window's reading can be trusted: enough beats used or heard on time (more when those
// set aside sit together on another sound of the beat), a tight scatter, the rate known to
// about 1 s/d, ticks and tocks agreeing and timed on the same sound, amplitudes not scattered,
// no earlier sound of the beats left out of their lifts, and their drops in their peak windows.
bool Trusted(const WindowFigures& figures);

} // namespace dsp
