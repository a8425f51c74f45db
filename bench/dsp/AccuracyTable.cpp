// tickora-accuracy: the analyser's accuracy over a table of synthesised watches. Every case
// runs the analyser's path (tools::AnalyzeSound) on a watch with a known truth and compares
// the last complete result with it; the worst errors are reported per quantity.
#include "bench/dsp/ShapeSets.h"
#include "dsp/synth/WatchParameters.h"
#include "tools/AnalyzerSettings.h"
#include "tools/RecordingAnalysis.h"
#include "tools/SynthesisedSource.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace {

struct Case {
    int bph;
    bool autoRate; // AUTO, else the rate is set
    double rate, amplitude, beatError, noiseDb;
};

struct Errors {
    int cases = 0;
    int failures = 0;
    double rate = 0.0;      // s/d, worst absolute error of the last complete result
    double amplitude = 0.0; // degrees
    double beatError = 0.0; // ms
    double rateAll = 0.0;   // s/d, worst over every complete result
    void Add(const Errors& e) {
        cases += e.cases;
        failures += e.failures;
        rate = std::max(rate, e.rate);
        amplitude = std::max(amplitude, e.amplitude);
        beatError = std::max(beatError, e.beatError);
        rateAll = std::max(rateAll, e.rateAll);
    }
};

std::string Describe(const Case& c) {
    char text[160];
    std::snprintf(text, sizeof text, "%d bph%s, %+.1f s/d, %.0f deg, %.1f ms, noise %s", c.bph,
                  c.autoRate ? " AUTO" : "", c.rate, c.amplitude, c.beatError,
                  std::isinf(c.noiseDb) ? "none"
                                        : (std::to_string(int(c.noiseDb)) + " dB").c_str());
    return text;
}

} // namespace

int main(int argc, char** argv) {
    tools::AnalyzerSettings settings;
    bool quick = false;
    std::vector<double> noiseList;
    std::FILE* csv = nullptr;
    ShapeSet shapes = ShapeSet::Report;
    int firstShape = 0; // more sets of the same seeds: the sounds of cases FIRST + 1 ...
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--quick") {
            quick = true;
        } else if (a == "--filter" && i + 1 < argc) {
            const std::string f = argv[++i];
            settings.filter = f == "wide" ? 1 : f == "medium" ? 2 : f == "narrow" ? 3 : 0;
        } else if (a == "--noise" && i + 1 < argc) {
            // A comma-separated list of noise levels in dB, "none" for no noise.
            noiseList.clear();
            for (std::string item, rest = argv[++i]; !rest.empty();) {
                const std::size_t comma = rest.find(',');
                item = rest.substr(0, comma);
                rest = comma == std::string::npos ? "" : rest.substr(comma + 1);
                noiseList.push_back(item == "none" ? -std::numeric_limits<double>::infinity()
                                                   : std::atof(item.c_str()));
            }
        } else if (a == "--shapes" && i + 1 < argc && ParseShapeSet(argv[i + 1], shapes)) {
            ++i;
        } else if (a == "--seeds" && i + 1 < argc) {
            firstShape = std::clamp(std::atoi(argv[++i]), 0, 99000);
        } else if (a == "--period" && i + 1 < argc) {
            settings.period = std::clamp(std::atoi(argv[++i]), 2, 600);
        } else if (a == "--csv" && i + 1 < argc) {
            csv = std::fopen(argv[++i], "w");
            if (csv == nullptr) {
                std::fprintf(stderr, "tickora-accuracy: cannot write %s\n", argv[i]);
                return 2;
            }
        } else {
            std::fprintf(stderr,
                         "Usage: tickora-accuracy [--quick] [--filter none|wide|medium|narrow] "
                         "[--period S] [--noise DB,DB...] [--shapes report|tuning|builtin] "
                         "[--seeds FIRST] [--csv FILE]\n");
            return 2;
        }
    }

    const double none = -std::numeric_limits<double>::infinity();
    const std::vector<int> autoRates = {18000, 19800, 21600, 25200, 28800};
    const std::vector<int> setRates = {3600, 12000, 14400, 36000, 43200};
    std::vector<double> rates = {-60.0, -23.7, 0.0, 11.1, 60.0};
    std::vector<double> amplitudes = {180.0, 250.0, 320.0};
    std::vector<double> beatErrors = {0.0, 1.5, 3.0};
    std::vector<double> noises = {none, -40.0, -30.0, -20.0};
    if (quick) {
        rates = {-60.0, 60.0};
        amplitudes = {180.0, 320.0};
        beatErrors = {0.0, 3.0};
        noises = {none, -20.0};
    }
    if (!noiseList.empty()) {
        noises = noiseList;
    }
    std::vector<Case> cases;
    for (int bph : {3600, 12000, 14400, 18000, 19800, 21600, 25200, 28800, 36000, 43200}) {
        const bool isAuto = std::find(autoRates.begin(), autoRates.end(), bph) != autoRates.end();
        for (double r : rates) {
            for (double a : amplitudes) {
                for (double b : beatErrors) {
                    for (double n : noises) {
                        cases.push_back({bph, isAuto, r, a, b, n});
                    }
                }
            }
        }
    }
    (void)setRates;

    if (csv != nullptr) {
        std::fprintf(csv, "bph,auto,rate,amplitude,beat_error,noise_db,outcome,measured_rate,"
                          "measured_amplitude,measured_beat_error,worst_rate_error,"
                          "worst_amplitude_error,worst_beat_error_error\n");
    }
    const auto analysis = std::make_unique<dsp::SignalAnalysis>();
    Errors total;
    std::map<int, Errors> byRate;
    std::map<double, Errors> byNoise;
    std::string worstRate, worstAmplitude, worstBeatError;
    std::vector<std::string> failed;
    int seed = 0;
    for (const Case& c : cases) {
        synth::WatchParameters p;
        p.beatsPerHour = c.bph;
        p.rate = c.rate;
        p.amplitude = c.amplitude;
        p.beatError = c.beatError;
        p.noiseDb = c.noiseDb;
        p.seed = static_cast<std::uint64_t>(++seed);
        p.startOffset = 0.01 + 0.0137 * (seed % 29); // vary the phase against the buffers
        ApplyShape(shapes, firstShape + seed, p);
        tools::AnalyzerSettings s = settings;
        s.rate = c.autoRate ? 0 : c.bph;
        tools::SynthesisedSource source(p, s.settling + s.period + 10.0 + 3600.0 / c.bph * 8);
        double worstRateAll = 0.0, worstAmplitudeAll = 0.0, worstBeatErrorAll = 0.0;
        const tools::AnalysisSummary summary =
            tools::AnalyzeSound(*analysis, source, s, [&](const dsp::TickResult& r, bool complete) {
                if (complete) {
                    worstRateAll = std::max(worstRateAll, std::fabs(r.Rate - c.rate));
                    worstAmplitudeAll =
                        std::max(worstAmplitudeAll, std::fabs(r.Amplitude - c.amplitude));
                    worstBeatErrorAll =
                        std::max(worstBeatErrorAll, std::fabs(r.BeatError - c.beatError));
                }
            });
        Errors e;
        e.cases = 1;
        const char* outcome = "ok";
        if (summary.end == tools::AnalysisEnd::CalibrationFailed) {
            outcome = "calibration failed";
        } else if (summary.beatsPerHour != c.bph) {
            outcome = "wrong beat rate";
        } else if (!summary.shownComplete) {
            outcome = "no complete result";
        }
        if (std::strcmp(outcome, "ok") != 0) {
            e.failures = 1;
            failed.push_back(Describe(c) + ": " + outcome);
        } else {
            e.rate = std::fabs(summary.shown.Rate - c.rate);
            e.amplitude = std::fabs(summary.shown.Amplitude - c.amplitude);
            e.beatError = std::fabs(summary.shown.BeatError - c.beatError);
            e.rateAll = worstRateAll;
            if (e.rate > total.rate) {
                worstRate = Describe(c) + ": " + std::to_string(summary.shown.Rate);
            }
            if (e.amplitude > total.amplitude) {
                worstAmplitude = Describe(c) + ": " + std::to_string(summary.shown.Amplitude);
            }
            if (e.beatError > total.beatError) {
                worstBeatError = Describe(c) + ": " + std::to_string(summary.shown.BeatError);
            }
        }
        if (csv != nullptr) {
            std::fprintf(
                csv, "%d,%d,%.17g,%.17g,%.17g,%.17g,%s,%.17g,%.17g,%.17g,%.17g,%.17g,%.17g\n",
                c.bph, c.autoRate ? 1 : 0, c.rate, c.amplitude, c.beatError, c.noiseDb, outcome,
                summary.shown.Rate, summary.shown.Amplitude, summary.shown.BeatError, worstRateAll,
                worstAmplitudeAll, worstBeatErrorAll);
        }
        total.Add(e);
        byRate[c.bph].Add(e);
        byNoise[c.noiseDb].Add(e);
    }
    if (csv != nullptr) {
        std::fclose(csv);
    }

    static const char* const kFilters[] = {"none", "wide", "medium", "narrow"};
    std::printf("Accuracy over %d synthesised watches: filter %s, averaging period %d s, "
                "settling %d s, lift angle 52.\n",
                total.cases, kFilters[settings.filter], settings.period, settings.settling);
    std::printf("Errors of the last complete result; 'rate, any' is the worst rate error of every "
                "complete result.\n\n");
    std::printf("%-12s %6s %6s %10s %11s %10s %12s\n", "", "cases", "failed", "rate s/d",
                "amplitude", "beat ms", "rate, any");
    auto row = [](const std::string& name, const Errors& e) {
        std::printf("%-12s %6d %6d %10.4f %11.3f %10.4f %12.4f\n", name.c_str(), e.cases,
                    e.failures, e.rate, e.amplitude, e.beatError, e.rateAll);
    };
    for (const auto& [bph, e] : byRate) {
        row(std::to_string(bph) + " bph", e);
    }
    std::printf("\n");
    for (const auto& [noise, e] : byNoise) {
        row(std::isinf(noise) ? std::string("no noise") : std::to_string(int(noise)) + " dB", e);
    }
    std::printf("\n");
    row("all", total);
    std::printf("\nWorst rate:       %s\nWorst amplitude:  %s\nWorst beat error: %s\n",
                worstRate.c_str(), worstAmplitude.c_str(), worstBeatError.c_str());
    if (!failed.empty()) {
        std::printf("\nFailed cases (%zu):\n", failed.size());
        for (const std::string& f : failed) {
            std::printf("  %s\n", f.c_str());
        }
    }
    return 0;
}
