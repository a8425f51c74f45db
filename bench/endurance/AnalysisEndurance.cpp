// tickora-endurance: the signal analysis fed hours of synthesised watch sound, buffer by
// buffer as the main window feeds it, as fast as the machine goes. Each hour it reports the
// process's memory and the results of that hour against the watch's truth, so a leak, a
// drift or a fault when the tick ring wraps shows as a change from one hour to the next.
// The results also go to a long-term accumulation, so runs beyond a day show its merges.
//
//   tickora-endurance [--hours N] [--bph N] [--rate S/D] [--amplitude DEG] [--beat-error MS]
//                     [--noise DB] [--period S] [--filter 0-3] [--seed N]
//
// Exit status 1 when the peak memory grew after the first hour, an hour gave no complete
// result, or the last hour's rate results strayed more than 1 s/d from the truth.
#include "ProcessMemory.h"

#include "dsp/DSP.h"
#include "dsp/synth/WatchSynthesiser.h"
#include "longterm/LongTerm.h"
#include "tools/RecordingAnalysis.h"
#include "tools/SynthesisedSource.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <memory>
#include <string>

namespace {

constexpr int kSettling = 5;           // s of calibration
constexpr int kLiftAngle = 52;         // degrees
constexpr double kRateTolerance = 1.0; // s/d, for the last hour's results
constexpr long kMemoryTolerance = 256; // kB the peak may move after the first hour (page noise)

struct Options {
    double hours = 24.0;
    synth::WatchParameters watch = synth::SimulatedWatch28800();
    int period = 20; // s
    int filter = 0;  // None, as the settings start
};

bool ParseOptions(int argc, char** argv, Options& options) {
    for (int i = 1; i < argc; ++i) {
        const std::string name = argv[i];
        if (i + 1 >= argc) {
            std::fprintf(stderr, "missing value after %s\n", name.c_str());
            return false;
        }
        const double value = std::strtod(argv[++i], nullptr);
        if (name == "--hours")
            options.hours = value;
        else if (name == "--bph")
            options.watch.beatsPerHour = static_cast<int>(value);
        else if (name == "--rate")
            options.watch.rate = value;
        else if (name == "--amplitude")
            options.watch.amplitude = value;
        else if (name == "--beat-error")
            options.watch.beatError = value;
        else if (name == "--noise")
            options.watch.noiseDb = value;
        else if (name == "--period")
            options.period = static_cast<int>(value);
        else if (name == "--filter")
            options.filter = static_cast<int>(value);
        else if (name == "--seed")
            options.watch.seed = static_cast<std::uint64_t>(value);
        else {
            std::fprintf(stderr, "unknown option %s\n", name.c_str());
            return false;
        }
    }
    const std::string problem = synth::CheckWatchParameters(options.watch);
    if (!problem.empty() || options.hours <= 0 || options.period < 2 || options.filter < 0 ||
        options.filter > 3) {
        std::fprintf(stderr, "unusable options %s\n", problem.c_str());
        return false;
    }
    return true;
}

// The complete results of one hour.
struct HourResults {
    int results = 0; // handed out, valid or not
    int complete = 0;
    double rateSum = 0.0;
    double worstRateError = 0.0; // s/d, largest distance from the truth
    double amplitudeSum = 0.0;
    double beatErrorSum = 0.0;
    dsp::TickResult last;

    void Add(const dsp::TickResult& r, bool isComplete, double trueRate) {
        ++results;
        if (!isComplete)
            return;
        ++complete;
        rateSum += r.Rate;
        amplitudeSum += r.Amplitude;
        beatErrorSum += r.BeatError;
        worstRateError = std::max(worstRateError, std::abs(r.Rate - trueRate));
        last = r;
    }
};

double CpuSeconds() {
    return static_cast<double>(std::clock()) / CLOCKS_PER_SEC;
}

// One line of the hourly table.
void PrintHour(int h, const dsp::SignalAnalysis& analysis, const HourResults& hour,
               const longterm::LongTermAccumulation& longTerm, double cpuSeconds) {
    const bench::ProcessMemory memory = bench::CurrentProcessMemory();
    const double n = std::max(hour.complete, 1);
    std::printf("%4d %9lld %6lld %7d %8d %+11.3f %11.3f %9.2f %9.3f %8d %9ld %9ld %7.1f\n", h,
                static_cast<long long>(analysis.WriteIndex()),
                static_cast<long long>(analysis.WriteIndex() / dsp::kTickRingSize), hour.results,
                hour.complete, hour.rateSum / n, hour.worstRateError, hour.amplitudeSum / n,
                hour.beatErrorSum / n, longTerm.PointCount(), memory.PeakKb, memory.ResidentKb,
                cpuSeconds);
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv) {
    Options options;
    if (!ParseOptions(argc, argv, options))
        return 2;
    const synth::WatchParameters& watch = options.watch;
    // The analyser's own path: calibration, then detection buffer by buffer with the results
    // drained after each, as a test in the program runs.
    tools::SynthesisedSource source(watch, options.hours * 3600.0);
    tools::AnalyzerSettings settings;
    settings.liftAngle = kLiftAngle;
    settings.period = options.period;
    settings.settling = kSettling;
    settings.filter = options.filter;
    auto analysis = std::make_unique<dsp::SignalAnalysis>();
    auto longTerm = std::make_unique<longterm::LongTermAccumulation>();
    longTerm->StartLongTerm(nullptr);

    std::printf("watch: %d bph, %+.2f s/d, %.0f degrees, beat error %.2f ms, noise %.0f dB; "
                "period %d s, filter %d\n",
                watch.beatsPerHour, watch.rate, watch.amplitude, watch.beatError, watch.noiseDb,
                options.period, options.filter);
    std::printf("%4s %9s %6s %7s %8s %11s %11s %9s %9s %8s %9s %9s %7s\n", "hour", "beats", "wraps",
                "results", "complete", "rate s/d", "worst err", "ampl deg", "b.err ms", "LT pts",
                "peak kB", "rss kB", "cpu s");

    const double cpuStart = CpuSeconds();
    long peakAtHourOne = 0;
    bool failed = false;
    int h = 1;
    HourResults hour;
    const auto endHour = [&] {
        PrintHour(h, *analysis, hour, *longTerm, CpuSeconds() - cpuStart);
        if (h == 1)
            peakAtHourOne = bench::CurrentProcessMemory().PeakKb;
        if (hour.complete == 0) {
            std::printf("hour %d: no complete result\n", h);
            failed = true;
        }
    };
    const tools::AnalysisSummary summary = tools::AnalyzeSound(
        *analysis, source, settings, [&](const dsp::TickResult& r, bool complete) {
            if (r.Time >= h * 3600.0) {
                endHour();
                hour = HourResults{};
                ++h;
            }
            hour.Add(r, complete, watch.rate);
            double rate = r.Rate;
            double amplitude = r.Amplitude;
            double beatError = r.BeatError;
            longTerm->AddLongTermResult(rate, amplitude, beatError, r.Time);
        });
    if (summary.end == tools::AnalysisEnd::CalibrationFailed) {
        std::fprintf(stderr, "calibration failed\n");
        return 1;
    }
    endHour();

    const bench::ProcessMemory end = bench::CurrentProcessMemory();
    const double seconds = static_cast<double>(source.Synthesiser().SamplesGenerated()) /
                           source.Synthesiser().SamplesPerSecond();
    std::printf("\nsound: %.2f h in %.1f cpu s (%.0f times real time)\n", seconds / 3600.0,
                CpuSeconds() - cpuStart, seconds / std::max(CpuSeconds() - cpuStart, 1e-9));
    std::printf("peak resident memory: %ld kB after hour 1, %ld kB at the end (%+ld kB)\n",
                peakAtHourOne, end.PeakKb, end.PeakKb - peakAtHourOne);
    std::printf("rate at the end: last result %+.3f s/d at %.1f s (truth %+.3f, error %+.3f); "
                "last hour: mean %+.3f s/d, worst error %.3f s/d over %d results\n",
                hour.last.Rate, hour.last.Time, watch.rate, hour.last.Rate - watch.rate,
                hour.rateSum / std::max(hour.complete, 1), hour.worstRateError, hour.complete);
    std::printf("tick ring: %lld records, %lld wraps of %d\n",
                static_cast<long long>(analysis->WriteIndex()),
                static_cast<long long>(analysis->WriteIndex() / dsp::kTickRingSize),
                dsp::kTickRingSize);
    std::printf("long-term: %d points, interval %.0f s\n", longTerm->PointCount(),
                longTerm->Interval());
    if (h > 1 && end.PeakKb - peakAtHourOne > kMemoryTolerance) {
        std::printf("FAIL: memory grew after the first hour\n");
        failed = true;
    }
    if (hour.worstRateError > kRateTolerance) {
        std::printf("FAIL: rate results of the last hour strayed from the truth\n");
        failed = true;
    }
    return failed ? 1 : 0;
}
