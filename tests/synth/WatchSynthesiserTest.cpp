#include "dsp/synth/WatchSynthesiser.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <numbers>
#include <stdexcept>
#include <vector>

namespace {

using synth::WatchParameters;
using synth::WatchSynthesiser;

std::vector<std::int16_t> Render(const WatchParameters& p, double seconds) {
    WatchSynthesiser s(p);
    std::vector<std::int16_t> out(static_cast<std::size_t>(seconds * 44100.0));
    s.Generate(out);
    return out;
}

// Samples from the first whole sample at or after t (seconds) on.
std::size_t SampleAt(const WatchSynthesiser& s, double t) {
    return static_cast<std::size_t>(std::ceil(t * s.SamplesPerSecond()));
}

TEST(WatchSynthesiser, SameSeedSameSoundWhateverTheBufferSizes) {
    WatchParameters p;
    p.noiseDb = -30.0;
    p.humDb = -25.0;
    p.clicksPerMinute = 60.0;
    p.beatError = 1.3;
    p.rate = 17.0;
    const std::vector<std::int16_t> whole = Render(p, 3.0);

    WatchSynthesiser pieces(p);
    std::vector<std::int16_t> joined;
    std::vector<std::int16_t> buffer(4096);
    const std::size_t sizes[] = {1, 7, 4096, 333, 1000, 2};
    for (std::size_t i = 0; joined.size() < whole.size(); ++i) {
        const std::size_t n = std::min(sizes[i % 6], whole.size() - joined.size());
        pieces.Generate(buffer.data(), n);
        joined.insert(joined.end(), buffer.begin(), buffer.begin() + static_cast<long>(n));
    }
    EXPECT_EQ(whole, joined);
    EXPECT_EQ(pieces.SamplesGenerated(), static_cast<std::int64_t>(whole.size()));

    p.seed = 2;
    EXPECT_NE(whole, Render(p, 3.0));
}

TEST(WatchSynthesiser, BeatTimesFollowRateAndBeatError) {
    WatchParameters p;
    p.beatsPerHour = 28800;
    p.rate = 12.5;
    p.beatError = 2.0;
    const WatchSynthesiser s(p);
    const double mean = 0.125 * 86400.0 / 86412.5;
    EXPECT_DOUBLE_EQ(s.BeatInterval(), mean);
    EXPECT_DOUBLE_EQ(s.BeatTime(0), p.startOffset);
    // Tick-to-tock is the mean plus the beat error, tock-to-tick the mean minus it.
    EXPECT_NEAR(s.BeatTime(1) - s.BeatTime(0), mean + 0.002, 1e-12);
    EXPECT_NEAR(s.BeatTime(2) - s.BeatTime(1), mean - 0.002, 1e-12);
    EXPECT_NEAR(s.BeatTime(1000) - s.BeatTime(0), 1000 * mean, 1e-9);
}

TEST(WatchSynthesiser, LiftTimeInvertsTheAmplitudeFormula) {
    // The worked example: lift angle 52, interval 1/6 s, amplitude 221.2 degrees.
    const double lift = WatchSynthesiser::LiftTimeFor(221.2, 52.0, 1.0 / 6.0);
    EXPECT_NEAR(lift, 0.0125, 2e-6);
    for (double amplitude : {180.0, 250.0, 320.0}) {
        const double interval = 0.125;
        const double d = WatchSynthesiser::LiftTimeFor(amplitude, 52.0, interval);
        EXPECT_NEAR(52.0 / (2.0 * std::sin(std::numbers::pi / 2.0 * d / interval)), amplitude,
                    1e-9);
    }
    WatchParameters p;
    p.beatError = 3.0;
    const WatchSynthesiser s(p);
    // With beat error each beat's lift time follows its own interval to the next beat.
    EXPECT_NEAR(s.LiftTime(0) / s.LiftTime(1),
                (s.BeatTime(1) - s.BeatTime(0)) / (s.BeatTime(2) - s.BeatTime(1)), 1e-12);
}

// Without noise each beat starts exactly at its first sound, and its loudest sample is the
// first sample of the drop, one lift time later; nothing sounds before the first beat.
TEST(WatchSynthesiser, FirstSoundAndLoudestPointLieWhereTheTruthSays) {
    for (int bph : {3600, 18000, 28800, 43200}) {
        WatchParameters p;
        p.beatsPerHour = bph;
        p.rate = -37.0;
        p.amplitude = 230.0;
        p.beatError = 1.7;
        p.startOffset = 0.0123;
        const WatchSynthesiser s(p);
        const std::vector<std::int16_t> sound = Render(p, 4.5);
        const std::size_t first = SampleAt(s, s.BeatTime(0));
        for (std::size_t i = 0; i < first; ++i) {
            ASSERT_EQ(sound[i], 0) << "bph " << bph;
        }
        for (std::int64_t beat = 0; s.BeatTime(beat + 1) < 4.0; ++beat) {
            const std::size_t onset = SampleAt(s, s.BeatTime(beat));
            EXPECT_NE(sound[onset], 0) << "bph " << bph << " beat " << beat;
            // Silence is back well before the next beat.
            EXPECT_EQ(sound[onset - 1], 0) << "bph " << bph << " beat " << beat;
            const std::size_t end =
                onset + static_cast<std::size_t>(0.2 * s.BeatInterval() * s.SamplesPerSecond());
            const auto loudest = std::max_element(
                sound.begin() + static_cast<long>(onset), sound.begin() + static_cast<long>(end),
                [](std::int16_t a, std::int16_t b) { return std::abs(a) < std::abs(b); });
            EXPECT_EQ(static_cast<std::size_t>(loudest - sound.begin()),
                      SampleAt(s, s.BeatTime(beat) + s.LiftTime(beat)))
                << "bph " << bph << " beat " << beat;
        }
    }
}

TEST(WatchSynthesiser, TickLevelSetsTheLoudestSampleAndTocksAreQuieter) {
    WatchParameters p;
    p.tickLevel = 0.5;
    const WatchSynthesiser s(p);
    const std::vector<std::int16_t> sound = Render(p, 2.0);
    int tickMax = 0;
    int tockMax = 0;
    for (std::int64_t beat = 0; beat < 10; ++beat) {
        const std::size_t from = SampleAt(s, s.BeatTime(beat));
        int loudest = 0;
        for (std::size_t i = from; i < from + 2000; ++i) {
            loudest = std::max(loudest, std::abs(static_cast<int>(sound[i])));
        }
        ((beat & 1) != 0 ? tockMax : tickMax) =
            std::max((beat & 1) != 0 ? tockMax : tickMax, loudest);
    }
    EXPECT_LE(tickMax, static_cast<int>(0.5 * 32768 * 1.05));
    EXPECT_GE(tickMax, static_cast<int>(0.5 * 32768 * 0.85));
    EXPECT_LT(tockMax, tickMax);
}

// Noise, hum and clicks are measured between the beats, where the ticks are silent.
double GapRms(const std::vector<std::int16_t>& sound, const WatchSynthesiser& s, double seconds) {
    double sum = 0.0;
    long n = 0;
    for (std::int64_t beat = 0; s.BeatTime(beat + 1) < seconds; ++beat) {
        const std::size_t from = SampleAt(s, s.BeatTime(beat) + 0.3 * s.BeatInterval());
        const std::size_t to = SampleAt(s, s.BeatTime(beat) + 0.9 * s.BeatInterval());
        for (std::size_t i = from; i < to; ++i) {
            sum += static_cast<double>(sound[i]) * sound[i];
            ++n;
        }
    }
    return std::sqrt(sum / static_cast<double>(n)) / 32768.0;
}

TEST(WatchSynthesiser, NoiseAndHumHaveTheirSetLevels) {
    WatchParameters p;
    p.tickLevel = 0.4;
    p.noiseDb = -20.0;
    WatchSynthesiser noisy(p);
    EXPECT_NEAR(GapRms(Render(p, 4.0), noisy, 4.0), 0.04, 0.04 * 0.03);

    p.noiseDb = -std::numeric_limits<double>::infinity();
    p.humDb = -10.0;
    p.humFrequency = 60.0;
    WatchSynthesiser humming(p);
    // Fundamental at the set peak plus a third harmonic a quarter as strong.
    const double peak = 0.4 * std::pow(10.0, -0.5);
    EXPECT_NEAR(GapRms(Render(p, 4.0), humming, 4.0), peak * std::sqrt((1.0 + 0.0625) / 2.0),
                peak * 0.02);
}

TEST(WatchSynthesiser, StrayClicksComeAtTheSetRateAndChangeNothingElse) {
    WatchParameters p;
    p.noiseDb = -40.0;
    const std::vector<std::int16_t> clean = Render(p, 60.0);
    p.clicksPerMinute = 120.0;
    const std::vector<std::int16_t> clicked = Render(p, 60.0);
    // Count the runs of samples where the two differ; runs closer than 5 ms are one click.
    int clicks = 0;
    long lastDifference = -100000;
    for (std::size_t i = 0; i < clean.size(); ++i) {
        if (clean[i] != clicked[i]) {
            if (static_cast<long>(i) - lastDifference > 220) {
                ++clicks;
            }
            lastDifference = static_cast<long>(i);
        }
    }
    // Poisson with mean 120: four standard deviations either way.
    EXPECT_GT(clicks, 120 - 44);
    EXPECT_LT(clicks, 120 + 44);
}

TEST(WatchSynthesiser, ClockErrorStretchesTheSampleClock) {
    WatchParameters p;
    p.clockError = 86.4; // the card takes 44144.1 samples per true second
    const WatchSynthesiser s(p);
    EXPECT_DOUBLE_EQ(s.SamplesPerSecond(), 44144.1);
    const std::vector<std::int16_t> sound = Render(p, 2.0);
    const std::size_t beat6 = SampleAt(s, s.BeatTime(6));
    EXPECT_NE(sound[beat6], 0);
    EXPECT_EQ(sound[beat6 - 1], 0);
    EXPECT_EQ(beat6, static_cast<std::size_t>(std::ceil((0.05 + 1.0) * 44144.1)));
}

TEST(WatchSynthesiser, LoudSoundIsClippedNotWrapped) {
    // Before the first beat there is only the hum, here twice full scale.
    WatchParameters p;
    p.tickLevel = 1.0;
    p.humDb = 20.0 * std::log10(2.0);
    p.startOffset = 0.5;
    const std::vector<std::int16_t> sound = Render(p, 0.4);
    int railed = 0;
    for (std::size_t i = 0; i < sound.size(); ++i) {
        const double phase = 2.0 * std::numbers::pi * 50.0 * static_cast<double>(i) / 44100.0;
        const double hum = 2.0 * (std::sin(phase) + 0.25 * std::sin(3.0 * phase));
        if (hum >= 1.0) {
            ASSERT_EQ(sound[i], 32767) << i;
            ++railed;
        } else if (hum <= -1.0) {
            ASSERT_EQ(sound[i], -32768) << i;
            ++railed;
        } else {
            ASSERT_NEAR(sound[i], hum * 32768.0, 1.0) << i;
        }
    }
    EXPECT_GT(railed, 1000);
}

TEST(WatchParameters, RefusesWhatCannotBeSynthesised) {
    EXPECT_EQ(synth::CheckWatchParameters(WatchParameters{}), "");
    auto refused = [](auto change) {
        WatchParameters p;
        change(p);
        EXPECT_THROW(WatchSynthesiser{p}, std::invalid_argument);
        return !synth::CheckWatchParameters(p).empty();
    };
    EXPECT_TRUE(refused([](WatchParameters& p) { p.beatsPerHour = 299; }));
    EXPECT_TRUE(refused([](WatchParameters& p) { p.amplitude = 26.0; })); // half the lift angle
    EXPECT_TRUE(refused([](WatchParameters& p) { p.amplitude = std::nan(""); }));
    EXPECT_TRUE(refused([](WatchParameters& p) { p.beatError = -0.1; }));
    EXPECT_TRUE(refused([](WatchParameters& p) {
        p.beatsPerHour = 36000;
        p.beatError = 25.1; // more than a quarter of 100 ms
    }));
    EXPECT_TRUE(refused([](WatchParameters& p) { p.tickLevel = 0.0; }));
    EXPECT_TRUE(refused([](WatchParameters& p) { p.noiseDb = 21.0; }));
    EXPECT_TRUE(refused([](WatchParameters& p) { p.clicksPerMinute = -1.0; }));
    EXPECT_TRUE(refused([](WatchParameters& p) { p.rate = 5000.5; }));
}

TEST(WatchParameters, PresetsHaveTheirDocumentedTruth) {
    const WatchParameters a = synth::SimulatedWatch21600();
    EXPECT_EQ(a.beatsPerHour, 21600);
    EXPECT_EQ(a.rate, 6.0);
    EXPECT_EQ(a.amplitude, 275.0);
    EXPECT_EQ(a.liftAngle, 52.0);
    EXPECT_EQ(a.beatError, 0.4);
    EXPECT_EQ(a.noiseDb, -40.0);
    const WatchParameters b = synth::SimulatedWatch28800();
    EXPECT_EQ(b.beatsPerHour, 28800);
    EXPECT_EQ(b.rate, -3.0);
    EXPECT_EQ(b.amplitude, 290.0);
    EXPECT_EQ(b.beatError, 0.2);
    EXPECT_EQ(synth::CheckWatchParameters(a), "");
    EXPECT_EQ(synth::CheckWatchParameters(b), "");
}

} // namespace
