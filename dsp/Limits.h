#pragma once

#include <cstdint>

// Every limit the analysis judges a beat or a window by, in one table: its value, its unit,
// and the stage that reads it. The stages, in the order a beat passes them:
//   calibration  the peak level, the threshold and the beat rate (Calibration.cpp, Rhythm.cpp)
//   detector   threshold onsets and the loudest point after each (OnsetDetector.h)
//   observer   the beats' candidate times from the averaged shapes (BeatObserver.cpp)
//   fit        the plain least-squares lines of a window (WindowFit.h), limits-free
//   repair     the choice among candidates for beats that depart from the fit (Results.cpp)
//   verdict    whether a window's reading is trusted (Results.cpp)
namespace dsp::limits {

// --- calibration: the level ladder and the rhythm ---
inline constexpr int kLadderRungs = 32;          // thresholds between the mean and the peak
inline constexpr double kMaxIrregularity = 0.05; // beats: median departure of two-beat intervals
inline constexpr double kSteadyOnsets = 0.01;    // beats: irregularity of onsets on the ticks
inline constexpr double kRateAgreement = 0.01;   // relative: a set rate confirmed within
inline constexpr double kMinPeriodicity = 0.3;   // normalised autocorrelation at two beats
inline constexpr double kLagTolerance = 0.015;   // of the lag, either way
inline constexpr int kTrend = 10;                // 10 ms blocks of the moving mean taken out

// --- observer: the shapes and the candidates they offer ---
inline constexpr int kShapeWarmup = 8;                // beats averaged before any is offered
inline constexpr int kShapeMemory = 16;               // beats; the shape then follows slowly
inline constexpr double kMinCorrelation = 0.5;        // normalised, of a confident alignment
inline constexpr double kCandidateCorrelation = 0.15; // normalised, of a candidate at all
inline constexpr double kFoldStep = 2.5e-4;           // relative period step of a folded start
inline constexpr int kFoldSteps = 8;                  // steps either side: about 170 s/d
inline constexpr std::int64_t kPredictBeats = 8;      // beats: a beat predicted from its parity's
inline constexpr double kBiasReach = 1.0e-3;          // s searched before a filtered peak
inline constexpr double kBiasLead = 0.25e-3;          // s searched before a filtered onset
inline constexpr double kMaxLiftBias = 1.0e-3;        // s, the most a band-pass lengthens a lift
inline constexpr double kFarPeakRatio = 1.02;         // louder unfiltered: the drop lies elsewhere
inline constexpr double kBiasAgreement = 1.0e-3;      // s, middle half of a drop elsewhere
inline constexpr int kLiftBiases = 64;                // beats whose lift bias is the median's
inline constexpr double kBiasNeighbours = 0.25e-3;    // s: filtered lifts this close share a bias
inline constexpr double kTrackReach = 1e-3;           // s searched either way of a prediction
inline constexpr double kAlignTolerance = 1e-4;       // s: a departure within leaves the onset
inline constexpr double kFirstSound = 0.07;           // of the loudest point: a shape's start
inline constexpr double kQuietRoughness = 6.0;        // mean deviations of the quiet: above it
inline constexpr int kQuietPoints = 5;                // shape points: the quiet before a beat
inline constexpr double kClearlyBetter = 0.1;         // normalised: better than the onset's own
inline constexpr int kRecentOffsets = 32;             // beats: where the onsets usually sit
inline constexpr int kNoisyParts = 3;                 // 1 in this many recent onsets astray: noise
inline constexpr double kLouderBeforePeak = 1.5;      // of the peak: louder before its window
inline constexpr int kPeakEdge = 8;                   // the blank's last 1/8, just before it
inline constexpr double kLaterDrop = 0.7;             // of the peak: a later burst, the drop
inline constexpr double kDropDip = 0.2;               // of the peak: the quiet between them
inline constexpr double kBurstSpan = 0.35e-3; // s, the envelope's reach over a burst's cycles

// --- repair: beats set aside from the window's fit ---
inline constexpr double kOutlierSigmas = 4.0;    // robust standard deviations of the timings
inline constexpr double kOutlierFloor = 0.25e-3; // s: a departure within is never set aside
inline constexpr int kConsensusLines = 64;       // lines tried for the one most beats agree with

// --- verdict: a window is trusted when all of these hold ---
inline constexpr double kMinUsedShare = 0.75; // of its beats used, missed ones included
// Beats set aside at random, noise that crossed the threshold before them, leave the others
// timed truly: two of three used are enough. Beats set aside together (at least kStrayBeats,
// this share of them within kStraysTogether of their median) were timed on another sound of
// the beat than the window's onsets, and the window needs kMinUsedShare.
inline constexpr double kMinUsedShareScattered = 0.67;
inline constexpr int kStrayBeats = 8;
inline constexpr double kStraysTogether = 0.25e-3; // s
inline constexpr double kStraysTogetherShare = 0.5;
inline constexpr double kMinAmplitudeShare = 0.25; // of its beats, amplitudes in the median
inline constexpr double kMaxScatter = 0.25e-3;     // s, robust spread of timings about the fit
inline constexpr double kMaxRateError = 0.5;       // s/d, standard error of the rate
inline constexpr double kParityAgreement = 1.0;    // s/d, tick and tock rates always allowed
inline constexpr double kParityErrors = 3.0;       // standard errors of their difference
inline constexpr double kMaxAmplitudeSpread = 0.1; // of the median: the beats' robust spread
inline constexpr std::int64_t kSpreadBeats = 256;  // beats the spread is taken over
inline constexpr int kMinSpreadBeats = 8;          // beats before the spread is judged
// Beats whose amplitudes sit together apart from the rest measured another sound's loudness:
// at least this many and this share, further than this from their parity's median and their
// middle half this close (both shares of the median).
inline constexpr int kApartBeats = 8;
inline constexpr double kApartShare = 0.3;
inline constexpr double kApartAmplitude = 0.15;
inline constexpr double kApartTogether = 0.05;
// Ticks and tocks timed on the same sound of their beats: their amplitudes agree within this
// share of the median, and the beat error is not about one lift time (within this share)
// unless their amplitudes agree within the closer share: a watch badly out of beat, its ticks
// and tocks lifting alike, where a tick timed on another sound than its tock would lift
// shorter or longer by that sound's place in the lift.
inline constexpr double kParityAmplitudes = 0.15;
inline constexpr double kLiftLikeBeatError = 0.25;
inline constexpr double kSameLifts = 0.05;
// Beats set aside whose loudest points still sit on their parity's drops were heard on time,
// their onsets taken on noise: they count towards the used share, but only where ticks and
// tocks lift alike within this share, and not where more than kTogetherOnsets of them came
// early together (within kEarlierAgreement): an earlier sound of the beat, not noise.
inline constexpr double kHeardLifts = 0.15;
inline constexpr int kTogetherOnsets = 2;
// Beats set aside steadily early mark an earlier sound of the beat than the window's onsets:
// at least this many of them, and this share of the window, their middle half this close.
inline constexpr int kEarlierBeats = 8;
inline constexpr double kEarlierShare = 0.05;
inline constexpr double kEarlierAgreement = 0.25e-3; // s
// Beats whose drop sounded before their peak windows (LouderBeforePeak): at most this share.
inline constexpr double kMaxLouderBeforePeak = 0.5;
// Beats of a parity whose loudest point has a later drop (DropAfterPeak): at this share, when
// ticks and tocks then read alike, the plain lifts end on an impulse; the window does not hold
// together as measured and its repair takes each lift to its drop.
inline constexpr double kMaxDropAfterPeak = 0.5;

} // namespace dsp::limits
