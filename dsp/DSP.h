#pragma once

#include "dsp/BeatObserver.h"
#include "dsp/Filter.h"
#include "dsp/LevelCalibration.h"
#include "dsp/Limits.h"
#include "dsp/OnsetDetector.h"
#include "dsp/RobustMedian.h"
#include "dsp/TickRecord.h"
#include "dsp/WindowFit.h"

#include <array>
#include <cstdint>
#include <memory>

namespace dsp {

inline constexpr double kNominalSampleRate = 44100.0; // samples/s of every capture
// Longest settling (60 s) at the largest rate correction (+1500 s/d), plus one spare.
inline constexpr int kLevelStoreCapacity = 2691939;
inline constexpr int kLevelHistogramSize = 4096;
inline constexpr int kMedianBins = HistogramMedian::kBins;
inline constexpr double kMaxRateCorrection = 1500.0; // s/d, either sign
inline constexpr int kRhythmBlock = 441;             // samples summed for the calibration's rhythm

// Raw-trace callback: called with (results started, level / peak level) per plot point.
// A plain function pointer and context, so nothing is allocated per call.
struct PlotRawCallback {
    void (*Function)(void* context, bool resultsStarted, double value) = nullptr;
    void* Context = nullptr;

    explicit operator bool() const { return Function != nullptr; }
    void operator()(bool resultsStarted, double value) const {
        Function(Context, resultsStarted, value);
    }

    // Binds a member function: PlotRawCallback::Bind<&TMainForm::PlotRawRow>(form).
    template <auto Member, class T> static PlotRawCallback Bind(T* object) {
        return {[](void* context, bool started, double value) {
                    (static_cast<T*>(context)->*Member)(started, value);
                },
                object};
    }
};

enum class MedianField { Amplitude, BeatError };

struct ScopePoint {
    double Time = 0.0;  // s since the sample clock was started
    double Level = 0.0; // filtered level
};

// Beats/s as calibration rounds a measured rate: whole beats from 6.25 beats/s up, half
// beats below (halves to even).
double RoundedBeatFrequency(double measured);

// The signal analysis: filter, level calibration with beat-rate detection, tick detection
// into the tick ring, and the per-beat rate, amplitude and beat error. One instance lives for
// the whole program (its arrays take about 23 MB); tests make fresh ones.
//
// Thread: every call comes from the GUI thread (the buffer handler and button handlers);
// nothing here locks. The fixed arrays are allocated once, in the constructor; no call
// allocates afterwards.
class SignalAnalysis {
public:
    SignalAnalysis();
    ~SignalAnalysis();
    SignalAnalysis(const SignalAnalysis&) = delete;
    SignalAnalysis& operator=(const SignalAnalysis&) = delete;

    // --- Filter and sample clock ---
    void ResetFilter();
    // One filter step; returns the level (>= 0).
    double FilterSample(std::int16_t sample);
    // Sets the sample rate from the correction (s/d), the filter kind, and zeroes the clock.
    void StartSampleClock(int filterKind, double rateCorrection);
    // Filters one sample for the scope; the time is taken before the clock advances.
    ScopePoint ScopeSample(std::int16_t sample);

    int FilterKind() const { return filter_.Kind(); }
    double FilterOutput() const { return filter_.Output(); }   // signed y[n]
    double EffectiveSampleRate() const { return sampleRate_; } // samples/s
    double SamplePeriod() const { return samplePeriod_; }      // s
    std::int64_t SampleClock() const { return sampleClock_; }

    // --- Level calibration and beat-rate detection ---
    // duration: settling time (s); filterKind: Filtering; rateCorrection: s/d.
    void BeginCalibration(int duration, int filterKind, double rateCorrection);
    // Filters samples into the level store until it is full; true once it is.
    bool AddCalibrationSamples(const std::int16_t* samples, int count);
    double CalibrationProgress() const { return calibration_.Progress(); } // 0 ... 1
    // rateSetting: beats per hour, 0 = AUTO; liftAngle: degrees. On success the threshold is
    // placed and the tick detector reset. Out: beats per hour, peak level, rate error (s/d).
    // Fails without a consistent tick: no rate found, a set rate not confirmed within 1 %, or
    // onsets too irregular to be a watch's (noise).
    bool FinishCalibration(int rateSetting, int liftAngle, int& beatsPerHour, double& peakLevel,
                           double& rateError);
    // Onsets in the level store at threshold T; guess in beats/s (0 = none).
    // Out: rounded and measured beats/s.
    bool EstimateBeatRate(double guess, double threshold, double& rounded, double& measured) const {
        return calibration_.EstimateBeatRate(guess, threshold, rounded, measured);
    }
    double ThresholdLevel() const { return thresholdLevel_; }
    // Moves the threshold by step, held in 0 ... 1; returns the new threshold.
    double AdjustThreshold(double step);

    double PeakLevel() const { return peakLevel_; }
    double BeatFrequency() const { return beatFrequency_; } // beats/s
    int MinLiftSamples() const { return minLiftSamples_; }
    int LevelCount() const { return calibration_.LevelCount(); }
    int LevelCapacity() const { return calibration_.LevelCapacity(); }
    double LevelAt(int index) const { return calibration_.LevelAt(index); } // 1-based
    int HistogramCount(int bin) const { return calibration_.HistogramCount(bin); }

    // Sets what a successful calibration sets (threshold, peak level, beats/s, lift samples)
    // without recording any sound: for tools that already know the watch, and for tests.
    void SetCalibration(double thresholdLevel, double peakLevel, double beatFrequency,
                        int minLiftSamples);

    // --- Tick detection ---
    void ResetTickDetector();
    // period: averaging period (s); rowsPerBeat: plot rows per beat; liftAngle: degrees.
    // True when at least one record was completed during the call.
    bool ProcessTickSamples(const std::int16_t* samples, int count, int period,
                            PlotRawCallback plot, int rowsPerBeat, bool plotEnabled, int liftAngle);
    double SecondsSinceOnset() const; // s

    // Running record numbers; 64-bit, so they never wrap in any real run.
    std::int64_t WriteIndex() const { return writeIndex_; }
    std::int64_t ReadIndex() const { return readIndex_; }
    std::int64_t FirstIndex() const { return firstIndex_; }
    bool ResultsStarted() const { return resultsStarted_; }
    const TickRecord& Record(std::int64_t number) const { return ring_[Slot(number)]; }
    // Moves all three record numbers to number (the ring's contents stay); for tests of
    // long runs.
    void SetRecordNumber(std::int64_t number);

    // --- Beat shapes ---
    // The averaged envelope of the recent ticks (parity 0) or tocks (1), aligned on their
    // onsets: kShapePoints points of ShapeStep() samples, the onset at point ShapeOnset().
    // Empty (count 0) until a test has heard a few beats.
    using BeatShape = dsp::BeatShape;
    const BeatShape& Shape(int parity) const { return observer_.Shape(parity); }
    int ShapeStep() const { return observer_.ShapeStep(); }   // samples per point, 0 when not kept
    int ShapeOnset() const { return observer_.ShapeOnset(); } // point of the onset
    // Where a parity's shape starts (its first sound, a point with its fraction) and where it
    // is loudest (the drop); false until the shape is known.
    bool ShapeMarks(int parity, double& firstSound, int& loudest) const {
        return observer_.ShapeMarks(parity, firstSound, loudest);
    }

    // --- Results ---
    // Median of a field over the records first ... last (running numbers).
    double RobustMedian(std::int64_t first, std::int64_t last, MedianField field);
    // Hands out the next finished record; false when none is ready (or one was lost).
    bool NextTickResult(TickResult& result);

private:
    static constexpr int kScratchSize = 4096; // levels filtered per chunk
    static int Slot(std::int64_t number) { return static_cast<int>(number & (kTickRingSize - 1)); }
    void SetSampleRate(double rateCorrection);
    void ComputeSampleCounts();
    bool DetectTicks(const double* levels, const double* shapeLevels, int count, int period,
                     PlotRawCallback plot, int rowsPerBeat, bool plotEnabled, int liftAngle);
    std::int64_t WindowStart(std::int64_t w, int period) const;
    std::int64_t MedianStart(std::int64_t s) const;
    void BeginRecord(double t, std::int64_t clock, int period);
    void CompleteRecord(std::int64_t w, std::int64_t now, int period, int liftAngle);
    void RecordResults(std::int64_t w, int period, int liftAngle);
    double MedianOfUsed(std::int64_t first, std::int64_t last, MedianField field);
    void RepairWindow(std::int64_t w, std::int64_t s, int period, int liftAngle);
    bool StraysTogether(double* strays, int n);
    double HeardOnTime(std::int64_t s, std::int64_t w, const double* aside, const LineFit* fits);
    void JudgeByWindow(std::int64_t s, std::int64_t w, const double* aside);
    bool EarlierSoundLeftOut(std::int64_t s, std::int64_t w, const double* aside, double* strays,
                             int count, double limit);
    bool AmplitudesAgree(std::int64_t first, std::int64_t last, double median, bool repaired,
                         double& parityGap);
    double Field(std::int64_t number, MedianField field) const;
    double Share(std::int64_t first, std::int64_t last, bool TickRecord::*flag, int step = 1) const;
    bool LaterDropsAgree(std::int64_t first, std::int64_t last, int liftAngle);

    // Filter and clock.
    BandPassFilter filter_;
    double sampleRate_ = kNominalSampleRate;
    double samplePeriod_ = 1.0 / kNominalSampleRate;
    std::int64_t sampleClock_ = 0;

    std::unique_ptr<double[]> scratch_; // kScratchSize levels of the chunk being detected

    // Calibration, and what it found.
    LevelCalibration calibration_;
    double peakLevel_ = 0.0;
    double thresholdLevel_ = 0.0;
    double beatFrequency_ = 0.0; // beats/s
    int minLiftSamples_ = 0;

    // Detector; the sample counts are derived from the sample rate and beat frequency.
    OnsetDetector::Counts detectorCounts_;
    OnsetDetector detector_;
    std::unique_ptr<TickRecord[]> ring_;
    std::int64_t writeIndex_ = 0;
    std::int64_t readIndex_ = 0;
    std::int64_t firstIndex_ = 0;
    std::int64_t lastOnsetSample_ = 0;
    bool resultsStarted_ = false;
    bool laterDrops_ = false;     // the window's lifts are taken to the drops after their peaks
    double nextPlotTime_ = 1e307; // s; the sentinel: plot points not aligned yet
    double maxLevel_ = 0.0;

    HistogramMedian median_; // work storage of RobustMedian

    BeatObserver observer_;          // the beats, their candidates and the recent sound
    std::unique_ptr<double[]> work_; // scratch: kTickRingSize values of one window
};

} // namespace dsp
