#include "tools/AnalyzerProgram.h"

#include "dsp/synth/WatchParameters.h"
#include "report/ValueTexts.h"
#include "tools/AnalyzerOptions.h"
#include "tools/AnalyzerReport.h"
#include "tools/RecordingAnalysis.h"
#include "tools/SoundFileReader.h"
#include "tools/SoundFileSource.h"
#include "tools/SynthesisedSource.h"

#include <algorithm>
#include <cstdio>
#include <memory>

namespace tools {

namespace {

const std::string kName = "tickora-analyze: ";

std::string DemoDescription(const synth::WatchParameters& p, double seconds) {
    char text[200];
    std::snprintf(text, sizeof text,
                  "Demo watch (synthesised, %.0f s): %d bph, %+.1f s/d, %.0f degrees at lift "
                  "angle %.0f, beat error %.1f ms\n",
                  seconds, p.beatsPerHour, p.rate, p.amplitude, p.liftAngle, p.beatError);
    return text;
}

// Analyses the recording (or the demo watch when file is empty), prints its result (the
// long summary, or with several files one line; JSON names the file when there are several) and
// returns the exit status.
int AnalyzeOne(const AnalyzerOptions& options, const std::string& file, std::ostream& out,
               std::ostream& err) {
    const bool several = options.files.size() > 1;
    const bool json = options.output == AnalyzerOutput::Json;
    const AnalyzerSettings& settings = options.settings;
    // With several files a failure still gets its line on stdout, so that lines and files
    // pair up.
    auto fail = [&](int status, const std::string& message) {
        err << message << '\n';
        if (several) {
            out << (json ? JsonFailure(file, message) : file + ": " + message) << '\n';
        }
        return status;
    };

    SoundFileReader reader;
    std::unique_ptr<SampleSource> source;
    std::string description;
    if (file.empty()) {
        const synth::WatchParameters demo = synth::SimulatedWatch28800();
        const double seconds = options.demoSeconds > 0.0
                                   ? options.demoSeconds
                                   : settings.settling + settings.period + 5.0;
        source = std::make_unique<SynthesisedSource>(demo, seconds);
        description = DemoDescription(demo, seconds);
    } else {
        if (!reader.Open(file)) {
            return fail(2, kName + file + ": " + reader.Error());
        }
        source = std::make_unique<SoundFileSource>(reader);
    }

    // The analysis keeps a level store of a minute of sound: on the heap.
    const auto analysis = std::make_unique<dsp::SignalAnalysis>();
    const bool beats = options.output == AnalyzerOutput::Beats;
    if (beats) {
        out << BeatsHeader() << '\n';
    }
    const AnalysisSummary summary = AnalyzeSound(*analysis, *source, settings,
                                                 [&](const dsp::TickResult& result, bool complete) {
                                                     if (beats) {
                                                         out << BeatLine(result, complete) << '\n';
                                                     }
                                                 });

    switch (summary.end) {
    case AnalysisEnd::ReadFailed:
        return fail(2, kName + file + ": " + summary.error);
    case AnalysisEnd::CalibrationFailed:
        return fail(1, report::CalibrationFailureText(settings.rate));
    case AnalysisEnd::TooShort:
        return fail(1, kName + (file.empty() ? std::string("demo") : file) +
                           ": the sound ends before the settling time of " +
                           std::to_string(settings.settling) + " s is complete");
    case AnalysisEnd::EndOfSound:
    case AnalysisEnd::TicksStopped:
        break;
    }
    if (json) {
        out << (several ? JsonSummary(summary, file) : JsonSummary(summary)) << '\n';
    } else if (several) {
        out << file << ": " << LineSummary(summary, settings) << '\n';
    } else if (!beats) {
        out << description << TextSummary(summary, settings);
    }
    if (!summary.hasResult) {
        err << kName << "no result: fewer than five beats were found after the calibration\n";
        return 1;
    }
    return 0;
}

} // namespace

int RunAnalyzer(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err) {
    AnalyzerOptions options;
    std::string error;
    if (!ParseAnalyzerOptions(arguments, options, error)) {
        err << kName << error << '\n';
        return 2;
    }
    if (options.help) {
        out << AnalyzerUsage();
        return 0;
    }
    if (options.version) {
        out << "tickora-analyze " << TICKORA_VERSION << '\n';
        return 0;
    }
    for (const std::string& warning : options.warnings) {
        err << kName << warning << '\n';
    }
    if (options.demo) {
        return AnalyzeOne(options, "", out, err);
    }
    // Several recordings: each gets its line (or object) whatever became of the others; the
    // exit status is the worst of them.
    int status = 0;
    for (const std::string& file : options.files) {
        status = std::max(status, AnalyzeOne(options, file, out, err));
    }
    return status;
}

} // namespace tools
