// One full redraw of the long-term chart on the 960 x 511 plot with a full store of 4000
// points: what every accepted point costs on the GUI thread, on top of the statistics.
#include "app/plot/LongTermChart.h"
#include "longterm/LongTermPoint.h"
#include "longterm/SeriesStatistics.h"

#include <QGuiApplication>

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdlib>
#include <vector>

namespace {

// A watch drifting over the test, with noise and a few wild results, as a real test brings;
// one point per 30 s as the accumulation keeps them.
std::vector<longterm::LongTermPoint> Points(int count) {
    std::vector<longterm::LongTermPoint> points;
    for (int k = 1; k <= count; ++k) {
        const double noise = std::sin(k * 12.9898) * 0.5;
        points.push_back({30.0 * k + 1, 3.0 + k * 0.001 + noise + (k % 997 == 0 ? 40.0 : 0.0),
                          285.0 - k * 0.004 + 2 * noise, 0.4 + 0.05 * noise});
    }
    return points;
}

// The chart the accumulation asks for with its store holding state.range(0) points; the
// 4000th point is drawn before the store is merged, so 4000 is the most a chart shows.
void BM_DrawLongTermChart(benchmark::State& state) {
    const std::vector<longterm::LongTermPoint> points = Points(static_cast<int>(state.range(0)));
    plot::LongTermChart::Statistics statistics;
    for (int s = 0; s < longterm::kSeriesCount; ++s) {
        statistics[static_cast<std::size_t>(s)] =
            longterm::ComputeSeriesStatistics(points, static_cast<longterm::Series>(s));
    }
    platform::Image plot(960, 511);
    platform::Canvas canvas(plot);
    plot::LongTermChart chart(canvas);
    for (auto _ : state) {
        chart.DrawLongTermChart(points, 30.0, statistics);
        benchmark::DoNotOptimize(plot.Data());
    }
}
BENCHMARK(BM_DrawLongTermChart)->Arg(1)->Arg(1000)->Arg(4000)->Unit(benchmark::kMillisecond);

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
