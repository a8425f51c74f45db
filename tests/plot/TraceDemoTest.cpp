// A whole test of a synthesised watch, from the sound through the signal analysis into the
// trace and the scope view, as the window drives them. The pictures are written beside the
// test program ("trace-demo.png", "scope-demo.png") to be looked at, wherever it is run from.
#include "app/plot/TracePlot.h"

#include "dsp/DSP.h"
#include "dsp/synth/WatchSynthesiser.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace plot {
namespace {

constexpr int kW = 960;
constexpr int kH = 511;
constexpr int kBufferSamples = 4096;
constexpr int kSettling = 5;       // s
constexpr int kPeriod = 10;        // s
constexpr int kFiltering = 2;      // medium band-pass
constexpr double kScale = 10;      // dots per ms
constexpr double kRate = 4.0;      // s/d, gaining
constexpr double kBeatError = 0.6; // ms

// A picture's path beside the test program, so that running it by hand from the source
// tree leaves nothing there.
std::string BesideTheProgram(const char* name) {
    return (std::filesystem::read_symlink("/proc/self/exe").parent_path() / name).string();
}

synth::WatchParameters Watch() {
    synth::WatchParameters watch;
    watch.beatsPerHour = 21600;
    watch.rate = kRate;
    watch.amplitude = 280;
    watch.liftAngle = 52;
    watch.beatError = kBeatError;
    watch.noiseDb = -40;
    watch.seed = 7;
    return watch;
}

class TraceDemoTest : public testing::Test {
protected:
    TraceDemoTest()
        : analysis(std::make_unique<dsp::SignalAnalysis>()), synthesiser(Watch()), image(kW, kH),
          canvas(image), trace(canvas), buffer(kBufferSamples) {}

    // Calibrates as a Start does; true with the beat rate found.
    bool Calibrate() {
        analysis->ResetFilter();
        analysis->BeginCalibration(kSettling, kFiltering, 0.0);
        bool full = false;
        while (!full) {
            synthesiser.Generate(buffer);
            full = analysis->AddCalibrationSamples(buffer.data(), kBufferSamples);
        }
        double rateError = 0;
        if (!analysis->FinishCalibration(0, 52, beatsPerHour, peakLevel, rateError)) {
            return false;
        }
        inputs.beatsPerSecond = beatsPerHour / 3600.0;
        return true;
    }

    std::unique_ptr<dsp::SignalAnalysis> analysis;
    synth::WatchSynthesiser synthesiser;
    platform::Image image;
    platform::Canvas canvas;
    TracePlot trace;
    std::vector<std::int16_t> buffer;
    TraceInputs inputs{0.0, kScale, 1.0, false};
    int beatsPerHour = 0;
    double peakLevel = 0;
};

TEST_F(TraceDemoTest, GainingWatchDrawsTwoDriftingLinesOfDots) {
    ASSERT_TRUE(Calibrate());
    ASSERT_EQ(beatsPerHour, 21600);
    int commits = 0;
    trace.SetCommitPage([&commits] { ++commits; });
    trace.ClearPlot();
    trace.DrawReferenceLine(static_cast<int>(std::nearbyint((kH - 1) / 2.0)));

    // About 70 s of testing: some 420 beats, most of a screen.
    int dots = 0;
    int markers = 0;
    for (int b = 0; b < 70 * 44100 / kBufferSamples; ++b) {
        synthesiser.Generate(buffer);
        if (!analysis->ProcessTickSamples(buffer.data(), kBufferSamples, kPeriod, {}, kH, false,
                                          52)) {
            continue;
        }
        dsp::TickResult result;
        while (analysis->NextTickResult(result)) {
            trace.PlotTick(inputs, dsp::IsSettled(result, kPeriod), result.Span, result.Time);
            ++dots;
            markers += trace.MarkerColumn() != -1 ? 1 : 0;
        }
    }
    ASSERT_TRUE(image.SavePng(BesideTheProgram("trace-demo.png")));
    ASSERT_GT(dots, 300);
    ASSERT_LT(dots, 480); // one screen, no page committed
    EXPECT_EQ(commits, 0);
    EXPECT_GT(markers, 100); // the averaging window is 60 beats, well within a screen

    // Ticks and tocks lie on two lines the beat error apart; both climb, the watch gains.
    const double rowsPerMs = kScale * 2;
    double tickSum = 0;
    double tockSum = 0;
    for (int c = 100; c < 300; c += 2) {
        tickSum += trace.TraceRow(c);
        tockSum += trace.TraceRow(c + 1);
    }
    // Tocks come the beat error late.
    EXPECT_NEAR(std::abs(tickSum - tockSum) / 100, kBeatError * rowsPerMs,
                0.2 * kBeatError * rowsPerMs);
    const double expectedClimb = kRate / 86400 * 1000 / inputs.beatsPerSecond * rowsPerMs;
    const double climb = ((trace.TraceRow(100) + trace.TraceRow(101)) -
                          (trace.TraceRow(300) + trace.TraceRow(301))) /
                         2.0 / 200;
    EXPECT_NEAR(climb, expectedClimb, 0.25 * expectedClimb); // rows per trace column
}

// The detector's raw-plot callback, bound as the window binds its own member.
struct RawPlotter {
    TracePlot* trace;
    TraceInputs inputs;
    void PlotRawRow(bool flag, double value) { trace->PlotRawRow(inputs, flag, value); }
};

TEST_F(TraceDemoTest, RawRasterPutsEveryTickOnTheSameRow) {
    ASSERT_TRUE(Calibrate());
    trace.ClearPlot();
    trace.DrawReferenceLine(static_cast<int>(std::nearbyint((kH - 1) / 2.0)));
    RawPlotter plotter{&trace, inputs};
    const auto callback = dsp::PlotRawCallback::Bind<&RawPlotter::PlotRawRow>(&plotter);
    for (int b = 0; b < 30 * 44100 / kBufferSamples; ++b) {
        synthesiser.Generate(buffer);
        analysis->ProcessTickSamples(buffer.data(), kBufferSamples, kPeriod, callback, kH, true,
                                     52);
    }
    ASSERT_TRUE(image.SavePng(BesideTheProgram("raw-demo.png")));
    ASSERT_GT(trace.TraceColumn(), 150); // one column per beat, 6 beats a second

    // The first loud row of each full column, the beat's unlocking, lies on the same row
    // in every column, give or take the drift of a watch gaining 4 s/d (4 rows over these
    // columns) and the tock's 0.6 ms (2 rows).
    std::vector<int> onsets;
    for (int c = 2; c < trace.TraceColumn() - 1; ++c) {
        int first = -1;
        for (int y = 0; y < kH && first < 0; ++y) {
            if (image.Pixel(2 * c + 1, y).g < 64) {
                first = y;
            }
        }
        ASSERT_GE(first, 0) << c; // a loud beat in every column
        onsets.push_back(first);
    }
    const auto [low, high] = std::minmax_element(onsets.begin(), onsets.end());
    EXPECT_LE(*high - *low, 8);
    EXPECT_NEAR(*low, kH / 2, 20); // onsets fall where the first column began: the centre
}

TEST_F(TraceDemoTest, ScopeViewShowsTickAndTockStandingStill) {
    ASSERT_TRUE(Calibrate());
    // The manual level view: gain from the peak, one sweep over two beats.
    const double gain = std::clamp(1.0 / (peakLevel * 1.5), 1.0, 256.0);
    trace.StartScopeSweep(inputs.beatsPerSecond / 2);
    analysis->StartSampleClock(kFiltering, 0.0);
    trace.ClearPlot();
    trace.DrawThresholdLine(analysis->ThresholdLevel(), gain);
    for (int b = 0; b < 3 * 44100 / kBufferSamples; ++b) {
        synthesiser.Generate(buffer);
        for (std::int16_t sample : buffer) {
            const dsp::ScopePoint point = analysis->ScopeSample(sample);
            trace.PlotScopeSample(gain, point.Time, point.Level);
        }
    }
    ASSERT_TRUE(image.SavePng(BesideTheProgram("scope-demo.png")));

    // Two beats per sweep, half a screen apart; each beat's bursts lie within some
    // 30 ms (45 columns), so tall columns closer than 100 belong to one beat.
    std::vector<int> beats;
    for (int x = 0; x < kW; ++x) {
        int top = kH;
        for (int y = 0; y < kH; ++y) {
            if (image.Pixel(x, y) == kScopeTip) {
                top = y;
                break;
            }
        }
        if (top < kH / 3 && (beats.empty() || x - beats.back() > 100)) {
            beats.push_back(x);
        }
    }
    ASSERT_EQ(beats.size(), 2u);
    EXPECT_NEAR(beats[1] - beats[0], kW / 2, 5);
}

} // namespace
} // namespace plot
