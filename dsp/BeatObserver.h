#pragma once

#include "dsp/Filter.h"
#include "dsp/Limits.h"
#include "dsp/TickRecord.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <memory>

namespace dsp {

// A beat's shape: the level envelope from 0.1 beat before its onset to 0.2 beat after, in
// this many points.
inline constexpr int kShapePoints = 384;

// The averaged envelope of the recent ticks (parity 0) or tocks (1), aligned on their onsets.
struct BeatShape {
    std::array<double, kShapePoints> Level{}; // mean level of the point's samples
    int Beats = 0;                            // beats averaged so far
};

// The beat observer: numbers the detector's onsets as beats (a missed beat counted), keeps
// the recent sound, and offers each beat's candidates: its lift bias against the unfiltered
// sound when a filter is on, and its alignment on the averaged shape of its parity (an
// aligned time, a first sound). It never changes what the detector measured (a record's Time
// and PeakDelay); it writes only the candidates and, under noise or when the repair asks
// (TakeAlignedTime), the repair's choice.
//
// Thread: the GUI thread, through SignalAnalysis. Its stores are allocated once.
class BeatObserver {
public:
    static constexpr int kHistoryBits = 17;
    static constexpr std::int64_t kHistorySize = std::int64_t{1} << kHistoryBits; // samples

    // ring: the analysis' tick ring (kTickRingSize records), which outlives the observer.
    explicit BeatObserver(TickRecord* ring);
    BeatObserver(const BeatObserver&) = delete;
    BeatObserver& operator=(const BeatObserver&) = delete;

    // The sound's rates and the detector's counts; the shapes start afresh when their scale
    // changes.
    struct Timing {
        double sampleRate = 44100.0; // samples/s
        double beatFrequency = 0.0;  // beats/s
        std::int64_t beat = 0;       // samples, one beat (0 while the rate is unknown)
        std::int64_t minLift = 0;    // samples, the lift at 360 degrees
        std::int64_t peakEnd = 0;    // samples, the peak window's end after an onset
        double threshold = 0.0;      // the detector's level
    };
    void SetTiming(const Timing& timing);
    // A new test whose first record is `firstRecord`.
    void Reset(std::int64_t firstRecord);

    // Keeps a chunk of the sound from sample clock `clock` on: the unfiltered samples beside
    // the filtered levels, or, for unfiltered sound, its levels through the shapes' own
    // band-pass. Returns the levels the shapes are made of.
    const double* Store(const std::int16_t* samples, int count, const double* levels,
                        std::int64_t clock, bool filtered);
    // The level history by sample clock, written by the detector's loop.
    float* History() { return history_.get(); }

    // Record w's beat number from its time: a beat missed in between shows as an interval of
    // two beats or more.
    void NumberBeat(std::int64_t w);
    // Record w's peak window ended at `now`: its candidates. `quiet`: the windows hold
    // together as measured, and a known shape then only follows the watch.
    void Observe(std::int64_t w, std::int64_t now, bool filtered, bool quiet);
    // The repair takes the beat's aligned time.
    void TakeAlignedTime(std::int64_t w);

    const BeatShape& Shape(int parity) const { return shapes_[parity & 1].Shape; }
    int ShapeStep() const { return shapeStep_; }    // samples per point, 0 when not kept
    int ShapeOnset() const { return shapeBefore_; } // point of the onset
    bool ShapeMarks(int parity, double& firstSound, int& loudest) const;
    // Whether the threshold onsets sit on the beats' first sounds, as far as the shapes
    // show: false when the recent onsets usually sit away from them (a first sound too quiet
    // for the threshold, the onsets on an impulse).
    bool OnsetsOnFirstSounds() const {
        return !haveUsualOffset_ || std::fabs(usualOffset_) <= AlignTolerance();
    }

private:
    struct ParityShape {
        BeatShape Shape;
        int Misses = 0;      // alignments in a row that found nothing like the shape
        bool Folded = false; // the shape was started from the history
        // The last confidently aligned beat: its number and its first sound (samples).
        std::int64_t LastBeat = -1;
        double LastFirstSound = 0.0;
    };
    static int Slot(std::int64_t number) { return static_cast<int>(number & (kTickRingSize - 1)); }
    void ResetShapes();
    void AlignBeat(std::int64_t w, std::int64_t now);
    void MeasureLiftBias(std::int64_t w, std::int64_t now);
    void CheckPeakWindow(std::int64_t w, std::int64_t now, bool filtered);
    void FindLaterDrop(TickRecord& record, std::int64_t now, bool filtered);
    int LoudestRaw(std::int64_t from, std::int64_t to) const;
    double FirstSound(const BeatShape& shape) const;
    void Recentre(BeatShape& shape) const;
    bool UpdateUsualOffset(double offset, double tolerance, int parity);
    bool FoldShape(std::int64_t w, std::int64_t now, BeatShape& shape) const;
    double Envelope(std::int64_t from, std::int64_t now) const;
    // Samples: a first sound this near where the onsets usually sit is where they sit.
    double AlignTolerance() const {
        return std::max(limits::kAlignTolerance / samplePeriod_, 2.0 * shapeStep_);
    }

    TickRecord* const ring_;
    std::int64_t firstIndex_ = 0;
    double sampleRate_ = 44100.0;
    double samplePeriod_ = 1.0 / 44100.0;
    double beatFrequency_ = 0.0;
    std::int64_t minLiftSamples_ = 0;
    std::int64_t peakSamples_ = 0;
    double thresholdLevel_ = 0.0;

    // Samples from threshold onsets to first sounds, the recent beats of both parities.
    std::array<double, limits::kRecentOffsets> offsets_{};
    std::array<int, limits::kRecentOffsets> offsetParities_{};
    // Where each parity's onsets usually sit: ticks and tocks may sit a little apart within
    // the tolerance (their lifts differ with the beat error).
    double parityOffsets_[2] = {0.0, 0.0};
    int offsetCount_ = 0;
    int offsetNext_ = 0;
    double usualOffset_ = 0.0; // samples, where threshold onsets usually sit
    bool haveUsualOffset_ = false;
    bool noisy_ = false;               // the recent onsets scatter about their first sounds
    std::unique_ptr<float[]> history_; // kHistorySize levels, by sample clock
    std::unique_ptr<std::int16_t[]> rawHistory_;              // the unfiltered samples
    std::array<double, limits::kLiftBiases> liftBiases_{};    // s, the recent beats' own
    std::array<bool, limits::kLiftBiases> farPeaks_{};        // the drop found far from the peak
    std::array<double, limits::kLiftBiases> filteredLifts_{}; // s, the same beats' filtered lifts
    int liftBiasCount_ = 0;
    std::int64_t rawPeak_ = -1; // the last beat's loudest unfiltered point by its filtered one
    int afterPeak_ = -1;        // the loudest unfiltered sample after the point its lift ends on
    bool farBias_ = false;      // its lift bias ends its lift on a later unfiltered drop
    int liftBiasNext_ = 0;
    BandPassFilter shapeFilter_; // the shapes' band-pass when the sound is unfiltered
    std::unique_ptr<double[]> shapeScratch_;
    ParityShape shapes_[2];
    int shapeStep_ = 0;   // samples per shape point; 0: the rate is too slow to keep shapes
    int shapeBefore_ = 0; // shape points before the onset
    int lagRange_ = 0;    // shape points searched either way, a multiple of 4
    std::unique_ptr<double[]> envelope_; // scratch: one beat's envelope over the search
};

} // namespace dsp
