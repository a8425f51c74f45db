#pragma once

#include "dsp/synth/RandomSource.h"
#include "dsp/synth/WatchParameters.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace synth {

// Synthesises the sound of a mechanical watch held against a microphone: 16-bit mono
// samples at 44100 per second with a known beat rate, daily rate, amplitude, beat error and
// noise. Each beat is three short resonant bursts: the unlocking, the impulse and the drop,
// which is the loudest and comes one lift time after the unlocking, followed by a quieter
// ringing of the case that lasts some milliseconds. The lift time is the
// time the balance needs to cross the lift angle at the set amplitude, with the interval to
// the next beat as half the balance period:
//     lift time = interval x 2 / pi x arcsin(lift angle / (2 x amplitude)),
// so an analysis that inverts that relation recovers the amplitude exactly.
//
// Sound is made incrementally into the caller's buffers, so a real-time source can pace it
// and hours can be generated without being stored; Generate allocates nothing.
// Not thread-safe: one thread generates at a time.
class WatchSynthesiser {
public:
    static constexpr int kSampleRate = 44100; // nominal samples per second

    // Throws std::invalid_argument when CheckWatchParameters refuses the parameters.
    explicit WatchSynthesiser(const WatchParameters& parameters);

    void Generate(std::int16_t* samples, std::size_t count);
    void Generate(std::span<std::int16_t> samples) { Generate(samples.data(), samples.size()); }

    const WatchParameters& Parameters() const { return parameters_; }
    std::int64_t SamplesGenerated() const { return sample_; }

    // Truth, for tests and measurements. Beats are numbered from 0 (a tick; odd beats are
    // tocks); times are true seconds from the first sample.
    double BeatInterval() const { return interval_; }             // s, mean interval between beats
    double BeatTime(std::int64_t beat) const;                     // s, the beat's first sound
    double LiftTime(std::int64_t beat) const;                     // s, from first sound to the drop
    double SamplesPerSecond() const { return samplesPerSecond_; } // including the clock error
    static double LiftTimeFor(double amplitude, double liftAngle, double interval);

private:
    // One exponentially decaying sinusoid, run as a rotating, shrinking phasor.
    struct Resonance {
        std::int64_t start = 0; // first sample it sounds in
        double re = 0.0;
        double im = 0.0;
        double stepRe = 0.0;
        double stepIm = 0.0;
    };
    struct Partial {
        double level;     // relative to the tick level
        double frequency; // Hz
        double decay;     // s, time constant of the envelope
        double phase;     // rad at the burst's start; 0 puts the loudest point at the start
    };

    void ScheduleBeat(std::int64_t beat);
    void ScheduleShapedBeat(std::int64_t beat);
    void ScheduleClick();
    void AddPartial(const Partial& partial, double level, double frequencyScale, double at);
    double NextClickTime(double after);
    double Sample();

    static constexpr std::size_t kMaxResonances = 96;

    WatchParameters parameters_;
    double samplesPerSecond_;
    double interval_;
    double beatErrorSeconds_;
    double liftFactor_; // lift time / interval
    double noiseRms_;
    double humPeak_;
    double humStep_; // rad per sample
    double clickPeak_;
    double clicksPerSample_;
    double brownRms_;
    double brown_ = 0.0;     // the leaky integral of white noise, before scaling
    double echoDelay_ = 0.0; // s, room: the echo's delay after each burst

    RandomSource noise_;
    RandomSource events_; // beat-to-beat level changes
    RandomSource clicks_; // stray clicks, apart so switching them on changes nothing else
    RandomSource brownNoise_;
    std::int64_t sample_ = 0;
    std::int64_t nextBeat_ = 0;
    std::int64_t nextBeatSample_ = 0;
    double nextClickTime_ = 0.0; // in samples
    std::array<Resonance, kMaxResonances> resonances_{};
    std::size_t active_ = 0;
};

} // namespace synth
