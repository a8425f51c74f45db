// The cost of one accepted long-term point: two statistics passes over every stored point
// for each of the three series (the chart redraw is measured with the chart).
#include "longterm/LongTerm.h"

#include <benchmark/benchmark.h>

#include <cmath>

namespace {

using longterm::LongTermAccumulation;

void Fill(LongTermAccumulation& accumulation, int points) {
    accumulation.StartLongTerm(nullptr);
    for (int k = 1; k <= points; ++k) {
        double rate = 3.0 + std::sin(k * 0.01);
        double amplitude = 270.0 + std::cos(k * 0.02);
        double beatError = 0.4;
        accumulation.AddLongTermResult(rate, amplitude, beatError, 30.0 * k + 1);
    }
}

// A point added to a store of state.range(0) points (3999: the point that triggers a merge).
void BM_AddPoint(benchmark::State& state) {
    LongTermAccumulation filled;
    const int stored = static_cast<int>(state.range(0));
    Fill(filled, stored);
    LongTermAccumulation accumulation;
    for (auto _ : state) {
        state.PauseTiming();
        accumulation = filled;
        state.ResumeTiming();
        double rate = 3.1;
        double amplitude = 270.5;
        double beatError = 0.41;
        benchmark::DoNotOptimize(
            accumulation.AddLongTermResult(rate, amplitude, beatError, 30.0 * (stored + 1) + 1));
    }
}
BENCHMARK(BM_AddPoint)->Arg(10)->Arg(1000)->Arg(3998)->Arg(3999)->Unit(benchmark::kMicrosecond);

void BM_SeriesStatistics4000(benchmark::State& state) {
    LongTermAccumulation accumulation;
    Fill(accumulation, 3999);
    for (auto _ : state) {
        benchmark::DoNotOptimize(
            longterm::ComputeSeriesStatistics(accumulation.Points(), longterm::Series::Amplitude));
    }
}
BENCHMARK(BM_SeriesStatistics4000)->Unit(benchmark::kMicrosecond);

} // namespace
