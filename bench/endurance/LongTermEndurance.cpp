// tickora-longterm-endurance: a long-term test through the main window in accelerated time.
// A synthesised watch is pushed buffer by buffer through the scripted input, TAudio and the
// window's event loop (which also paints the window), as fast as the machine goes; then the
// test is stopped, its page committed and the window closed, which saves the state file.
// Reports each hour the memory and the chart, at the end the page and the chart's span.
// Run with QT_QPA_PLATFORM=offscreen (set here unless given).
//
//   tickora-longterm-endurance [--hours N] [--period S]
//
// Exit status 1 when no long-term page was committed, the chart does not reach over the
// whole run, the saved page does not load back, or the memory grew after the first hour.
#include "ProcessMemory.h"

#include "app/KeyCodes.h"
#include "app/MainForm.h"
#include "app/SettingsAccess.h"
#include "app/plot/LongTermChart.h"
#include "audio/testing/ScriptedInputs.h"
#include "dsp/synth/WatchSynthesiser.h"
#include "pages/StateFile.h"
#include "platform/testing/FakeDialogs.h"
#include "platform/testing/TestApplication.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <memory>
#include <string>
#include <vector>

namespace {

using namespace tickora;

constexpr long kMemoryTolerance = 1024; // kB the peak may move after the first hour


double CpuSeconds() {
    return static_cast<double>(std::clock()) / CLOCKS_PER_SEC;
}

} // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    double hours = 12.0;
    int period = 20; // s
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string name = argv[i];
        if (name == "--hours")
            hours = std::strtod(argv[i + 1], nullptr);
        else if (name == "--period")
            period = std::atoi(argv[i + 1]);
    }
    if (hours <= 0 || period < 2) {
        std::fprintf(stderr, "usage: tickora-longterm-endurance [--hours N] [--period S]\n");
        return 2;
    }

    platform::testing::EnsureTestApplication();
    QTemporaryDir dataDir;
    setenv("XDG_DATA_HOME", dataDir.path().toLocal8Bit().constData(), 1);
    platform::testing::FakeDialogs dialogs;
    auto analysis = std::make_unique<dsp::SignalAnalysis>();
    pages::PageHistory pages;
    auto longTerm = std::make_unique<longterm::LongTermAccumulation>();
    testing::ScriptedInputs inputs({"Scripted watch"}, 1);
    TSettingsRecord record;
    record.Period = period;
    FixedSettings settings(record);
    const synth::WatchParameters watch = synth::SimulatedWatch28800();
    synth::WatchSynthesiser synthesiser(watch);
    std::vector<std::int16_t> buffer(kCaptureBufferSamples);

    auto form = std::make_unique<TMainForm>(
        TMainFormServices{dialogs, *analysis, pages, *longTerm, inputs});
    form->SetSettings(&settings);
    form->show();
    form->FormActivate();
    auto feed = [&] {
        synthesiser.Generate(buffer.data(), buffer.size());
        const bool taken = inputs.Current()->Push(buffer);
        QCoreApplication::processEvents(); // delivers the buffer and paints the window
        return taken;
    };

    form->FormKeyDown(vk::L, false);
    while (form->State() == MeasurementState::Calibrating && feed()) {
    }
    if (form->State() != MeasurementState::Testing || !form->LongTermActive()) {
        std::fprintf(stderr, "the long-term test did not begin\n");
        return 1;
    }
    const double testStart = static_cast<double>(synthesiser.SamplesGenerated()) /
                             synthesiser.SamplesPerSecond(); // s of sound before testing
    std::printf("long-term test of the 28800 bph simulated watch (%+.1f s/d, %.0f degrees, "
                "%.1f ms), period %d s, %.1f h\n",
                watch.rate, watch.amplitude, watch.beatError, period, hours);
    std::printf("%4s %7s %9s %12s %9s %9s %8s\n", "hour", "points", "interval", "last point h",
                "peak kB", "rss kB", "cpu s");

    const double cpuStart = CpuSeconds();
    long peakAtHourOne = 0;
    long peakAtLastHour = 0;
    const double samplesPerHour = 3600.0 * synthesiser.SamplesPerSecond();
    const double start = static_cast<double>(synthesiser.SamplesGenerated());
    for (int h = 1; h <= static_cast<int>(std::ceil(hours)); ++h) {
        const double end = start + std::min(static_cast<double>(h), hours) * samplesPerHour;
        while (static_cast<double>(synthesiser.SamplesGenerated()) < end) {
            if (!feed() || form->State() != MeasurementState::Testing) {
                std::fprintf(stderr, "the test ended by itself at hour %d: %s\n", h,
                             dialogs.Messages().empty() ? ""
                                                        : dialogs.Messages().back().text.c_str());
                return 1;
            }
        }
        const bench::ProcessMemory memory = bench::CurrentProcessMemory();
        if (h == 1)
            peakAtHourOne = memory.PeakKb;
        peakAtLastHour = memory.PeakKb;
        const auto points = longTerm->Points();
        std::printf("%4d %7d %8.0fs %12.3f %9ld %9ld %8.1f\n", h, longTerm->PointCount(),
                    longTerm->Interval(), points.empty() ? 0.0 : points.back().Time / 3600.0,
                    memory.PeakKb, memory.ResidentKb, CpuSeconds() - cpuStart);
        std::fflush(stdout);
    }

    // Stop: the long-term page, with the chart as its picture.
    form->FormKeyDown(vk::Escape, false);
    bool failed = false;
    const auto points = longTerm->Points();
    const double runSeconds =
        static_cast<double>(synthesiser.SamplesGenerated()) / synthesiser.SamplesPerSecond() -
        testStart;
    const pages::TPageInfo page = pages.GetPage(0);
    std::printf("\npage committed: %s (pages %d, long-term %s); rate %+.3f s/d, amplitude %.1f "
                "degrees, beat error %.3f ms\n",
                pages.PageCount() == 1 ? "yes" : "NO", pages.PageCount(),
                page.LongTerm ? "yes" : "no", page.DailyRate, page.Amplitude, page.BeatError);
    failed = failed || pages.PageCount() != 1 || !page.LongTerm || !page.Image;

    // The same chart drawn apart from the window gives its layout; it must be the page's.
    platform::Image expected(form->Plot().Width(), form->Plot().Height());
    platform::Canvas canvas(expected);
    canvas.CurrentFont().face = form->font().family().toStdString();
    plot::LongTermChart chart(canvas);
    chart.RedrawChart(*longTerm);
    const plot::AxisScale& axis = chart.TimeAxis();
    const bool sameChart = page.Image && *page.Image == expected;
    std::printf("chart: %d points over %.3f h to %.3f h of a %.3f h test, interval %.0f s; time "
                "axis %.2f h to %.2f h; page picture is that chart: %s\n",
                longTerm->PointCount(), points.empty() ? 0.0 : points.front().Time / 3600.0,
                points.empty() ? 0.0 : points.back().Time / 3600.0, runSeconds / 3600.0,
                longTerm->Interval(), axis.axisLo, axis.axisHi, sameChart ? "yes" : "NO");
    // Point k is the first result past k intervals, so the last may lie a beat beyond the
    // axis, which ends at the points' count of intervals.
    const bool covers = !points.empty() && points.front().Time <= longTerm->Interval() * 2 &&
                        points.back().Time >= runSeconds - 2 * longTerm->Interval() &&
                        axis.axisLo <= 0.0 &&
                        axis.axisHi * 3600 >= points.back().Time - longTerm->Interval();
    if (!covers)
        std::printf("FAIL: the chart does not cover the run (last point at %.3f s)\n",
                    points.empty() ? 0.0 : points.back().Time);
    if (!sameChart)
        std::printf("FAIL: the page picture is not the chart of the run\n");
    failed = failed || !covers || !sameChart;

    // Close: the state file is saved and holds the page.
    form->FormClose();
    pages::PageHistory reloaded;
    const pages::StateFileOutcome loaded =
        pages::LoadState(reloaded, dataDir.path().toStdString() + "/Tickora");
    const bool kept = loaded.Done && reloaded.PageCount() == 1 && reloaded.GetPage(1).LongTerm &&
                      reloaded.GetPage(1).DailyRate == page.DailyRate;
    std::printf("state file saved and loaded back with the page: %s\n", kept ? "yes" : "NO");
    for (const auto& message : dialogs.Messages())
        std::printf("FAIL: message \"%s\"\n", message.text.c_str());
    failed = failed || !kept || !dialogs.Messages().empty();

    const bench::ProcessMemory memory = bench::CurrentProcessMemory();
    std::printf("peak resident memory: %ld kB after hour 1, %ld kB after the last hour of "
                "testing (%+ld kB), %ld kB after stop, save and reload; %.1f cpu s for %.1f h "
                "of sound\n",
                peakAtHourOne, peakAtLastHour, peakAtLastHour - peakAtHourOne, memory.PeakKb,
                CpuSeconds() - cpuStart, runSeconds / 3600.0);
    if (hours > 1 && peakAtLastHour - peakAtHourOne > kMemoryTolerance) {
        std::printf("FAIL: memory grew after the first hour\n");
        failed = true;
    }
    form.reset();
    return failed ? 1 : 0;
}
