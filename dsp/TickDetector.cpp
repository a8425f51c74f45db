#include "dsp/BeatObserver.h"
#include "dsp/DSP.h"

#include <algorithm>
#include <cmath>

namespace dsp {

namespace {

// Samples, rounded halves to even; 0 when the beat frequency is not set yet.
std::int64_t SampleCount(double samples) {
    if (!(samples > 0.0) || samples > 1e15) {
        return 0;
    }
    return static_cast<std::int64_t>(std::nearbyint(samples));
}

float ToFloat(double level) { return static_cast<float>(level); }

constexpr double kPlotSentinel = 1e307; // s, plot points not aligned yet

} // namespace

void SignalAnalysis::ComputeSampleCounts() {
    detectorCounts_.quiet = SampleCount(0.5 * sampleRate_ / beatFrequency_);
    detectorCounts_.peakEnd = SampleCount(0.2 * sampleRate_ / beatFrequency_);
    detectorCounts_.hold = SampleCount(0.9 * sampleRate_ / beatFrequency_);
    detectorCounts_.minLift = minLiftSamples_;
    detector_.SetCounts(detectorCounts_);
    observer_.SetTiming({sampleRate_, beatFrequency_, SampleCount(sampleRate_ / beatFrequency_),
                         detectorCounts_.minLift, detectorCounts_.peakEnd, thresholdLevel_});
}

void SignalAnalysis::ResetTickDetector() {
    ComputeSampleCounts();
    readIndex_ = writeIndex_;
    firstIndex_ = writeIndex_;
    detector_.Reset(detectorCounts_);
    sampleClock_ = 0;
    lastOnsetSample_ = 0;
    resultsStarted_ = false;
    observer_.Reset(firstIndex_);
}

void SignalAnalysis::SetRecordNumber(std::int64_t number) {
    writeIndex_ = number;
    readIndex_ = number;
    firstIndex_ = number;
}

double SignalAnalysis::SecondsSinceOnset() const {
    return static_cast<double>(sampleClock_ - lastOnsetSample_) * samplePeriod_;
}

// The buffer is filtered a chunk at a time into the scratch levels, then the detector runs
// over them with its counters in locals, written back once per chunk.
bool SignalAnalysis::ProcessTickSamples(const std::int16_t* samples, int count, int period,
                                        PlotRawCallback plot, int rowsPerBeat, bool plotEnabled,
                                        int liftAngle) {
    ComputeSampleCounts();
    bool completed = false;
    for (int done = 0; done < count;) {
        const int chunk = std::min(count - done, kScratchSize);
        filter_.Block(samples + done, chunk, scratch_.get());
        const double* shapeLevels = observer_.Store(samples + done, chunk, scratch_.get(),
                                                    sampleClock_, filter_.Kind() != kFilterNone);
        completed |= DetectTicks(scratch_.get(), shapeLevels, chunk, period, plot, rowsPerBeat,
                                 plotEnabled, liftAngle);
        done += chunk;
    }
    return completed;
}

bool SignalAnalysis::DetectTicks(const double* levels, const double* shapeLevels, int count,
                                 int period, PlotRawCallback plot, int rowsPerBeat,
                                 bool plotEnabled, int liftAngle) {
    const double threshold = thresholdLevel_;
    const double samplePeriod = samplePeriod_;
    const bool plotting = plotEnabled && plot && rowsPerBeat > 0 && beatFrequency_ > 0.0;
    const double plotStep = plotting ? 1.0 / (rowsPerBeat * beatFrequency_) : 0.0; // s

    OnsetDetector detector = detector_;
    std::int64_t clock = sampleClock_;
    double nextPlotTime = nextPlotTime_;
    double maxLevel = maxLevel_;
    bool completed = false;

    float* const history = observer_.History();
    constexpr std::int64_t kMask = BeatObserver::kHistorySize - 1;
    for (int k = 0; k < count; ++k) {
        // Levels the detector passes over (the blank after an onset, the hold before the
        // next) only go into the history, unless they are plotted.
        if (!plotting) {
            const int n = static_cast<int>(std::min<std::int64_t>(detector.Unheeded(), count - k));
            if (n > 0) {
                const std::int64_t at = clock & kMask;
                const int first = static_cast<int>(std::min<std::int64_t>(n, kMask + 1 - at));
                std::transform(shapeLevels + k, shapeLevels + k + first, history + at, ToFloat);
                std::transform(shapeLevels + k + first, shapeLevels + k + n, history, ToFloat);
                detector.PassOver(n);
                clock += n;
                k += n - 1;
                continue;
            }
        }
        const double level = levels[k];
        history[clock & kMask] = static_cast<float>(shapeLevels[k]);
        if (plotting && detector.Running()) {
            const double t = static_cast<double>(clock) * samplePeriod;
            if (t > nextPlotTime) {
                plot(resultsStarted_, maxLevel / peakLevel_);
                maxLevel = level;
                nextPlotTime += plotStep;
            } else if (level > maxLevel) {
                maxLevel = level;
            }
        }
        switch (detector.Step(level, threshold, clock)) {
        case OnsetDetector::Event::None:
            break;
        case OnsetDetector::Event::FirstSound:
            // The first sound only aligns the detector; it is not recorded.
            nextPlotTime = kPlotSentinel;
            break;
        case OnsetDetector::Event::Onset: {
            const double t = static_cast<double>(clock) * samplePeriod;
            if (plotting && nextPlotTime > 1e306) {
                nextPlotTime = t + plotStep;
                maxLevel = level;
            }
            BeginRecord(t, clock, period);
            break;
        }
        case OnsetDetector::Event::Peak: {
            TickRecord& record = ring_[Slot(writeIndex_)];
            record.PeakDelay =
                static_cast<double>(detector.PeakSample()) * samplePeriod - record.Time;
            record.RepairedPeakDelay = record.PeakDelay;
            CompleteRecord(writeIndex_, clock, period, liftAngle);
            ++writeIndex_;
            completed = true;
            break;
        }
        }
        ++clock;
    }

    sampleClock_ = clock;
    detector_ = detector;
    nextPlotTime_ = nextPlotTime;
    maxLevel_ = maxLevel;
    return completed;
}

// Record w's peak window has ended at sample clock `now`: the observer offers its candidates,
// then from the fifth record of a test on the window's results are made.
void SignalAnalysis::CompleteRecord(std::int64_t w, std::int64_t now, int period, int liftAngle) {
    const TickRecord& previous = ring_[Slot(w - 1)];
    observer_.Observe(w, now, filter_.Kind() != kFilterNone,
                      w > firstIndex_ && previous.Valid && previous.Plain);
    if (w >= firstIndex_ + 4) {
        RecordResults(w, period, liftAngle);
    }
}

// An onset at sample clock `clock` (time t) starts the record being filled.
void SignalAnalysis::BeginRecord(double t, std::int64_t clock, int period) {
    lastOnsetSample_ = clock;
    // Results from 8192 beats ago must not show through before this record's own.
    TickRecord& record = ring_[Slot(writeIndex_)];
    record = TickRecord{};
    record.Time = t;
    record.RepairedTime = t;
    record.OnsetSample = clock;
    observer_.NumberBeat(writeIndex_);
    // The results come at the end of the peak window; the first plot points of a window that
    // will have them are already drawn as results.
    if (writeIndex_ >= firstIndex_ + 4 &&
        0.0001 * period <=
            static_cast<double>(writeIndex_ - WindowStart(writeIndex_, period)) / beatFrequency_) {
        resultsStarted_ = true;
    }
}

} // namespace dsp
