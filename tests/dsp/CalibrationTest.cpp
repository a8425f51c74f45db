#include "dsp/DSP.h"
#include "tests/dsp/Signals.h"

#include <gtest/gtest.h>

#include <numbers>

#include <algorithm>
#include <cmath>
#include <memory>

namespace {

using dsp::SignalAnalysis;
using dsptest::LevelOf;
using dsptest::Sound;

constexpr std::int16_t kTick = 16384; // level just under 0.5
constexpr std::int16_t kTock = 8192;  // level just under 0.25

// Level store index i holds the sample at i - 1.
void SetLevel(Sound& sound, std::int64_t index, std::int16_t value) {
    sound.Set(index - 1, value);
}

bool Calibrate(SignalAnalysis& analysis, const Sound& sound, int duration) {
    analysis.ResetFilter();
    analysis.BeginCalibration(duration, dsp::kFilterNone, 0.0);
    for (std::int64_t at = 0; at < sound.Length(); at += 4096) {
        const int count = static_cast<int>(std::min<std::int64_t>(4096, sound.Length() - at));
        if (analysis.AddCalibrationSamples(sound.Data() + at, count)) {
            return true;
        }
    }
    return false;
}

// Pulses of the given width every `spacing` samples from sample `first` on; every other one
// may be softer.
Sound PulseTrain(int seconds, double spacing, int width, std::int16_t odd = kTick,
                 std::int64_t first = 1000) {
    Sound sound(44100LL * seconds);
    for (int k = 0;; ++k) {
        const auto at = first + std::llround(k * spacing);
        if (at + width >= sound.Length()) {
            break;
        }
        sound.Fill(at, width, k % 2 ? odd : kTick);
    }
    return sound;
}

double MeanLevel(const Sound& sound) {
    double sum = 0.0;
    for (std::int64_t i = 0; i < sound.Length(); ++i) {
        sum += LevelOf(sound.Data()[i]);
    }
    return sum / static_cast<double>(sound.Length());
}

struct Outcome {
    bool ok = false;
    int bph = -1;
    double peak = 0.0;
    double rateError = 1e9; // s/d
};

Outcome Finish(SignalAnalysis& analysis, int rate, int angle = 52) {
    Outcome outcome;
    outcome.ok =
        analysis.FinishCalibration(rate, angle, outcome.bph, outcome.peak, outcome.rateError);
    return outcome;
}

TEST(Calibration, CapacityFollowsSettlingAndCorrection) {
    auto analysis = std::make_unique<SignalAnalysis>();
    analysis->BeginCalibration(5, dsp::kFilterMedium, 0.0);
    EXPECT_EQ(analysis->LevelCapacity(), 220500);
    EXPECT_EQ(analysis->FilterKind(), dsp::kFilterMedium);
    analysis->BeginCalibration(60, dsp::kFilterNarrow, 1500.0);
    EXPECT_EQ(analysis->LevelCapacity(), 2691938);
    EXPECT_LT(analysis->LevelCapacity(), dsp::kLevelStoreCapacity);
    // Out-of-range settings stay inside the store.
    analysis->BeginCalibration(600, dsp::kFilterNarrow, 1e6);
    EXPECT_EQ(analysis->LevelCapacity(), dsp::kLevelStoreCapacity);
    analysis->BeginCalibration(0, dsp::kFilterNarrow, 0.0);
    EXPECT_EQ(analysis->LevelCapacity(), 1);
    EXPECT_EQ(analysis->CalibrationProgress(), 0.0);
}

TEST(Calibration, ProgressGrowsByBuffersAndLeftoversAreNotFiltered) {
    auto analysis = std::make_unique<SignalAnalysis>();
    analysis->BeginCalibration(1, dsp::kFilterNone, 0.0);
    std::vector<std::int16_t> buffer(4096, 100);
    int calls = 0;
    while (!analysis->AddCalibrationSamples(buffer.data(), 4096)) {
        ++calls;
        EXPECT_DOUBLE_EQ(analysis->CalibrationProgress(), calls * 4096 / 44100.0);
        buffer.assign(4096, static_cast<std::int16_t>(100 + calls));
    }
    EXPECT_EQ(calls, 10); // 11 buffers hold 44100 levels
    EXPECT_EQ(analysis->LevelCount(), 44100);
    EXPECT_EQ(analysis->CalibrationProgress(), 1.0);
    // The last stored level is the 3140th sample of the final buffer; the rest were dropped.
    EXPECT_EQ(analysis->FilterOutput(), 110 * dsp::kUnfilteredScale);
    EXPECT_TRUE(analysis->AddCalibrationSamples(buffer.data(), 4096));
    EXPECT_EQ(analysis->LevelCount(), 44100);
}

TEST(Calibration, HistogramBinsAndPercentile) {
    auto analysis = std::make_unique<SignalAnalysis>();
    Sound sound(44100);
    // 200 levels in bin 3000 (level 0.7325), the rest 0; one above 1.0 after filtering is
    // impossible unfiltered, so -32768 stands for the top bin.
    sound.Fill(10000, 199, 24000);
    sound.Set(20000, -32768);
    ASSERT_TRUE(Calibrate(*analysis, sound, 1));
    EXPECT_EQ(analysis->HistogramCount(0), 44100 - 200);
    EXPECT_EQ(analysis->HistogramCount(2999), 199);
    EXPECT_EQ(analysis->HistogramCount(4095), 1);
    EXPECT_DOUBLE_EQ(analysis->LevelAt(10001), LevelOf(24000));

    Outcome outcome = Finish(*analysis, 0);
    EXPECT_FALSE(outcome.ok);
    // 0.9975 x 44100 = 43989.75: bin 1 leaves 89.75, bin 3000 (199) leaves -109.25.
    EXPECT_DOUBLE_EQ(outcome.peak, (3000 - 109.25 / 199) / 4096);
    EXPECT_EQ(analysis->PeakLevel(), outcome.peak);
}

TEST(Calibration, SilenceFailsWithPeakFromTheFirstBin) {
    auto analysis = std::make_unique<SignalAnalysis>();
    ASSERT_TRUE(Calibrate(*analysis, Sound(5 * 44100), 5));
    const Outcome outcome = Finish(*analysis, 0);
    EXPECT_FALSE(outcome.ok);
    EXPECT_EQ(outcome.bph, 0);
    EXPECT_DOUBLE_EQ(outcome.peak, 0.9975 / 4096); // about 0.00024
    // No rung: the threshold is still stored, at rung 33 of the empty ladder.
    EXPECT_DOUBLE_EQ(analysis->ThresholdLevel(), outcome.peak * 33 / 32);
}

TEST(Calibration, AutoDetectsSixBeatsAndPlacesTheThreshold) {
    auto analysis = std::make_unique<SignalAnalysis>();
    const Sound sound = PulseTrain(5, 7350, 100);
    ASSERT_TRUE(Calibrate(*analysis, sound, 5));
    const Outcome outcome = Finish(*analysis, 0);
    ASSERT_TRUE(outcome.ok);
    EXPECT_EQ(outcome.bph, 21600);
    EXPECT_NEAR(outcome.rateError, 0.0, 1e-6);
    EXPECT_EQ(analysis->BeatFrequency(), 6.0);
    // 30 pulses of 100 levels in bin 2048; the top 0.25 % (551.25 levels) lie in it.
    EXPECT_DOUBLE_EQ(outcome.peak, (2048 - 551.25 / 3000) / 4096);
    EXPECT_LT(outcome.peak, LevelOf(kTick)); // so every rung finds the pulses
    // Every rung agrees: the run is 1 ... 32, the threshold at rung 1 + 32/16.
    const double mean = MeanLevel(sound);
    EXPECT_NEAR(analysis->ThresholdLevel(), mean + (outcome.peak - mean) * 3 / 32, 1e-12);
    // Lift time at 360 degrees for 52 degrees: asin(52/720) x 0.6366 x 7350 = 338.2 samples.
    EXPECT_EQ(analysis->MinLiftSamples(), 338);
}

TEST(Calibration, ThresholdSitsInTheFirstRunOfTheWinningRate) {
    auto analysis = std::make_unique<SignalAnalysis>();
    // Soft tocks: rungs above their level see only the ticks, 3 beats/s, which AUTO refuses.
    const Sound sound = PulseTrain(5, 7350, 100, kTock);
    ASSERT_TRUE(Calibrate(*analysis, sound, 5));
    const Outcome outcome = Finish(*analysis, 0);
    ASSERT_TRUE(outcome.ok);
    EXPECT_EQ(outcome.bph, 21600);
    const double mean = MeanLevel(sound);
    int k = 1;
    while (mean + (outcome.peak - mean) * k / 32 <= LevelOf(kTock)) {
        ++k;
    }
    EXPECT_EQ(k, 16);
    EXPECT_NEAR(analysis->ThresholdLevel(), mean + (outcome.peak - mean) * (1 + 15 / 16.0) / 32,
                1e-12);
}

TEST(Calibration, SetRateIsVerifiedWithinOnePercent) {
    auto analysis = std::make_unique<SignalAnalysis>();
    ASSERT_TRUE(Calibrate(*analysis, PulseTrain(5, 7350, 100), 5));
    EXPECT_TRUE(Finish(*analysis, 21600).ok);
    EXPECT_FALSE(Finish(*analysis, 18000).ok);
    EXPECT_FALSE(Finish(*analysis, 21900).ok); // 1.4 % away
    EXPECT_TRUE(Finish(*analysis, 21700).ok);  // 0.46 % away
    EXPECT_EQ(analysis->BeatFrequency(), 21700 / 3600.0);
    EXPECT_FALSE(Finish(*analysis, -21600).ok);

    // 12000 bph: 3.3333 beats/s, vote index 6.
    ASSERT_TRUE(Calibrate(*analysis, PulseTrain(5, 13230, 100), 5));
    const Outcome slow = Finish(*analysis, 12000);
    EXPECT_TRUE(slow.ok);
    EXPECT_EQ(slow.bph, 12000);
    EXPECT_NEAR(slow.rateError, 0.0, 1e-6);
    EXPECT_FALSE(Finish(*analysis, 0).ok) << "AUTO detects only 4.9 ... 8.1 beats/s";
}

TEST(Calibration, RatesBelowOneBeatPerSecondVote) {
    auto analysis = std::make_unique<SignalAnalysis>();
    // 300 bph: a beat every 12 s; five beats in the longest settling time.
    ASSERT_TRUE(Calibrate(*analysis, PulseTrain(60, 529200, 2000), 60));
    const Outcome outcome = Finish(*analysis, 300);
    ASSERT_TRUE(outcome.ok);
    EXPECT_EQ(outcome.bph, 300);
    EXPECT_NEAR(outcome.rateError, 0.0, 1e-6);
    EXPECT_GT(analysis->ThresholdLevel(), 0.0);
    EXPECT_LT(analysis->ThresholdLevel(), LevelOf(kTick));
}

TEST(Calibration, RatesAboveTwelveBeatsPerSecondVoteAndAbsurdRatesEnd) {
    auto analysis = std::make_unique<SignalAnalysis>();
    // 50400 bph, 14 beats/s: beyond the vote table's top.
    ASSERT_TRUE(Calibrate(*analysis, PulseTrain(5, 3150, 50), 5));
    const Outcome fast = Finish(*analysis, 50400);
    EXPECT_TRUE(fast.ok);
    EXPECT_EQ(fast.bph, 50400);
    // A rate whose gaps round to no samples at all still ends, and fails.
    EXPECT_FALSE(Finish(*analysis, 2000000000).ok);
    double rounded = 0, measured = 0;
    EXPECT_FALSE(analysis->EstimateBeatRate(1e-300, 0.1, rounded, measured));
    EXPECT_FALSE(analysis->EstimateBeatRate(-6.0, 0.1, rounded, measured));
    // A lift angle beyond any watch's leaves no lift time rather than a garbage count.
    EXPECT_TRUE(Finish(*analysis, 50400, 1000).ok);
    EXPECT_EQ(analysis->MinLiftSamples(), 0);
}

TEST(Calibration, AutoAcceptsOnlyRatesWithinOnePercentOfTheRoundedRate) {
    struct Case {
        double beatsPerSecond;
        int bph; // 0: refused
    };
    for (const Case c : {Case{6.02, 21600}, Case{6.2, 0}, Case{6.3, 0}, Case{7.03, 25200},
                         Case{5.75, 0}, Case{5.0, 18000}, Case{8.05, 28800}, Case{8.2, 0}}) {
        SCOPED_TRACE(c.beatsPerSecond);
        auto analysis = std::make_unique<SignalAnalysis>();
        ASSERT_TRUE(Calibrate(*analysis, PulseTrain(5, 44100 / c.beatsPerSecond, 50), 5));
        const Outcome outcome = Finish(*analysis, 0);
        EXPECT_EQ(outcome.ok, c.bph != 0);
        if (outcome.ok) {
            EXPECT_EQ(outcome.bph, c.bph);
            // The first daily rate: how far the measured rate is from the rounded one.
            EXPECT_NEAR(outcome.rateError, (c.beatsPerSecond * 3600 / c.bph - 1) * 86400, 5.0);
        }
    }
}

TEST(Calibration, RoundedBeatFrequencyUsesHalfStepsBelowSixAndAQuarter) {
    EXPECT_EQ(dsp::RoundedBeatFrequency(6.02), 6.0);
    EXPECT_EQ(dsp::RoundedBeatFrequency(6.2), 6.0);
    EXPECT_EQ(dsp::RoundedBeatFrequency(6.3), 6.0);
    EXPECT_EQ(dsp::RoundedBeatFrequency(7.03), 7.0);
    EXPECT_EQ(dsp::RoundedBeatFrequency(5.75), 6.0);
    // Halves go to the even neighbour.
    EXPECT_EQ(dsp::RoundedBeatFrequency(5.25), 5.0);
    EXPECT_EQ(dsp::RoundedBeatFrequency(6.25), 6.0);
    EXPECT_EQ(dsp::RoundedBeatFrequency(6.5), 6.0);
    EXPECT_EQ(dsp::RoundedBeatFrequency(7.5), 8.0);
    EXPECT_EQ(dsp::RoundedBeatFrequency(5.6), 5.5);
}

TEST(EstimateBeatRate, OddOnsetCountDropsTheLastOnset) {
    auto analysis = std::make_unique<SignalAnalysis>();
    Sound sound(44100);
    SetLevel(sound, 5001, kTick);                                 // first sound, skipped
    for (std::int64_t at : {12351, 19701, 27051, 34401, 42251}) { // the last 500 late
        SetLevel(sound, at, kTick);
    }
    ASSERT_TRUE(Calibrate(*analysis, sound, 1));
    double rounded = 0, measured = 0;
    ASSERT_TRUE(analysis->EstimateBeatRate(6.0, 0.1, rounded, measured));
    EXPECT_NEAR(measured, 6.0, 1e-9);
    EXPECT_EQ(rounded, 6.0);
    // Without a guess the same onsets are found (gaps of 0.1 s instead of 0.9 beat).
    ASSERT_TRUE(analysis->EstimateBeatRate(0.0, 0.1, rounded, measured));
    EXPECT_NEAR(measured, 6.0, 1e-9);
}

TEST(EstimateBeatRate, TheLastStoredLevelIsNotExamined) {
    auto analysis = std::make_unique<SignalAnalysis>();
    Sound sound(44100);
    for (std::int64_t at : {5001, 12351, 19701, 27051}) {
        SetLevel(sound, at, kTick);
    }
    SetLevel(sound, 44100, kTick);
    ASSERT_TRUE(Calibrate(*analysis, sound, 1));
    double rounded = 0, measured = 0;
    ASSERT_TRUE(analysis->EstimateBeatRate(6.0, 0.1, rounded, measured));
    EXPECT_NEAR(measured, 6.0, 1e-9); // three onsets, the third dropped
}

TEST(EstimateBeatRate, FailsWithoutTwoOnsetsOrWithTooMany) {
    auto analysis = std::make_unique<SignalAnalysis>();
    Sound one(44100);
    SetLevel(one, 5001, kTick);
    SetLevel(one, 12351, kTick);
    ASSERT_TRUE(Calibrate(*analysis, one, 1));
    double rounded = 0, measured = 0;
    EXPECT_FALSE(analysis->EstimateBeatRate(6.0, 0.1, rounded, measured));

    // Continuous sound never gives the quiet half beat.
    Sound loud(44100);
    loud.Fill(0, 44100, kTick);
    ASSERT_TRUE(Calibrate(*analysis, loud, 1));
    EXPECT_FALSE(analysis->EstimateBeatRate(6.0, 0.1, rounded, measured));

    // Quiet, then sound for a minute: at 100 beats/s it is 6600 onsets, at 200 over 8192.
    Sound noisy(60 * 44100);
    noisy.Fill(1000, noisy.Length() - 1000, kTick);
    ASSERT_TRUE(Calibrate(*analysis, noisy, 60));
    ASSERT_TRUE(analysis->EstimateBeatRate(100.0, 0.1, rounded, measured));
    EXPECT_NEAR(measured, 44100.0 / 397, 1e-9);
    EXPECT_FALSE(analysis->EstimateBeatRate(200.0, 0.1, rounded, measured));
}

TEST(Calibration, AdjustThresholdClampsToTheUnitRange) {
    auto analysis = std::make_unique<SignalAnalysis>();
    EXPECT_EQ(analysis->ThresholdLevel(), 0.0);
    EXPECT_DOUBLE_EQ(analysis->AdjustThreshold(0.25), 0.25);
    EXPECT_DOUBLE_EQ(analysis->AdjustThreshold(-0.05), 0.2);
    EXPECT_EQ(analysis->AdjustThreshold(0.9), 1.0);
    EXPECT_EQ(analysis->AdjustThreshold(-3.0), 0.0);
    EXPECT_EQ(analysis->ThresholdLevel(), 0.0);
}

TEST(Calibration, SuccessResetsTheTickDetector) {
    auto analysis = std::make_unique<SignalAnalysis>();
    analysis->SetRecordNumber(77);
    ASSERT_TRUE(Calibrate(*analysis, PulseTrain(5, 7350, 100), 5));
    ASSERT_TRUE(Finish(*analysis, 0).ok);
    EXPECT_EQ(analysis->FirstIndex(), 77);
    EXPECT_EQ(analysis->ReadIndex(), 77);
    EXPECT_EQ(analysis->SampleClock(), 0);
    EXPECT_FALSE(analysis->ResultsStarted());
}

} // namespace

namespace {

// White noise: uniform sums (near Gaussian) from a fixed generator, so runs repeat exactly.
Sound WhiteNoise(int seconds, double amplitude, unsigned seed) {
    Sound sound(44100LL * seconds + 4096);
    for (auto& s : sound.Samples()) {
        double sum = 0.0;
        for (int k = 0; k < 4; ++k) {
            seed = seed * 1664525u + 1013904223u;
            sum += (seed >> 8) / 16777216.0 - 0.5;
        }
        s = static_cast<std::int16_t>(std::lround(std::clamp(sum * amplitude, -32768.0, 32767.0)));
    }
    return sound;
}

TEST(Calibration, NoiseIsNotTakenForAWatch) {
    // Threshold crossings of noise, each followed by the 0.9-beat gap, can average one beat
    // apart at some rung; their spacing is irregular, which a watch's is not.
    auto analysis = std::make_unique<SignalAnalysis>();
    int runs = 0;
    for (unsigned seed = 1; seed <= 6; ++seed) {
        for (double amplitude : {300.0, 3000.0, 20000.0}) {
            const Sound noise = WhiteNoise(5, amplitude, seed);
            for (int rate : {0, 28800, 21600}) {
                analysis->ResetFilter();
                analysis->BeginCalibration(5, dsp::kFilterNarrow, 0.0);
                ASSERT_TRUE(analysis->AddCalibrationSamples(noise.Data(), 5 * 44100));
                EXPECT_FALSE(Finish(*analysis, rate).ok) << seed << ' ' << amplitude << ' ' << rate;
                ++runs;
            }
        }
    }
    EXPECT_EQ(runs, 54);
}

// Sounds with no watch in them but with loudness that comes and goes: rumble (brown noise),
// a steady 50 Hz hum with its harmonics, and speech-like bursts at irregular syllable times.
// When the level ladder finds nothing, the rhythm of the sound is looked at; none of these
// has a watch's.
TEST(Calibration, RumbleHumAndSpeechAreNotTakenForAWatch) {
    auto analysis = std::make_unique<SignalAnalysis>();
    std::uint32_t seed = 11;
    auto uniform = [&seed] {
        seed = seed * 1664525u + 1013904223u;
        return (seed >> 8) / 16777216.0 - 0.5;
    };
    Sound rumble(5 * 44100), hum(5 * 44100), speech(5 * 44100);
    double brown = 0.0;
    for (std::int64_t i = 0; i < rumble.Length(); ++i) {
        brown = 0.999 * brown + uniform();
        rumble.Set(i, static_cast<std::int16_t>(std::clamp(brown * 1500.0, -32768.0, 32767.0)));
        const double t = static_cast<double>(i) / 44100.0;
        hum.Set(i, static_cast<std::int16_t>(
                       std::lround(8000.0 * (std::sin(2 * std::numbers::pi * 50 * t) +
                                             0.3 * std::sin(2 * std::numbers::pi * 150 * t)) +
                                   50.0 * uniform())));
    }
    for (std::int64_t at = 2000; at < speech.Length();) {
        const std::int64_t length = 3500 + static_cast<std::int64_t>((uniform() + 0.5) * 7000);
        const double loudness = 3000.0 + (uniform() + 0.5) * 9000.0;
        for (std::int64_t i = 0; i < length && at + i < speech.Length(); ++i) {
            const double envelope = std::sin(std::numbers::pi * static_cast<double>(i) / length);
            speech.Set(at + i, static_cast<std::int16_t>(
                                   std::lround(loudness * envelope * 4.0 * uniform())));
        }
        at += length + 2000 + static_cast<std::int64_t>((uniform() + 0.5) * 12000);
    }
    for (const Sound* sound : {&rumble, &hum, &speech}) {
        for (int filter : {dsp::kFilterNone, dsp::kFilterMedium}) {
            for (int rate : {0, 21600}) {
                analysis->ResetFilter();
                analysis->BeginCalibration(5, filter, 0.0);
                ASSERT_TRUE(analysis->AddCalibrationSamples(sound->Data(), 5 * 44100));
                EXPECT_FALSE(Finish(*analysis, rate).ok) << (sound == &rumble ? "rumble"
                                                             : sound == &hum  ? "hum"
                                                                              : "speech")
                                                         << ' ' << filter << ' ' << rate;
            }
        }
    }
}

TEST(Calibration, LargeBeatErrorAndJitterStillCalibrate) {
    auto analysis = std::make_unique<SignalAnalysis>();
    // 6 beats/s with 15 ms beat error (331 samples either way) and onsets jittering by up
    // to 1 ms.
    Sound sound(5 * 44100);
    const int jitter[7] = {0, 30, -44, 12, -20, 44, -7};
    for (int k = 0; k < 30; ++k) {
        const std::int64_t at = 1000 + 7350 * k + (k % 2 ? 331 : -331) + jitter[k % 7];
        sound.Fill(at, 100, kTick);
    }
    ASSERT_TRUE(Calibrate(*analysis, sound, 5));
    const Outcome automatic = Finish(*analysis, 0);
    EXPECT_TRUE(automatic.ok);
    EXPECT_EQ(automatic.bph, 21600);
    EXPECT_TRUE(Finish(*analysis, 21600).ok);
}

} // namespace
