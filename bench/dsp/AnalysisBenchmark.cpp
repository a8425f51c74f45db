// Speed of the signal analysis on synthesised watch sound.
#include "dsp/DSP.h"
#include "dsp/synth/WatchSynthesiser.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

namespace {

constexpr int kBufferSamples = 4096; // samples per capture buffer
constexpr std::size_t kBuffer = kBufferSamples;
constexpr double kClipSeconds = 60.0; // looped; a whole number of tick-tock pairs

// A minute of a 21600 bph watch with no rate error, so that it loops without a seam.
const std::vector<std::int16_t>& Clip() {
    static const std::vector<std::int16_t> clip = [] {
        synth::WatchParameters p = synth::SimulatedWatch21600();
        p.rate = 0.0;
        synth::WatchSynthesiser s(p);
        std::vector<std::int16_t> sound(static_cast<std::size_t>(kClipSeconds * 44100.0));
        s.Generate(sound);
        return sound;
    }();
    return clip;
}

void Calibrate(dsp::SignalAnalysis& analysis, int filter) {
    const std::vector<std::int16_t>& clip = Clip();
    analysis.ResetFilter();
    analysis.BeginCalibration(5, filter, 0.0);
    std::size_t at = 0;
    while (!analysis.AddCalibrationSamples(clip.data() + at, kBufferSamples)) {
        at += kBuffer;
    }
    int bph = 0;
    double peak = 0.0;
    double rate = 0.0;
    if (!analysis.FinishCalibration(0, 52, bph, peak, rate) || bph != 21600) {
        std::abort();
    }
}

// One hour of sound per iteration through the test path: filter, detection, results, and the
// buffer handler's draining of the results; plotting off. Reported as seconds of sound per
// CPU second (the real-time factor on one core).
void BM_AnalyseOneHour(benchmark::State& state) {
    const int filter = static_cast<int>(state.range(0));
    const std::vector<std::int16_t>& clip = Clip();
    auto analysis = std::make_unique<dsp::SignalAnalysis>();
    Calibrate(*analysis, filter);
    const std::size_t hour = static_cast<std::size_t>(3600.0 * 44100.0);
    std::vector<std::int16_t> buffer(kBuffer);
    std::int64_t results = 0;
    for (auto _ : state) {
        analysis->ResetTickDetector();
        std::size_t at = 0;
        for (std::size_t done = 0; done < hour; done += kBuffer) {
            // The clip holds whole beats, so it loops seamlessly across buffers.
            for (std::size_t filled = 0; filled < kBuffer;) {
                const std::size_t n = std::min(kBuffer - filled, clip.size() - at);
                std::copy_n(clip.begin() + static_cast<long>(at), n,
                            buffer.begin() + static_cast<long>(filled));
                filled += n;
                at = (at + n) % clip.size();
            }
            if (analysis->ProcessTickSamples(buffer.data(), kBufferSamples, 20,
                                             dsp::PlotRawCallback{}, 1, false, 52)) {
                dsp::TickResult r;
                while (analysis->NextTickResult(r)) {
                    results += r.Valid ? 1 : 0;
                }
            }
        }
    }
    benchmark::DoNotOptimize(results);
    state.counters["realtime"] = benchmark::Counter(
        3600.0 * static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
    state.counters["results"] =
        static_cast<double>(results) / static_cast<double>(state.iterations());
}
BENCHMARK(BM_AnalyseOneHour)
    ->Arg(dsp::kFilterNarrow)
    ->Arg(dsp::kFilterNone)
    ->Unit(benchmark::kMillisecond);

// FinishCalibration over a full minute of settling: the level ladder's 34 passes over the
// level store. Argument: rate setting (0 = AUTO).
void BM_FinishCalibrationAfterOneMinute(benchmark::State& state) {
    const int rateSetting = static_cast<int>(state.range(0));
    const bool watch = state.range(1) != 0;
    synth::WatchParameters p = synth::SimulatedWatch21600();
    if (!watch) {
        p.startOffset = 3600.0; // noise only: every rung fails
        p.noiseDb = -10.0;
    }
    synth::WatchSynthesiser s(p);
    std::vector<std::int16_t> buffer(kBuffer);
    auto analysis = std::make_unique<dsp::SignalAnalysis>();
    analysis->ResetFilter();
    analysis->BeginCalibration(60, dsp::kFilterNarrow, 0.0);
    do {
        s.Generate(buffer);
    } while (!analysis->AddCalibrationSamples(buffer.data(), kBufferSamples));
    bool found = false;
    for (auto _ : state) {
        int bph = 0;
        double peak = 0.0;
        double rate = 0.0;
        found = analysis->FinishCalibration(rateSetting, 52, bph, peak, rate);
        benchmark::DoNotOptimize(bph);
    }
    if (found != watch) {
        state.SkipWithError("unexpected calibration outcome");
    }
}
BENCHMARK(BM_FinishCalibrationAfterOneMinute)
    ->Args({0, 1})
    ->Args({21600, 1})
    ->Args({0, 0})
    ->Unit(benchmark::kMillisecond);

// The synthesiser itself, for a sense of what a simulated input costs: one minute of sound.
void BM_SynthesiseOneMinute(benchmark::State& state) {
    synth::WatchParameters p = synth::SimulatedWatch28800();
    p.clicksPerMinute = state.range(0);
    synth::WatchSynthesiser s(p);
    std::vector<std::int16_t> buffer(kBuffer);
    for (auto _ : state) {
        for (int i = 0; i < 60 * 44100 / kBufferSamples; ++i) {
            s.Generate(buffer);
        }
        benchmark::DoNotOptimize(buffer.data());
    }
    state.counters["realtime"] = benchmark::Counter(60.0 * static_cast<double>(state.iterations()),
                                                    benchmark::Counter::kIsRate);
}
BENCHMARK(BM_SynthesiseOneMinute)->Arg(0)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
