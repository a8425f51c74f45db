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

constexpr double kPlotSentinel = 1e307; // s, plot points not aligned yet

} // namespace

void SignalAnalysis::ComputeSampleCounts() {
    detectorCounts_.quiet = SampleCount(0.5 * sampleRate_ / beatFrequency_);
    detectorCounts_.peakEnd = SampleCount(0.2 * sampleRate_ / beatFrequency_);
    detectorCounts_.hold = SampleCount(0.9 * sampleRate_ / beatFrequency_);
    detectorCounts_.minLift = minLiftSamples_;
    detector_.SetCounts(detectorCounts_);
    peakSamples_ = detectorCounts_.peakEnd;

    // Beat shapes: 0.3 beat in kShapePoints points, searched 0.12 beat either way. The level
    // history must reach back over the search from the end of a beat's peak window; at rates
    // too slow for that (below about 1800 bph) no shapes are kept.
    const std::int64_t beat = SampleCount(sampleRate_ / beatFrequency_);
    const std::int64_t step = (3 * beat + 10 * kShapePoints - 1) / (10 * kShapePoints);
    if (beat <= 0 || step <= 0) {
        shapeStep_ = 0;
        return;
    }
    const int before = static_cast<int>(std::nearbyint(0.1 * beat / step));
    const int range = 4 * static_cast<int>(std::nearbyint(0.03 * beat / step));
    if ((before + range) * step + peakSamples_ + 2 * step >= kHistorySize ||
        before + range >= kShapePoints) {
        shapeStep_ = 0;
        return;
    }
    if (shapeStep_ != step || shapeBefore_ != before || lagRange_ != range) {
        shapeStep_ = static_cast<int>(step);
        shapeBefore_ = before;
        lagRange_ = range;
        ResetShapes();
    }
}

void SignalAnalysis::ResetTickDetector() {
    ComputeSampleCounts();
    readIndex_ = writeIndex_;
    firstIndex_ = writeIndex_;
    detector_.Reset(detectorCounts_);
    sampleClock_ = 0;
    lastOnsetSample_ = 0;
    resultsStarted_ = false;
    ResetShapes();
    liftBiasCount_ = 0;
    liftBiasNext_ = 0;
    shapeFilter_.Reset();
    shapeFilter_.SetKind(kFilterMedium);
}

void SignalAnalysis::SetRecordNumber(std::int64_t number) {
    writeIndex_ = number;
    readIndex_ = number;
    firstIndex_ = number;
}

// Record w's beat number from its time: a beat missed in between shows as an interval of two
// beats or more. The test's first record is beat 0.
void SignalAnalysis::NumberBeat(std::int64_t w) {
    TickRecord& record = ring_[Slot(w)];
    if (w <= firstIndex_) {
        record.Beat = 0;
        return;
    }
    const TickRecord& previous = ring_[Slot(w - 1)];
    const double beats =
        std::nearbyint((record.RepairedTime - previous.RepairedTime) * beatFrequency_);
    record.Beat =
        previous.Beat + std::max<std::int64_t>(1, static_cast<std::int64_t>(std::min(beats, 1e9)));
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
        // Unfiltered sound keeps rumble and hum; the beats' shapes are taken through a
        // band-pass all the same.
        const double* shapeLevels = scratch_.get();
        if (filter_.Kind() == kFilterNone) {
            shapeFilter_.Block(samples + done, chunk, shapeScratch_.get());
            shapeLevels = shapeScratch_.get();
        } else {
            // Filtered sound keeps its unfiltered samples too, for the lift's bias.
            const std::int64_t at = sampleClock_ & (kHistorySize - 1);
            const std::int64_t first = std::min<std::int64_t>(chunk, kHistorySize - at);
            std::copy_n(samples + done, first, rawHistory_.get() + at);
            std::copy_n(samples + done + first, chunk - first, rawHistory_.get());
        }
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

    float* const history = history_.get();
    for (int k = 0; k < count; ++k) {
        const double level = levels[k];
        history[clock & (kHistorySize - 1)] = static_cast<float>(shapeLevels[k]);
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

// An onset at sample clock `clock` (time t) starts the record being filled.
void SignalAnalysis::BeginRecord(double t, std::int64_t clock, int period) {
    lastOnsetSample_ = clock;
    // Results from 8192 beats ago must not show through before this record's own.
    TickRecord& record = ring_[Slot(writeIndex_)];
    record = TickRecord{};
    record.Time = t;
    record.RepairedTime = t;
    record.OnsetSample = clock;
    NumberBeat(writeIndex_);
    // The results come at the end of the peak window; the first plot points of a window that
    // will have them are already drawn as results.
    if (writeIndex_ >= firstIndex_ + 4 &&
        0.0001 * period <=
            static_cast<double>(writeIndex_ - WindowStart(writeIndex_, period)) / beatFrequency_) {
        resultsStarted_ = true;
    }
}

} // namespace dsp
