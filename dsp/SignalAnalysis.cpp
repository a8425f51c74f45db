#include "dsp/DSP.h"

#include <algorithm>

namespace dsp {

SignalAnalysis::SignalAnalysis()
    : scratch_(std::make_unique<double[]>(kScratchSize)),
      ring_(std::make_unique<TickRecord[]>(kTickRingSize)), observer_(ring_.get()),
      work_(std::make_unique<double[]>(4 * kTickRingSize)) {}

SignalAnalysis::~SignalAnalysis() = default;

void SignalAnalysis::ResetFilter() {
    filter_.Reset();
}

double SignalAnalysis::FilterSample(std::int16_t sample) {
    return filter_.Step(sample);
}

// The correction is held to the range the settings accept, so the level store always holds
// the longest settling time and the rate stays positive.
void SignalAnalysis::SetSampleRate(double rateCorrection) {
    const double correction =
        std::clamp(rateCorrection, -kMaxRateCorrection, kMaxRateCorrection); // s/d
    sampleRate_ = (correction + 86400.0) * kNominalSampleRate / 86400.0;
    samplePeriod_ = 1.0 / sampleRate_;
}

void SignalAnalysis::StartSampleClock(int filterKind, double rateCorrection) {
    SetSampleRate(rateCorrection);
    filter_.SetKind(filterKind);
    sampleClock_ = 0;
}

ScopePoint SignalAnalysis::ScopeSample(std::int16_t sample) {
    ScopePoint point;
    point.Level = filter_.Step(sample);
    point.Time = static_cast<double>(sampleClock_) * samplePeriod_;
    ++sampleClock_;
    return point;
}

} // namespace dsp
