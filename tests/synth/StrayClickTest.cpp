// Stray knocks just before a tick, on an otherwise clean watch: each gives an early onset.
#include "dsp/DSP.h"
#include "dsp/synth/WatchSynthesiser.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <memory>
#include <numbers>
#include <vector>

namespace {

void AddClick(std::vector<std::int16_t>& sound, std::size_t at) {
    for (std::size_t i = 0; i < 60; ++i) {
        const double t = static_cast<double>(i) / 44100.0;
        const double click =
            8000.0 * std::exp(-t / 0.12e-3) * std::cos(2.0 * std::numbers::pi * 5500.0 * t);
        sound[at + i] =
            static_cast<std::int16_t>(std::clamp(sound[at + i] + click, -32768.0, 32767.0));
    }
}

// The worst rate error (s/d) of the complete results over 45 s of a 28800 bph watch gaining
// 5 s/d, with a sharp click 3 ms before the first sound of each of the given beats.
double WorstRateError(const std::vector<std::int64_t>& clickedBeats) {
    synth::WatchParameters p;
    p.beatsPerHour = 28800;
    p.rate = 5.0;
    p.amplitude = 280.0;
    p.beatError = 0.5;
    p.noiseDb = -40.0;
    synth::WatchSynthesiser s(p);
    std::vector<std::int16_t> sound(static_cast<std::size_t>(45.0 * 44100.0));
    s.Generate(sound);
    for (std::int64_t beat : clickedBeats) {
        AddClick(sound, static_cast<std::size_t>((s.BeatTime(beat) - 0.003) * 44100.0));
    }

    auto analysis = std::make_unique<dsp::SignalAnalysis>();
    analysis->ResetFilter();
    analysis->BeginCalibration(5, 0, 0.0);
    std::size_t at = 0;
    while (!analysis->AddCalibrationSamples(sound.data() + at, 4096)) {
        at += 4096;
    }
    int bph = 0;
    double peak = 0.0;
    double rate = 0.0;
    EXPECT_TRUE(analysis->FinishCalibration(0, 52, bph, peak, rate));
    EXPECT_EQ(bph, 28800);
    double worst = 0.0;
    int complete = 0;
    for (at += 4096; at + 4096 <= sound.size(); at += 4096) {
        if (analysis->ProcessTickSamples(sound.data() + at, 4096, 20, dsp::PlotRawCallback{}, 1,
                                         false, 52)) {
            dsp::TickResult r;
            while (analysis->NextTickResult(r)) {
                if (dsp::IsSettled(r, 20)) {
                    ++complete;
                    worst = std::max(worst, std::fabs(r.Rate - p.rate));
                }
            }
        }
    }
    EXPECT_GT(complete, 100);
    return worst;
}

// One early onset spoils only the fit of its own parity; the other parity fits better and
// gives the rate.
TEST(StrayClick, OneEarlyOnsetDoesNotMoveTheRate) {
    EXPECT_LT(WorstRateError({200}), 0.1);
}

// Early onsets in both parities within one averaging window: no parity fit is clean, so
// the beats must be set aside (or aligned on their ticks) for the rate to hold.
TEST(StrayClick, EarlyOnsetsInBothParitiesDoNotMoveTheRate) {
    EXPECT_LT(WorstRateError({200, 203}), 0.1);
}

} // namespace
