// One full redraw of the long-term chart on the 960 x 511 plot with a full store of 4000
// points: what every accepted point costs on the GUI thread, on top of the statistics.
#include "app/plot/LongTermChart.h"
#include "longterm/LongTerm.h"

#include <QGuiApplication>

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdlib>

namespace {

// A watch drifting over the test, with noise and a few wild results, as a real test brings.
void Fill(longterm::LongTermAccumulation& accumulation, int points) {
    accumulation.StartLongTerm(nullptr);
    for (int k = 1; k <= points; ++k) {
        const double noise = std::sin(k * 12.9898) * 0.5;
        double rate = 3.0 + k * 0.001 + noise + (k % 997 == 0 ? 40.0 : 0.0);
        double amplitude = 285.0 - k * 0.004 + 2 * noise;
        double beatError = 0.4 + 0.05 * noise;
        accumulation.AddLongTermResult(rate, amplitude, beatError, 30.0 * k + 1);
    }
}

void BM_DrawLongTermChart(benchmark::State& state) {
    longterm::LongTermAccumulation accumulation;
    Fill(accumulation, static_cast<int>(state.range(0)));
    platform::Image plot(960, 511);
    platform::Canvas canvas(plot);
    plot::LongTermChart chart(canvas);
    for (auto _ : state) {
        chart.RedrawChart(accumulation);
        benchmark::DoNotOptimize(plot.Data());
    }
    state.counters["points"] = static_cast<double>(accumulation.PointCount());
}
BENCHMARK(BM_DrawLongTermChart)->Arg(1)->Arg(1000)->Arg(3999)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    // Text needs a Qt application; no display is needed for drawing into an image.
    if (std::getenv("QT_QPA_PLATFORM") == nullptr) {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    }
    QGuiApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
