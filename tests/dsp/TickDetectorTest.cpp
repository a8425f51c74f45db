#include "dsp/DSP.h"
#include "tests/dsp/Signals.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

using dsp::SignalAnalysis;
using dsptest::Beat;
using dsptest::Sound;

// Unfiltered, 44100 samples/s, 6 beats/s: Q = 3675, P2 = 1470, P9 = 6615 samples.
constexpr int kLift = 100;                   // samples
constexpr std::int64_t kDead = 6615 + kLift; // samples after an onset that are ignored
constexpr double kSample = 1.0 / 44100;      // s

std::unique_ptr<SignalAnalysis> MakeDetector(double beatsPerSecond = 6.0, int lift = kLift) {
    auto analysis = std::make_unique<SignalAnalysis>();
    analysis->StartSampleClock(dsp::kFilterNone, 0.0);
    analysis->SetCalibration(0.1, 0.5, beatsPerSecond, lift);
    analysis->ResetTickDetector();
    return analysis;
}

struct PlotLog {
    std::vector<bool> started;
    std::vector<double> values;
    void Add(bool resultsStarted, double value) {
        started.push_back(resultsStarted);
        values.push_back(value);
    }
};

TEST(TickDetector, ContinuousSoundStaysInTheQuietPhase) {
    auto analysis = MakeDetector();
    Sound sound(11 * 44100);
    sound.Fill(0, sound.Length(), dsptest::kOnsetSample);
    EXPECT_FALSE(dsptest::Detect(*analysis, sound));
    EXPECT_EQ(analysis->WriteIndex(), 0);
    EXPECT_GT(analysis->SecondsSinceOnset(), 10.0);
    EXPECT_EQ(analysis->SampleClock(), sound.Length());
}

TEST(TickDetector, FirstSoundOnlyAlignsAndSoundDuringQuietRestartsIt) {
    auto analysis = MakeDetector();
    Sound sound(30000);
    // 3000 and 6000 fall inside the quiet half beat and restart it; 10000 is the first sound.
    for (std::int64_t at : {3000, 6000, 10000}) {
        sound.Set(at, dsptest::kOnsetSample);
    }
    dsptest::AddBeat(sound, {17350, 200});
    EXPECT_FALSE(dsptest::DetectRange(*analysis, sound, 0, 17350 + 1470));
    EXPECT_EQ(analysis->WriteIndex(), 0);
    // The record completes on the last sample of its peak window.
    EXPECT_TRUE(dsptest::DetectRange(*analysis, sound, 17350 + 1470, 17350 + 1471));
    EXPECT_EQ(analysis->WriteIndex(), 1);
    EXPECT_NEAR(analysis->Record(0).Time, 17350 * kSample, 1e-12);
    EXPECT_NEAR(analysis->Record(0).PeakDelay, 200 * kSample, 1e-12);
    EXPECT_FALSE(analysis->Record(0).Valid);
    EXPECT_NEAR(analysis->SecondsSinceOnset(), 1471 * kSample, 1e-12);
}

TEST(TickDetector, PeakDelayTakesTheEarliestLoudestSampleOfTheWindow) {
    auto analysis = MakeDetector();
    Sound sound(40000);
    sound.Set(4000, dsptest::kOnsetSample);
    const std::int64_t s0 = 12000;
    sound.Set(s0, dsptest::kOnsetSample);
    sound.Set(s0 + 50, 30000); // blanked: inside the lift time
    sound.Set(s0 + 300, 20000);
    sound.Set(s0 + 400, 20000);  // as loud, later
    sound.Set(s0 + 1471, 32000); // just after the window
    const std::int64_t s1 = s0 + kDead + 1;
    sound.Set(s1, dsptest::kOnsetSample); // nothing above 0 in its window
    dsptest::Detect(*analysis, sound);
    ASSERT_EQ(analysis->WriteIndex(), 2);
    EXPECT_NEAR(analysis->Record(0).PeakDelay, 300 * kSample, 1e-12);
    EXPECT_NEAR(analysis->Record(1).Time, s1 * kSample, 1e-12);
    EXPECT_NEAR(analysis->Record(1).PeakDelay, kLift * kSample, 1e-12);
}

TEST(TickDetector, TheWholeDeadIntervalIsIgnored) {
    for (const std::int64_t after : {kDead, kDead + 1}) {
        auto analysis = MakeDetector();
        Sound sound(40000);
        sound.Set(4000, dsptest::kOnsetSample);
        const std::int64_t s0 = 12000;
        sound.Set(s0, dsptest::kOnsetSample);
        for (std::int64_t at = s0 + 1500; at < s0 + kDead; at += 500) {
            sound.Set(at, 32767); // loud, during the hold
        }
        sound.Set(s0 + after, dsptest::kOnsetSample);
        dsptest::Detect(*analysis, sound);
        if (after == kDead) {
            EXPECT_EQ(analysis->WriteIndex(), 1) << "the last held sample";
        } else {
            ASSERT_EQ(analysis->WriteIndex(), 2);
            EXPECT_NEAR(analysis->Record(1).Time, (s0 + after) * kSample, 1e-12);
        }
    }
}

TEST(TickDetector, PlotPointsStartAtTheFirstRecordedOnset) {
    auto analysis = MakeDetector();
    PlotLog log;
    const auto plot = dsp::PlotRawCallback::Bind<&PlotLog::Add>(&log);
    Sound sound(4000 + 7350 * 9);
    sound.Set(4000, dsptest::kOnsetSample);
    for (int k = 1; k <= 8; ++k) {
        // The fifth beat comes 30 samples late, off the plot points' grid.
        dsptest::AddBeat(sound, {4000 + 7350 * k + (k == 5 ? 30 : 0), 300});
    }
    const std::int64_t s0 = 4000 + 7350;
    // Rows 100 at 6 beats/s: a point every 1/600 s, 73.5 samples.
    dsptest::DetectRange(*analysis, sound, 0, s0, 20, 52, plot, 100, true);
    EXPECT_TRUE(log.values.empty());
    dsptest::DetectRange(*analysis, sound, s0, s0 + 22000, 20, 52, plot, 100, true);
    EXPECT_EQ(log.values.size(), 299u);
    // The first interval holds the onset (0.305 / 0.5), the next the peak at 300 samples.
    ASSERT_GE(log.values.size(), 5u);
    EXPECT_DOUBLE_EQ(log.values[0], dsptest::LevelOf(dsptest::kOnsetSample) / 0.5);
    EXPECT_DOUBLE_EQ(log.values[4], dsptest::LevelOf(dsptest::kPeakSample) / 0.5);
    EXPECT_EQ(log.values[1], 0.0);
    // Results start with the fifth record (onset 29430 samples after s0): point 401 on.
    dsptest::DetectRange(*analysis, sound, s0 + 22000, sound.Length(), 20, 52, plot, 100, true);
    const auto firstStarted =
        std::find(log.started.begin(), log.started.end(), true) - log.started.begin();
    EXPECT_EQ(firstStarted, 400); // 29400 / 73.5
    EXPECT_TRUE(std::all_of(log.started.begin() + firstStarted, log.started.end(),
                            [](bool b) { return b; }));

    // Disabled, or with no rows, nothing is called.
    auto quietAnalysis = MakeDetector();
    PlotLog none;
    const auto nonePlot = dsp::PlotRawCallback::Bind<&PlotLog::Add>(&none);
    dsptest::DetectRange(*quietAnalysis, sound, 0, sound.Length(), 20, 52, nonePlot, 100, false);
    dsptest::DetectRange(*quietAnalysis, sound, 0, sound.Length(), 20, 52, nonePlot, 0, true);
    EXPECT_TRUE(none.values.empty());
}

TEST(TickDetector, FilterAdvancesOnEverySampleOfEveryPhase) {
    auto analysis = MakeDetector();
    analysis->StartSampleClock(dsp::kFilterNarrow, 0.0);
    auto twin = std::make_unique<SignalAnalysis>();
    twin->StartSampleClock(dsp::kFilterNarrow, 0.0);
    Sound sound(50000);
    for (int k = 0; k < 6; ++k) {
        sound.Fill(4000 + 7350 * k, 300, static_cast<std::int16_t>(k % 2 ? 20000 : -20000));
    }
    dsptest::Detect(*analysis, sound);
    for (std::int64_t i = 0; i < sound.Length(); ++i) {
        twin->FilterSample(sound.Data()[i]);
    }
    EXPECT_EQ(analysis->FilterOutput(), twin->FilterOutput());
    EXPECT_GT(analysis->WriteIndex(), 0);
}

// A steady watch of `beats` beats after the first sound; onsets every `spacing` samples.
Sound Steady(int beats, std::int64_t spacing, std::int64_t first = 4000) {
    Sound sound(first + spacing * (beats + 1));
    sound.Set(first, dsptest::kOnsetSample);
    for (int k = 1; k <= beats; ++k) {
        dsptest::AddBeat(sound, {first + spacing * k, spacing / 10});
    }
    return sound;
}

TEST(TickRing, RecordsAreOverwrittenAfter8192Beats) {
    // 100 beats/s keeps the sound short: P2 = 88, P9 = 397 samples.
    auto analysis = MakeDetector(100.0, 10);
    const Sound sound = Steady(8200, 441);
    dsptest::Detect(*analysis, sound, 2);
    ASSERT_EQ(analysis->WriteIndex(), 8200);
    // Slot 5 now holds record 8197.
    EXPECT_NEAR(analysis->Record(5).Time, (4000 + 441 * 8198) * kSample, 1e-9);
    EXPECT_TRUE(analysis->Record(5).Valid);

    // The reader lost records 0 ... 8: one per call, each call false.
    dsp::TickResult result;
    for (int lost = 0; lost < 9; ++lost) {
        EXPECT_FALSE(analysis->NextTickResult(result));
    }
    EXPECT_EQ(analysis->ReadIndex(), 9);
    ASSERT_TRUE(analysis->NextTickResult(result));
    EXPECT_NEAR(result.Time, (4000 + 441 * 10) * kSample, 1e-9);
    int handedOut = 1;
    while (analysis->NextTickResult(result)) {
        ++handedOut;
    }
    EXPECT_EQ(handedOut, 8200 - 9);
}

TEST(TickRing, RecordNumbersRunPastThirtyTwoBits) {
    auto analysis = MakeDetector();
    const std::int64_t start = (std::int64_t{1} << 32) - 3;
    analysis->SetRecordNumber(start);
    analysis->ResetTickDetector();
    const Sound sound = Steady(12, 7350);
    dsptest::Detect(*analysis, sound);
    EXPECT_EQ(analysis->WriteIndex(), start + 12);
    dsp::TickResult result;
    int count = 0;
    while (analysis->NextTickResult(result)) {
        EXPECT_EQ(result.Valid, count >= 4) << count;
        if (result.Valid) {
            EXPECT_NEAR(result.Rate, 0.0, 1e-6);
            EXPECT_NEAR(result.BeatError, 0.0, 1e-6);
        }
        ++count;
    }
    EXPECT_EQ(count, 12);
}

TEST(TickDetector, ResetStartsANewTestAtTheWriteIndex) {
    auto analysis = MakeDetector();
    const Sound sound = Steady(10, 7350);
    dsptest::Detect(*analysis, sound);
    ASSERT_EQ(analysis->WriteIndex(), 10);
    EXPECT_TRUE(analysis->ResultsStarted());
    analysis->ResetTickDetector();
    EXPECT_EQ(analysis->FirstIndex(), 10);
    EXPECT_EQ(analysis->ReadIndex(), 10);
    EXPECT_EQ(analysis->SampleClock(), 0);
    EXPECT_EQ(analysis->SecondsSinceOnset(), 0.0);
    EXPECT_FALSE(analysis->ResultsStarted());
    dsp::TickResult result;
    EXPECT_FALSE(analysis->NextTickResult(result));
    // The first sound after the reset is again only for alignment.
    const Sound again = Steady(1, 7350);
    dsptest::Detect(*analysis, again);
    ASSERT_TRUE(analysis->NextTickResult(result));
    EXPECT_FALSE(result.Valid);
    EXPECT_NEAR(result.Time, (4000 + 7350) * kSample, 1e-12);
    EXPECT_FALSE(analysis->NextTickResult(result));
}

} // namespace
