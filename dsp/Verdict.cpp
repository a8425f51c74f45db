#include "dsp/Verdict.h"

#include "dsp/Limits.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace dsp {

namespace {

using namespace limits;

// Tick and tock rates agree: within kParityAgreement, or within kParityErrors standard
// errors of their difference.
bool ParitiesAgree(const WindowFigures& f) {
    const double allowed =
        std::max(kParityAgreement, kParityErrors * std::hypot(f.parityError[0], f.parityError[1]));
    return std::fabs(f.parityRate[0] - f.parityRate[1]) <= allowed;
}

// A beat error of about one lift time is the mark of ticks and tocks timed on different
// sounds of their beats (one on the unlocking, the other on the drop), not of a watch, unless
// both lift alike.
bool BeatErrorLikeALift(const WindowFigures& f) {
    if (!(f.amplitude > f.liftAngle / 2.0) || f.parityGap <= kSameLifts) {
        return false;
    }
    const double lift = 2.0 / std::numbers::pi * std::asin(f.liftAngle / (2.0 * f.amplitude)) /
                        f.beatFrequency * 1000.0; // ms
    return std::fabs(f.beatError - lift) <= kLiftLikeBeatError * lift;
}

bool SameSound(const WindowFigures& f) {
    return f.parityGap <= kParityAmplitudes && !BeatErrorLikeALift(f);
}

} // namespace

bool HoldsTogether(const WindowFigures& f) {
    return f.consecutive && f.largest <= std::max(kOutlierSigmas * f.scatter, kOutlierFloor) &&
           f.scatter <= kMaxScatter && ParitiesAgree(f) && SameSound(f) && f.onFirstSounds &&
           f.dropAfterPeak < kMaxDropAfterPeak;
}

bool Trusted(const WindowFigures& f) {
    const double minUsed = f.straysTogether ? kMinUsedShare : kMinUsedShareScattered;
    return std::max(f.usedShare, f.heardShare) >= minUsed && f.scatter <= kMaxScatter &&
           f.rateError <= kMaxRateError && ParitiesAgree(f) && f.amplitudesAgree &&
           f.amplitudeShare >= kMinAmplitudeShare && SameSound(f) && f.onFirstSounds &&
           f.louderBeforePeak <= kMaxLouderBeforePeak;
}

} // namespace dsp
