#include "dsp/DSP.h"
#include "tests/dsp/Signals.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <numbers>
#include <vector>

namespace {

using dsp::SignalAnalysis;
using dsptest::Sound;

// A watch laid out beat by beat: onsets at the given sample positions, each with its peak
// delay, after a first sound at sample 4000. Unfiltered, so onsets are exact.
struct Watch {
    std::vector<std::int64_t> onsets;
    std::vector<std::int64_t> peakDelays;

    Sound Render() const {
        Sound sound(onsets.back() + 20000);
        sound.Set(4000, dsptest::kOnsetSample);
        for (std::size_t k = 0; k < onsets.size(); ++k) {
            dsptest::AddBeat(sound, {onsets[k], peakDelays[k]});
        }
        return sound;
    }
};

// Beats alternate intervals spacing + offset and spacing - offset (in samples).
Watch Alternating(int beats, std::int64_t spacing, std::int64_t offset = 0,
                  std::int64_t peakDelay = 300) {
    Watch watch;
    std::int64_t at = 4000;
    for (int k = 0; k < beats; ++k) {
        at += spacing + (k % 2 ? -offset : offset);
        watch.onsets.push_back(at);
        watch.peakDelays.push_back(peakDelay);
    }
    return watch;
}

std::unique_ptr<SignalAnalysis> MakeDetector(double correction = 0.0, double beats = 6.0) {
    auto analysis = std::make_unique<SignalAnalysis>();
    analysis->StartSampleClock(dsp::kFilterNone, correction);
    analysis->SetCalibration(0.1, 0.5, beats, 100);
    analysis->ResetTickDetector();
    return analysis;
}

std::vector<dsp::TickResult> Drain(SignalAnalysis& analysis) {
    std::vector<dsp::TickResult> results;
    dsp::TickResult result;
    while (analysis.NextTickResult(result)) {
        results.push_back(result);
    }
    return results;
}

TEST(Results, FirstComputedRecordUsesFourBeatsAndFallsBack) {
    auto analysis = MakeDetector();
    // Irregular beats, so every value differs.
    Watch watch;
    const std::int64_t gaps[6] = {7350, 7400, 7300, 7420, 7290, 7350};
    const std::int64_t delays[6] = {300, 320, 340, 360, 380, 400};
    std::int64_t at = 4000;
    for (int k = 0; k < 6; ++k) {
        at += gaps[k];
        watch.onsets.push_back(at);
        watch.peakDelays.push_back(delays[k]);
    }
    const Sound sound = watch.Render();
    // Up to just before the sixth beat's onset.
    dsptest::DetectRange(*analysis, sound, 0, watch.onsets[5]);
    for (int r = 0; r < 4; ++r) {
        EXPECT_FALSE(analysis->Record(r).Valid) << r;
    }
    const dsp::TickRecord& first = analysis->Record(4);
    ASSERT_TRUE(first.Valid);
    EXPECT_DOUBLE_EQ(first.Span, 3 / 6.0);
    EXPECT_EQ(first.AmplitudeMedian, analysis->Record(3).Amplitude);
    EXPECT_EQ(first.BeatErrorMedian, first.BeatError);
    // |t4 - 2 t3 + t2| x 500 ms: intervals 7290 and 7420 samples.
    EXPECT_NEAR(first.BeatError, 130 / 44100.0 * 500, 1e-9);
    // Record 4 is even, so record 3 is not paired with it.
    EXPECT_EQ(analysis->Record(3).BeatError, 0.0);
    // Record 5 is odd: it hands its value (intervals 7350 and 7290) to record 4.
    dsptest::DetectRange(*analysis, sound, watch.onsets[5], sound.Length());
    EXPECT_NEAR(analysis->Record(5).BeatError, 60 / 44100.0 * 500, 1e-9);
    EXPECT_EQ(analysis->Record(4).BeatError, analysis->Record(5).BeatError);
    // Amplitude of beat 3 once beat 4 started: 52 / (2 sin(pi/2 x delay / interval)).
    const double interval = 7290 / 44100.0, delay = 360 / 44100.0;
    EXPECT_NEAR(analysis->Record(3).Amplitude,
                52 / (2 * std::sin(std::numbers::pi / 2 * delay / interval)), 1e-9);
}

TEST(Results, RegularBeatsGiveZeroRateAndBeatError) {
    auto analysis = MakeDetector();
    dsptest::Detect(*analysis, Alternating(200, 7350).Render());
    const auto results = Drain(*analysis);
    ASSERT_EQ(results.size(), 200u);
    for (std::size_t k = 4; k < results.size(); ++k) {
        ASSERT_TRUE(results[k].Valid);
        EXPECT_NEAR(results[k].Rate, 0.0, 1e-6);
        EXPECT_NEAR(results[k].BeatError, 0.0, 1e-9);
    }
    // 20 s at 6 beats/s: a window of 121 records, 20.17 s.
    EXPECT_DOUBLE_EQ(results.back().Span, 121 / 6.0);
    EXPECT_TRUE(dsp::IsSettled(results.back(), 20));
    EXPECT_FALSE(dsp::IsSettled(results[100], 20));
    EXPECT_FALSE(dsp::IsSettled(results[2], 2));
}

TEST(Results, RateCorrectionMakesTheSameSoundGainTenSecondsADay) {
    // Exact 7350-sample beats on a sound card running 10 s/d fast: every interval is
    // 86400/86410 of a nominal beat.
    auto analysis = MakeDetector(10.0);
    dsptest::Detect(*analysis, Alternating(150, 7350).Render());
    const auto results = Drain(*analysis);
    for (std::size_t k = 4; k < results.size(); ++k) {
        EXPECT_NEAR(results[k].Rate, 10.0, 1e-6) << k;
    }
}

TEST(Results, BeatErrorIsHalfTheIntervalDifferenceAndStaysOutOfTheRate) {
    auto analysis = MakeDetector();
    // 441 samples either way: intervals differ by 882 samples, 20 ms; beat error 10 ms.
    dsptest::Detect(*analysis, Alternating(200, 7350, 441).Render());
    const auto results = Drain(*analysis);
    for (std::size_t k = 4; k < results.size(); ++k) {
        EXPECT_NEAR(results[k].BeatError, 10.0, 1e-9) << k;
        EXPECT_NEAR(results[k].Rate, 0.0, 1e-6) << k;
    }
}

TEST(Results, RateComesFromTheBetterOfTheTwoParityFits) {
    auto analysis = MakeDetector();
    // Every even beat jitters by up to 300 samples; the odd beats keep exact time.
    Watch watch = Alternating(240, 7350);
    const int jitter[5] = {300, -200, 100, -300, 250};
    for (std::size_t k = 0; k < watch.onsets.size(); k += 2) {
        watch.onsets[k] += jitter[(k / 2) % 5];
    }
    dsptest::Detect(*analysis, watch.Render());
    const auto results = Drain(*analysis);
    ASSERT_EQ(results.size(), 240u);
    for (std::size_t k = 8; k < results.size(); ++k) {
        EXPECT_NEAR(results[k].Rate, 0.0, 1e-6) << k;
    }
}

TEST(Results, AmplitudeFromLiftAngleAndPeakDelay) {
    // 44160 samples/s: a beat of 1/6 s is 7360 samples and 0.0125 s is 552.
    const double correction = 86400.0 * 60 / 44100;
    auto analysis = MakeDetector(correction);
    ASSERT_NEAR(analysis->EffectiveSampleRate(), 44160.0, 1e-9);
    dsptest::Detect(*analysis, Alternating(40, 7360, 0, 552).Render(), 20, 52);
    const auto results = Drain(*analysis);
    for (std::size_t k = 4; k < results.size(); ++k) {
        EXPECT_NEAR(results[k].Amplitude, 221.2, 0.05) << k;
    }
    EXPECT_NEAR(analysis->Record(10).Amplitude, 52 / (2 * std::sin(std::numbers::pi / 2 * 0.075)),
                1e-6);
}

TEST(Results, MediansResistASingleBadBeat) {
    auto analysis = MakeDetector();
    Watch watch = Alternating(120, 7350, 0, 300);
    watch.peakDelays[60] = 900; // one late peak: a low amplitude for that beat
    watch.onsets[80] += 200;    // one late beat: two large beat errors
    dsptest::Detect(*analysis, watch.Render());
    const auto results = Drain(*analysis);
    const double regular = analysis->Record(50).Amplitude;
    EXPECT_LT(analysis->Record(60).Amplitude, regular - 100);
    EXPECT_GT(analysis->Record(81).BeatError, 2.0);
    for (std::size_t k = 30; k < results.size(); ++k) {
        EXPECT_NEAR(results[k].Amplitude, regular, 1e-9) << k;
        EXPECT_NEAR(results[k].BeatError, 0.0, 1e-9) << k;
    }
}

// A watch with a beat error of 20 samples whose beats 2, 5, 9 and 12 of every 15 come out of
// line: at random distances, as noise crossing the threshold early or late times them, or all
// by the same distance, as a second sound of the beat would. Either way a quarter of the
// window's beats is set aside.
TEST(Results, BeatsSetAsideAtRandomLeaveTheOthersTrustedButTogetherMarkAnotherSound) {
    const std::int64_t scattered[] = {-300, 250, -180, 420, -90, 330, -400, 150};
    for (const bool together : {false, true}) {
        SCOPED_TRACE(together ? "together" : "scattered");
        auto analysis = MakeDetector();
        Watch watch = Alternating(240, 7350, 20);
        int strays = 0;
        for (std::size_t k = 0; k < watch.onsets.size(); ++k) {
            const std::size_t place = k % 15;
            if (place == 2 || place == 5 || place == 9 || place == 12) {
                watch.onsets[k] += together ? 66 : scattered[strays++ % 8];
            }
        }
        dsptest::Detect(*analysis, watch.Render(), 10);
        const auto results = Drain(*analysis);
        ASSERT_FALSE(results.empty());
        const dsp::TickResult& last = results.back();
        EXPECT_NEAR(last.Used, 0.73, 0.02);
        EXPECT_EQ(dsp::IsSettled(last, 10), !together);
        if (!together) {
            EXPECT_NEAR(last.BeatError, 20.0 / 44.1, 1e-6);
            EXPECT_NEAR(last.Rate, 0.0, 1e-6);
        }
    }
}

TEST(Results, BeatErrorResultAveragesTwoNeighbouringMedians) {
    auto analysis = MakeDetector();
    Watch watch = Alternating(60, 7350, 100);
    for (std::size_t k = 0; k < watch.onsets.size(); ++k) {
        watch.onsets[k] += static_cast<std::int64_t>(k * k % 7) * 20; // drifting beat errors
    }
    dsptest::Detect(*analysis, watch.Render(), 5);
    dsp::TickResult result;
    std::int64_t number = analysis->ReadIndex();
    while (analysis->NextTickResult(result)) {
        const dsp::TickRecord& record = analysis->Record(number);
        if (number >= analysis->FirstIndex() + 5) {
            EXPECT_DOUBLE_EQ(
                result.BeatError,
                (record.BeatErrorMedian + analysis->Record(number - 1).BeatErrorMedian) / 2);
        } else {
            EXPECT_EQ(result.BeatError, record.BeatErrorMedian);
        }
        EXPECT_EQ(result.Rate, record.RateError);
        EXPECT_EQ(result.Amplitude, record.AmplitudeMedian);
        EXPECT_EQ(result.Span, record.Span);
        EXPECT_EQ(result.Time, record.Time);
        ++number;
    }
    EXPECT_EQ(number, 60);
}

TEST(Results, ShortPeriodAtSlowRatesKeepsTwoPairs) {
    // 1800 bph with a 2 s period: period x beats/s = 1, which alone would leave one record per
    // parity; the window keeps four records instead.
    auto analysis = MakeDetector(0.0, 0.5);
    const Watch watch = Alternating(10, 88200, 0, 2000);
    Sound sound(watch.onsets.back() + 90000);
    sound.Set(50000, dsptest::kOnsetSample); // after the quiet half beat of 44100 samples
    for (std::size_t k = 0; k < watch.onsets.size(); ++k) {
        dsptest::AddBeat(sound, {watch.onsets[k] + 50000, 2000});
    }
    dsptest::Detect(*analysis, sound, 2);
    const auto results = Drain(*analysis);
    ASSERT_EQ(results.size(), 10u);
    for (std::size_t k = 4; k < results.size(); ++k) {
        ASSERT_TRUE(results[k].Valid);
        EXPECT_DOUBLE_EQ(results[k].Span, 6.0);
        EXPECT_TRUE(std::isfinite(results[k].Rate));
        EXPECT_NEAR(results[k].Rate, 0.0, 1e-6);
        EXPECT_TRUE(dsp::IsSettled(results[k], 2));
    }
}

} // namespace
