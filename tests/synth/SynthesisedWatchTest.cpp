// The whole analysis on synthesised watches: calibration, detection and results against the
// synthesiser's truth, fed in capture buffers of 4096 samples as the program does.
#include "dsp/DSP.h"
#include "dsp/synth/WatchSynthesiser.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <memory>
#include <vector>

namespace {

using synth::WatchParameters;

struct Settings {
    int rate = 0; // bph, 0 = AUTO
    int lift = 52;
    int period = 10;  // s
    int settling = 5; // s
    int filter = 0;
    double correction = 0.0; // s/d
};

struct Outcome {
    bool calibrated = false;
    int beatsPerHour = 0;
    double initialRate = 0.0;
    int valid = 0;
    int complete = 0;
    dsp::TickResult last; // last complete result
};

// The program's buffer path over seconds of the synthesised watch.
Outcome Analyse(const WatchParameters& watch, const Settings& s, double seconds) {
    auto analysis = std::make_unique<dsp::SignalAnalysis>();
    synth::WatchSynthesiser synthesiser(watch);
    Outcome outcome;
    std::vector<std::int16_t> buffer(4096);
    analysis->ResetFilter();
    analysis->BeginCalibration(s.settling, s.filter, s.correction);
    bool calibrating = true;
    for (double done = 0.0; done < seconds; done += 4096.0 / 44100.0) {
        synthesiser.Generate(buffer);
        if (calibrating) {
            if (analysis->AddCalibrationSamples(buffer.data(), 4096)) {
                double peak = 0.0;
                outcome.calibrated = analysis->FinishCalibration(
                    s.rate, s.lift, outcome.beatsPerHour, peak, outcome.initialRate);
                if (!outcome.calibrated) {
                    return outcome;
                }
                calibrating = false;
            }
            continue;
        }
        if (analysis->ProcessTickSamples(buffer.data(), 4096, s.period, dsp::PlotRawCallback{}, 1,
                                         false, s.lift)) {
            dsp::TickResult r;
            while (analysis->NextTickResult(r)) {
                outcome.valid += r.Valid ? 1 : 0;
                if (dsp::IsSettled(r, s.period)) {
                    ++outcome.complete;
                    outcome.last = r;
                }
            }
        } else if (analysis->SecondsSinceOnset() > 10.0) {
            break;
        }
    }
    return outcome;
}

WatchParameters Watch(int bph, double rate, double amplitude, double beatError, double noiseDb) {
    WatchParameters p;
    p.beatsPerHour = bph;
    p.rate = rate;
    p.amplitude = amplitude;
    p.beatError = beatError;
    p.noiseDb = noiseDb;
    p.seed = static_cast<std::uint64_t>(bph) * 7 + 3;
    return p;
}

// Within the accuracy a watchmaker expects: 3 degrees, 0.05 ms, and for the rate over the
// 10 s windows used here 0.25 s/d: onsets fall on whole samples (22.7 us), and when the
// watch's drift against the sample clock aliases that rounding, a 10 s fit can be off by
// about a sample over the window.
void ExpectTruth(const Outcome& o, const WatchParameters& w, double rateTolerance = 0.25,
                 double amplitudeTolerance = 3.0, double beatErrorTolerance = 0.05) {
    ASSERT_TRUE(o.calibrated);
    ASSERT_GT(o.complete, 0);
    EXPECT_NEAR(o.last.Rate, w.rate, rateTolerance);
    EXPECT_NEAR(o.last.Amplitude, w.amplitude, amplitudeTolerance);
    EXPECT_NEAR(o.last.BeatError, w.beatError, beatErrorTolerance);
}

TEST(SynthesisedWatch, AutoDetectsEveryStandardRate) {
    const double rates[] = {12.0, -25.0, 4.5, 40.0, -8.0};
    const double amplitudes[] = {300.0, 200.0, 270.0, 230.0, 285.0};
    const int bphs[] = {18000, 19800, 21600, 25200, 28800};
    for (int i = 0; i < 5; ++i) {
        SCOPED_TRACE(bphs[i]);
        const WatchParameters w = Watch(bphs[i], rates[i], amplitudes[i], 0.2 * i, -40.0);
        const Outcome o = Analyse(w, Settings{}, 16.0);
        ASSERT_TRUE(o.calibrated);
        EXPECT_EQ(o.beatsPerHour, bphs[i]);
        // The calibration's first estimate is only a rough one.
        EXPECT_NEAR(o.initialRate, rates[i], 0.01 * 86400.0);
        ExpectTruth(o, w);
    }
}

TEST(SynthesisedWatch, SetRatesAreVerified) {
    for (int bph : {3600, 12000, 14400, 36000, 43200}) {
        SCOPED_TRACE(bph);
        const WatchParameters w = Watch(bph, -15.0, 250.0, 1.0, -40.0);
        Settings s;
        s.rate = bph;
        // Settling, one averaging period, and the beats before the first result.
        const Outcome o = Analyse(w, s, 5.0 + 10.0 + 8.0 * 3600.0 / bph + 1.0);
        ASSERT_TRUE(o.calibrated);
        EXPECT_EQ(o.beatsPerHour, bph);
        ExpectTruth(o, w);
    }
}

TEST(SynthesisedWatch, AutoRefusesRatesItCannotDetect) {
    for (int bph : {12000, 36000}) {
        SCOPED_TRACE(bph);
        const double noNoise = -std::numeric_limits<double>::infinity();
        EXPECT_FALSE(Analyse(Watch(bph, 0.0, 270.0, 0.0, noNoise), Settings{}, 6.0).calibrated);
    }
}

TEST(SynthesisedWatch, AWrongSetRateIsNotConfirmed) {
    Settings s;
    s.rate = 21600;
    EXPECT_FALSE(Analyse(Watch(28800, 0.0, 270.0, 0.0, -40.0), s, 6.0).calibrated);
    s.rate = 28800;
    EXPECT_FALSE(Analyse(Watch(21600, 0.0, 270.0, 0.0, -40.0), s, 6.0).calibrated);
}

TEST(SynthesisedWatch, SilenceAndNoiseFailCalibration) {
    WatchParameters silent = Watch(21600, 0.0, 270.0, 0.0, -40.0);
    silent.startOffset = 3600.0; // the first tick would come after an hour
    WatchParameters noise = silent;
    noise.noiseDb = 0.0; // white noise at half full scale RMS
    WatchParameters hum = silent;
    hum.humDb = 0.0;
    for (const WatchParameters& w : {silent, noise, hum}) {
        for (int rate : {0, 21600}) {
            Settings s;
            s.rate = rate;
            s.filter = rate == 0 ? 0 : 2;
            EXPECT_FALSE(Analyse(w, s, 6.0).calibrated) << w.noiseDb << ' ' << w.humDb;
        }
    }
}

TEST(SynthesisedWatch, ExtremesOfRateAmplitudeAndBeatErrorAreMeasured) {
    struct Case {
        int bph;
        double rate, amplitude, beatError, noiseDb;
        int filter;
    };
    const double none = -std::numeric_limits<double>::infinity();
    const Case cases[] = {{28800, 60.0, 180.0, 3.0, -40.0, 0},
                          {21600, -60.0, 320.0, 0.0, none, 0},
                          {18000, 0.0, 320.0, 3.0, -35.0, 3},
                          {25200, 33.3, 180.0, 0.0, -35.0, 3}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bph);
        const WatchParameters w = Watch(c.bph, c.rate, c.amplitude, c.beatError, c.noiseDb);
        Settings s;
        s.filter = c.filter;
        ExpectTruth(Analyse(w, s, 16.0), w);
    }
}

TEST(SynthesisedWatch, RateCorrectionCancelsTheSoundCardClock) {
    WatchParameters w = Watch(28800, 5.0, 270.0, 0.5, -40.0);
    w.clockError = 120.0; // s/d: the card takes 44161.25 samples per true second
    Settings s;
    s.correction = 120.0;
    ExpectTruth(Analyse(w, s, 16.0), w);
    // Uncorrected, every interval seems longer: the watch seems to lose the card's error.
    s.correction = 0.0;
    const Outcome uncorrected = Analyse(w, s, 16.0);
    ASSERT_GT(uncorrected.complete, 0);
    const double seen = (86400.0 + w.rate) / (1.0 + w.clockError / 86400.0) - 86400.0;
    EXPECT_NEAR(uncorrected.last.Rate, seen, 0.25);
}

// The band-pass filters delay the loudest point a little more than the threshold crossing;
// taken off, they read the amplitude as the unfiltered sound does, even where the lift is
// shortest (a fast watch swinging wide), where the narrow filter read 10 degrees low.
TEST(SynthesisedWatch, EveryFilterFindsTheWatch) {
    for (const WatchParameters& w :
         {Watch(21600, -7.0, 260.0, 0.6, -30.0), Watch(43200, 3.0, 310.0, 0.2, -40.0)}) {
        for (int filter = 0; filter <= 3; ++filter) {
            SCOPED_TRACE(filter);
            Settings s;
            s.filter = filter;
            s.rate = w.beatsPerHour > 28800 ? w.beatsPerHour : 0; // beyond AUTO's rates
            ExpectTruth(Analyse(w, s, 16.0), w);
        }
    }
}

TEST(SynthesisedWatch, HumIsRemovedByTheFilters) {
    WatchParameters w = Watch(28800, 10.0, 280.0, 0.3, -40.0);
    w.humDb = -3.0; // hum almost as loud as the ticks
    Settings s;
    s.filter = 2;
    ExpectTruth(Analyse(w, s, 16.0), w);
}

} // namespace
