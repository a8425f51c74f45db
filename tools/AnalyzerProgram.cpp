#include "tools/AnalyzerProgram.h"

#include "dsp/synth/WatchParameters.h"
#include "report/ValueTexts.h"
#include "tools/AnalyzerOptions.h"
#include "tools/AnalyzerReport.h"
#include "tools/RecordingAnalysis.h"
#include "tools/SoundFileReader.h"
#include "tools/SoundFileSource.h"
#include "tools/SynthesisedSource.h"

#include <cstdio>
#include <memory>

namespace tools {

namespace {

constexpr const char* kName = "tickora-analyze: ";

std::string DemoDescription(const synth::WatchParameters& p, double seconds) {
    char text[200];
    std::snprintf(text, sizeof text,
                  "Demo watch (synthesised, %.0f s): %d bph, %+.1f s/d, %.0f degrees at lift "
                  "angle %.0f, beat error %.1f ms\n",
                  seconds, p.beatsPerHour, p.rate, p.amplitude, p.liftAngle, p.beatError);
    return text;
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
    const AnalyzerSettings& settings = options.settings;

    SoundFileReader reader;
    std::unique_ptr<SampleSource> source;
    std::string description;
    if (options.demo) {
        const synth::WatchParameters demo = synth::SimulatedWatch28800();
        const double seconds = options.demoSeconds > 0.0
                                   ? options.demoSeconds
                                   : settings.settling + settings.period + 5.0;
        source = std::make_unique<SynthesisedSource>(demo, seconds);
        description = DemoDescription(demo, seconds);
    } else {
        if (!reader.Open(options.file)) {
            err << kName << options.file << ": " << reader.Error() << '\n';
            return 2;
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
        err << kName << options.file << ": " << summary.error << '\n';
        return 2;
    case AnalysisEnd::CalibrationFailed:
        err << report::CalibrationFailureText(settings.rate) << '\n';
        return 1;
    case AnalysisEnd::TooShort:
        err << kName << (options.demo ? std::string("demo") : options.file)
            << ": the sound ends before the settling time of " << settings.settling
            << " s is complete\n";
        return 1;
    case AnalysisEnd::EndOfSound:
    case AnalysisEnd::TicksStopped:
        break;
    }
    if (options.output == AnalyzerOutput::Json) {
        out << JsonSummary(summary) << '\n';
    } else if (!beats) {
        out << description << TextSummary(summary, settings);
    }
    if (!summary.hasResult) {
        err << kName << "no result: fewer than five beats were found after the calibration\n";
        return 1;
    }
    return 0;
}

} // namespace tools
