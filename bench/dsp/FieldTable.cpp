// tickora-field: readings of synthesised watches under the conditions a real microphone
// brings (noise, a ringing case, echoes, hum, knocks), classified as a watchmaker would judge
// them. Each case runs the analyser's path (tools::AnalyzeSound) over 45 s of sound and takes
// its final reading: the last settled result, else the last valid one.
//
//   good       settled, rate within 0.5 s/d, beat error within 0.1 ms, amplitude within 10 deg
//   poor       settled, neither good nor wrong
//   WRONG      settled at the wrong beat rate, or off by more than 5 s/d, 0.5 ms or 30 deg
//   unsettled  a reading, but never settled
//   refused    "Unable to detect a consistent tick."
// Below the table, the readings that were wrong at some moment: a settled result along the
// way off by as much as a WRONG one, even when the last reading is right.
//
// With --filters, each of 200 sounds (noise 35 to 20 dB below, bare and on a ringing case) is
// read through every filter instead, and the table counts the readings a filter loses: good
// without a filter, not good with it.
#include "bench/dsp/ShapeSets.h"
#include "dsp/synth/WatchParameters.h"
#include "tools/AnalyzerSettings.h"
#include "tools/RecordingAnalysis.h"
#include "tools/SynthesisedSource.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace {

struct Watch {
    int bph;
    double rate, amplitude, beatError;
};

enum Outcome { kGood, kPoor, kWrong, kUnsettled, kRefused, kOutcomes };
const char* const kOutcomeNames[] = {"good", "poor", "WRONG", "unsettled", "refused"};
const char* const kFilters[] = {"none", "wide", "medium", "narrow"};

struct Tally {
    int counts[kOutcomes] = {};
    void Add(Outcome o) { ++counts[o]; }
};

// Whether a settled result is off by more than 5 s/d, 0.5 ms or 30 degrees.
bool WrongResult(const dsp::TickResult& r, const Watch& w) {
    return std::fabs(r.Rate - w.rate) > 5.0 || std::fabs(r.BeatError - w.beatError) > 0.5 ||
           std::fabs(r.Amplitude - w.amplitude) > 30.0;
}

Outcome Classify(const tools::AnalysisSummary& r, const Watch& w) {
    if (r.end == tools::AnalysisEnd::CalibrationFailed) {
        return kRefused;
    }
    if (!r.hasResult || !r.shownComplete) {
        return kUnsettled;
    }
    if (r.beatsPerHour != w.bph || WrongResult(r.shown, w)) {
        return kWrong;
    }
    if (std::fabs(r.shown.Rate - w.rate) <= 0.5 &&
        std::fabs(r.shown.BeatError - w.beatError) <= 0.1 &&
        std::fabs(r.shown.Amplitude - w.amplitude) <= 10.0) {
        return kGood;
    }
    return kPoor;
}

synth::WatchParameters Parameters(const Watch& w, double noise, bool room, int seed) {
    synth::WatchParameters p;
    p.beatsPerHour = w.bph;
    p.rate = w.rate;
    p.amplitude = w.amplitude;
    p.beatError = w.beatError;
    p.noiseDb = noise;
    p.seed = static_cast<std::uint64_t>(seed);
    p.startOffset = 0.01 + 0.0137 * (seed % 29);
    if (room) {
        p.room = true;
        p.brownNoiseDb = noise + 6.0;
        p.humDb = -30.0;
        p.clicksPerMinute = 4.0;
        p.clickDb = -3.0;
    }
    return p;
}

// The analyser's reading of a watch's sound through one filter; `everWrong`, when given, is
// set when any settled result along the way was wrong, not only the last.
tools::AnalysisSummary ReadThrough(dsp::SignalAnalysis& analysis, const synth::WatchParameters& p,
                                   int filter, double seconds, const Watch& w,
                                   bool* everWrong = nullptr) {
    tools::AnalyzerSettings s;
    s.filter = filter;
    tools::SynthesisedSource source(p, seconds);
    return tools::AnalyzeSound(analysis, source, s, [&](const dsp::TickResult& r, bool complete) {
        if (everWrong != nullptr && complete && WrongResult(r, w)) {
            *everWrong = true;
        }
    });
}

// Every filter over the same sounds: what each reads, and what it loses against no filter.
int FiltersOnTheSameSound(const std::vector<Watch>& watches, ShapeSet shapes, int firstSeed,
                          double seconds, bool verbose) {
    const auto analysis = std::make_unique<dsp::SignalAnalysis>();
    const double noises[] = {-35.0, -30.0, -25.0, -20.0};
    Tally tallies[4];
    int lost[4] = {};
    for (int n = 1; n <= 200; ++n) {
        const Watch& w = watches[static_cast<std::size_t>(n % 3)];
        const double noise = noises[(n / 3) % 4];
        const bool room = (n / 12) % 2 != 0;
        const int seed = firstSeed + n;
        synth::WatchParameters p = Parameters(w, noise, room, seed);
        ApplyShape(shapes, 50000 + seed, p);
        Outcome outcomes[4];
        for (int filter = 0; filter < 4; ++filter) {
            outcomes[filter] = Classify(ReadThrough(*analysis, p, filter, seconds, w), w);
            tallies[filter].Add(outcomes[filter]);
            lost[filter] += outcomes[0] == kGood && outcomes[filter] != kGood ? 1 : 0;
        }
        if (verbose) {
            std::printf("  %5d bph %3.0f dB %s seed %3d: %-9s %-9s %-9s %s\n", w.bph, noise,
                        room ? "room" : "bare", seed, kOutcomeNames[outcomes[0]],
                        kOutcomeNames[outcomes[1]], kOutcomeNames[outcomes[2]],
                        kOutcomeNames[outcomes[3]]);
        }
    }
    std::printf("\n%-8s %5s %5s %5s %9s %7s %5s\n", "filter", "good", "poor", "WRONG", "unsettled",
                "refused", "lost");
    for (int f = 0; f < 4; ++f) {
        const Tally& t = tallies[f];
        std::printf("%-8s %5d %5d %5d %9d %7d %5d\n", kFilters[f], t.counts[0], t.counts[1],
                    t.counts[2], t.counts[3], t.counts[4], lost[f]);
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    double seconds = 45.0;
    bool verbose = false;
    bool filters = false;
    int firstSeed = 0; // the table as reported; others give fresh noise and start times
    ShapeSet shapes = ShapeSet::Report;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--seconds" && i + 1 < argc) {
            seconds = std::atof(argv[++i]);
        } else if (a == "--seeds" && i + 1 < argc) {
            firstSeed = std::atoi(argv[++i]);
        } else if (a == "--shapes" && i + 1 < argc && ParseShapeSet(argv[i + 1], shapes)) {
            ++i;
        } else if (a == "--verbose") {
            verbose = true;
        } else if (a == "--filters") {
            filters = true;
        } else {
            std::fprintf(stderr, "Usage: tickora-field [--seconds S] [--seeds FIRST] "
                                 "[--shapes report|tuning|builtin] [--filters] [--verbose]\n");
            return 2;
        }
    }
    const std::vector<Watch> watches = {
        {18000, 7.5, 235.0, 0.6}, {21600, -4.2, 270.0, 0.3}, {28800, 12.0, 295.0, 1.1}};
    if (filters) {
        return FiltersOnTheSameSound(watches, shapes, firstSeed, seconds, verbose);
    }
    const std::vector<double> noises = {-40.0, -30.0, -25.0, -20.0, -15.0};
    const auto analysis = std::make_unique<dsp::SignalAnalysis>();

    std::map<std::string, Tally> rows;
    Tally total;
    int wrongOnce = 0; // readings with a wrong settled result at any moment
    int seed = firstSeed;
    for (int room = 0; room < 2; ++room) {
        for (double noise : noises) {
            for (int filter = 0; filter < 4; ++filter) {
                for (const Watch& w : watches) {
                    ++seed;
                    synth::WatchParameters p = Parameters(w, noise, room == 1, seed);
                    ApplyShape(shapes, seed, p);
                    bool everWrong = false;
                    const tools::AnalysisSummary r =
                        ReadThrough(*analysis, p, filter, seconds, w, &everWrong);
                    const Outcome o = Classify(r, w);
                    wrongOnce += everWrong || (o == kWrong) ? 1 : 0;
                    char key[64];
                    std::snprintf(key, sizeof key, "%s %3.0f dB  %-6s", room ? "room" : "bare",
                                  noise, kFilters[filter]);
                    rows[key].Add(o);
                    total.Add(o);
                    if (verbose || o == kWrong || o == kPoor) {
                        std::printf(
                            "  %-22s %5d bph: %-9s bph %5d rate %+8.2f (%+.1f) amp %6.1f "
                            "(%.0f) be %5.2f (%.1f) used %3.0f%% scatter %.3f ms seed %d%s\n",
                            key, w.bph, kOutcomeNames[o], r.beatsPerHour, r.shown.Rate, w.rate,
                            r.shown.Amplitude, w.amplitude, r.shown.BeatError, w.beatError,
                            100.0 * r.shown.Used, r.shown.Scatter, seed,
                            everWrong ? " (wrong at some moment)" : "");
                    }
                }
            }
        }
    }
    std::printf("\n%-22s %5s %5s %5s %9s %7s\n", "conditions", "good", "poor", "WRONG", "unsettled",
                "refused");
    for (const auto& [key, t] : rows) {
        std::printf("%-22s %5d %5d %5d %9d %7d\n", key.c_str(), t.counts[0], t.counts[1],
                    t.counts[2], t.counts[3], t.counts[4]);
    }
    std::printf("%-22s %5d %5d %5d %9d %7d\n", "all", total.counts[0], total.counts[1],
                total.counts[2], total.counts[3], total.counts[4]);
    std::printf("wrong at some moment: %d (a settled result off by more than 5 s/d, 0.5 ms or "
                "30 degrees, the last one or any before it)\n",
                wrongOnce);
    return 0;
}
