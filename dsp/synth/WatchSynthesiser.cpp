#include "dsp/synth/WatchSynthesiser.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>
#include <stdexcept>

namespace synth {

namespace {

constexpr double kFullScale = 32768.0;
// A resonance is dropped once it is below a quarter of the least significant bit.
constexpr double kSilentSquared = (0.25 / kFullScale) * (0.25 / kFullScale);

double FromDb(double db) {
    return std::pow(10.0, db / 20.0);
}

// Tocks sound a little different from ticks: the pallets are not alike.
constexpr double kTockLevel = 0.85;
constexpr double kTockPitch = 1.04;
constexpr double kLevelJitter = 0.04; // relative, beat to beat
constexpr double kImpulseAt = 0.4;    // of the lift time
// Room: a tock quieter and higher than its tick, loudness varying by +-30 % from beat to beat,
// and an echo of each burst at this fraction of its level.
constexpr double kRoomTockLevel = 0.7;
constexpr double kRoomTockPitch = 1.12;
constexpr double kRoomLevelJitter = 0.3;
constexpr double kRoomEcho = 0.35;
constexpr double kBrownLeak = 0.998;
constexpr double kSine = -std::numbers::pi / 2.0; // a phase that starts a partial from zero

} // namespace

WatchSynthesiser::WatchSynthesiser(const WatchParameters& parameters)
    : parameters_(parameters), noise_(parameters.seed),
      events_(parameters.seed ^ 0x5bd1e9955bd1e995ULL),
      clicks_(parameters.seed ^ 0xc2b2ae3d27d4eb4fULL),
      brownNoise_(parameters.seed ^ 0x9e3779b97f4a7c15ULL) {
    const std::string problem = CheckWatchParameters(parameters_);
    if (!problem.empty()) {
        throw std::invalid_argument(problem);
    }
    const WatchParameters& p = parameters_;
    samplesPerSecond_ = kSampleRate * (86400.0 + p.clockError) / 86400.0;
    interval_ = 3600.0 / p.beatsPerHour * 86400.0 / (86400.0 + p.rate);
    beatErrorSeconds_ = p.beatError / 1000.0;
    liftFactor_ = LiftTimeFor(p.amplitude, p.liftAngle, 1.0);
    noiseRms_ = p.tickLevel * FromDb(p.noiseDb);
    humPeak_ = p.tickLevel * FromDb(p.humDb);
    humStep_ = 2.0 * std::numbers::pi * p.humFrequency / samplesPerSecond_;
    clickPeak_ = p.tickLevel * FromDb(p.clickDb);
    clicksPerSample_ = p.clicksPerMinute / 60.0 / samplesPerSecond_;
    // The integral leaks a little per sample, so its RMS is 1 / sqrt(1 - leak^2) of a step's.
    brownRms_ = p.tickLevel * FromDb(p.brownNoiseDb) * std::sqrt(1.0 - kBrownLeak * kBrownLeak);
    if (p.room) {
        echoDelay_ = 3e-3 + 4e-3 * RandomSource(p.seed ^ 0x2545f4914f6cdd1dULL).Uniform();
    }
    nextBeatSample_ = static_cast<std::int64_t>(std::ceil(BeatTime(0) * samplesPerSecond_));
    nextClickTime_ = NextClickTime(0.0);
}

double WatchSynthesiser::LiftTimeFor(double amplitude, double liftAngle, double interval) {
    return interval * 2.0 / std::numbers::pi * std::asin(liftAngle / (2.0 * amplitude));
}

double WatchSynthesiser::BeatTime(std::int64_t beat) const {
    // Odd beats are late by the beat error: the tick-to-tock interval is the mean interval
    // plus the beat error, the tock-to-tick interval the mean minus it.
    const double late = (beat & 1) != 0 ? beatErrorSeconds_ : 0.0;
    return parameters_.startOffset + static_cast<double>(beat) * interval_ + late;
}

double WatchSynthesiser::LiftTime(std::int64_t beat) const {
    return liftFactor_ * (BeatTime(beat + 1) - BeatTime(beat));
}

double WatchSynthesiser::NextClickTime(double after) {
    if (clicksPerSample_ <= 0.0) {
        return std::numeric_limits<double>::infinity();
    }
    return after - std::log(1.0 - clicks_.Uniform()) / clicksPerSample_;
}

void WatchSynthesiser::AddPartial(const Partial& partial, double level, double frequencyScale,
                                  double at) {
    if (active_ == kMaxResonances) {
        return; // never reached with the sounds made here; losing a partial beats overrunning
    }
    Resonance& r = resonances_[active_++];
    r.start = static_cast<std::int64_t>(std::ceil(at));
    const double omega = 2.0 * std::numbers::pi * partial.frequency * frequencyScale /
                         samplesPerSecond_; // rad per sample
    const double shrink = std::exp(-1.0 / (partial.decay * samplesPerSecond_));
    r.stepRe = shrink * std::cos(omega);
    r.stepIm = shrink * std::sin(omega);
    // The burst starts between samples: begin with its value at the first whole sample.
    const double delay = static_cast<double>(r.start) - at;
    const double magnitude = level * partial.level * std::pow(shrink, delay);
    const double angle = partial.phase + omega * delay;
    r.re = magnitude * std::cos(angle);
    r.im = magnitude * std::sin(angle);
}

void WatchSynthesiser::ScheduleBeat(std::int64_t beat) {
    // Unlocking, impulse and drop; each a main resonance that is loudest at its start and
    // weaker ones that start from zero, so the drop's start is the loudest point.
    static constexpr Partial kUnlock[] = {{0.45, 4300.0, 0.25e-3, 0.0},
                                          {0.10, 2100.0, 0.5e-3, kSine}};
    static constexpr Partial kImpulse[] = {{0.60, 3600.0, 0.30e-3, 0.0},
                                           {0.12, 1800.0, 0.6e-3, kSine}};
    // The drop also sets the case ringing: a quiet, lower resonance that swells over about
    // a millisecond and dies away over several, the difference of two decaying partials.
    static constexpr Partial kDrop[] = {{1.00, 3000.0, 0.35e-3, 0.0},
                                        {0.15, 1500.0, 0.8e-3, kSine},
                                        {0.30, 2200.0, 4.0e-3, kSine},
                                        {-0.30, 2200.0, 0.5e-3, kSine}};

    // The case itself, rung by the drop: low and long.
    static constexpr Partial kCase[] = {{0.25, 950.0, 5.0e-3, kSine},
                                        {-0.25, 950.0, 0.6e-3, kSine}};

    const bool room = parameters_.room;
    const bool tock = (beat & 1) != 0;
    if (parameters_.shape.bursts > 0) {
        ScheduleShapedBeat(beat);
        return;
    }
    const double jitter = room ? kRoomLevelJitter : kLevelJitter;
    const double level = parameters_.tickLevel *
                         (tock ? (room ? kRoomTockLevel : kTockLevel) : 1.0) *
                         (1.0 + jitter * (2.0 * events_.Uniform() - 1.0));
    const double pitch = tock ? (room ? kRoomTockPitch : kTockPitch) : 1.0;
    const double start = BeatTime(beat) * samplesPerSecond_;
    const double lift = LiftTime(beat) * samplesPerSecond_;
    const double echo = echoDelay_ * samplesPerSecond_;
    for (int copy = 0; copy < (room ? 2 : 1); ++copy) {
        const double gain = copy == 0 ? level : level * kRoomEcho;
        const double at = copy == 0 ? start : start + echo;
        for (const Partial& partial : kUnlock) {
            AddPartial(partial, gain, pitch, at);
        }
        for (const Partial& partial : kImpulse) {
            AddPartial(partial, gain, pitch, at + kImpulseAt * lift);
        }
        for (const Partial& partial : kDrop) {
            AddPartial(partial, gain, pitch, at + lift);
        }
    }
    if (room) {
        for (const Partial& partial : kCase) {
            AddPartial(partial, level, 1.0, start + lift);
        }
    }
}

// A beat of the watch's own sound: its bursts (with their echo), and the case rung by the drop.
void WatchSynthesiser::ScheduleShapedBeat(std::int64_t beat) {
    const SoundShape& shape = parameters_.shape;
    const bool room = parameters_.room;
    const bool tock = (beat & 1) != 0;
    const double jitter = room ? kRoomLevelJitter : kLevelJitter;
    const double level = parameters_.tickLevel * (1.0 + jitter * (2.0 * events_.Uniform() - 1.0));
    const double start = BeatTime(beat) * samplesPerSecond_;
    const double lift = LiftTime(beat) * samplesPerSecond_;
    // A room without an echo of the shape's own adds its echo.
    const double echoLevel = shape.echoDelay > 0.0 ? shape.echoLevel : (room ? kRoomEcho : 0.0);
    const double echo = (shape.echoDelay > 0.0 ? shape.echoDelay : echoDelay_) * samplesPerSecond_;
    const auto& bursts = tock ? shape.tock : shape.tick;
    for (int k = 0; k < shape.bursts; ++k) {
        const Burst& b = bursts[k];
        const Partial partial{b.level, b.frequency, b.decay, 0.0};
        const double at = start + b.place * lift;
        AddPartial(partial, level, 1.0, at);
        if (echoLevel > 0.0) {
            AddPartial(partial, level * echoLevel, 1.0, at + echo);
        }
    }
    if (shape.ringFrequency > 0.0) {
        // Swells over about a millisecond and dies away over several.
        const Partial ring[] = {{shape.ringLevel, shape.ringFrequency, 4.0e-3, kSine},
                                {-shape.ringLevel, shape.ringFrequency, 0.6e-3, kSine}};
        for (const Partial& partial : ring) {
            AddPartial(partial, level, 1.0, start + lift);
        }
    }
}

void WatchSynthesiser::ScheduleClick() {
    // A stray knock: short, bright and unrelated to the beat.
    static constexpr Partial kClick[] = {{1.0, 5500.0, 0.12e-3, 0.0},
                                         {0.5, 1200.0, 0.4e-3, -std::numbers::pi / 2.0}};
    const double level = clickPeak_ * (0.5 + 0.5 * clicks_.Uniform());
    for (const Partial& partial : kClick) {
        AddPartial(partial, level, 1.0, nextClickTime_);
    }
    nextClickTime_ = NextClickTime(nextClickTime_);
}

double WatchSynthesiser::Sample() {
    while (sample_ >= nextBeatSample_) {
        ScheduleBeat(nextBeat_);
        ++nextBeat_;
        nextBeatSample_ =
            static_cast<std::int64_t>(std::ceil(BeatTime(nextBeat_) * samplesPerSecond_));
    }
    while (static_cast<double>(sample_) >= std::ceil(nextClickTime_)) {
        ScheduleClick();
    }

    double value = 0.0;
    for (std::size_t i = 0; i < active_;) {
        Resonance& r = resonances_[i];
        if (r.start > sample_) {
            ++i;
            continue;
        }
        value += r.re;
        const double re = r.re * r.stepRe - r.im * r.stepIm;
        r.im = r.re * r.stepIm + r.im * r.stepRe;
        r.re = re;
        if (r.re * r.re + r.im * r.im < kSilentSquared) {
            r = resonances_[--active_];
        } else {
            ++i;
        }
    }
    if (noiseRms_ > 0.0) {
        value += noiseRms_ * noise_.Gaussian();
    }
    if (brownRms_ > 0.0) {
        brown_ = kBrownLeak * brown_ + brownNoise_.Gaussian();
        value += brownRms_ * brown_;
    }
    if (humPeak_ > 0.0) {
        // Mains hum with its third harmonic, computed from the sample number so it never drifts.
        const double phase = humStep_ * static_cast<double>(sample_);
        value += humPeak_ * (std::sin(phase) + 0.25 * std::sin(3.0 * phase));
    }
    ++sample_;
    return value;
}

void WatchSynthesiser::Generate(std::int16_t* samples, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) {
        const double scaled = std::nearbyint(Sample() * kFullScale);
        samples[i] = static_cast<std::int16_t>(std::clamp(scaled, -32768.0, 32767.0));
    }
}

} // namespace synth
