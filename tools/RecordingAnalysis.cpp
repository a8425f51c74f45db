#include "tools/RecordingAnalysis.h"

#include <cstdint>

namespace tools {

namespace {

constexpr int kBufferSamples = 4096;       // one capture buffer
constexpr double kStopAfterSilence = 10.0; // s without an onset ends a test

// Fills a whole buffer unless the sound ends.
int ReadBuffer(SampleSource& source, std::int16_t* buffer) {
    std::size_t filled = 0;
    while (filled < kBufferSamples) {
        const std::size_t n = source.Read(buffer + filled, kBufferSamples - filled);
        if (n == 0) {
            break;
        }
        filled += n;
    }
    return static_cast<int>(filled);
}

} // namespace

AnalysisSummary AnalyzeSound(dsp::SignalAnalysis& analysis, SampleSource& source,
                             const AnalyzerSettings& settings, const ResultHandler& onResult) {
    AnalysisSummary summary;
    std::int16_t buffer[kBufferSamples];
    std::int64_t samplesRead = 0;
    bool calibrating = true;

    analysis.ResetFilter();
    analysis.BeginCalibration(settings.settling, settings.filter, settings.correction);
    summary.end = AnalysisEnd::TooShort;
    while (const int count = ReadBuffer(source, buffer)) {
        samplesRead += count;
        if (calibrating) {
            if (!analysis.AddCalibrationSamples(buffer, count)) {
                continue;
            }
            if (!analysis.FinishCalibration(settings.rate, settings.liftAngle, summary.beatsPerHour,
                                            summary.peakLevel, summary.initialRate)) {
                summary.end = AnalysisEnd::CalibrationFailed;
                if (!settings.calibrateAgain) {
                    break;
                }
                analysis.BeginCalibration(settings.settling, settings.filter, settings.correction);
                summary.calibrationStart =
                    static_cast<double>(samplesRead) / dsp::kNominalSampleRate;
                continue;
            }
            calibrating = false;
            summary.end = AnalysisEnd::EndOfSound;
            continue;
        }
        const bool recorded = analysis.ProcessTickSamples(
            buffer, count, settings.period, dsp::PlotRawCallback{}, 1, false, settings.liftAngle);
        if (recorded) {
            dsp::TickResult result;
            while (analysis.NextTickResult(result)) {
                const bool complete = dsp::IsSettled(result, settings.period);
                ++summary.results;
                if (result.Valid) {
                    ++summary.validResults;
                    if (complete) {
                        ++summary.completeResults;
                    }
                    if (complete || !summary.shownComplete) {
                        summary.shown = result;
                        summary.shownComplete = complete;
                        summary.hasResult = true;
                    }
                }
                if (onResult) {
                    onResult(result, complete);
                }
            }
        } else if (analysis.SecondsSinceOnset() > kStopAfterSilence) {
            summary.end = AnalysisEnd::TicksStopped;
            break;
        }
    }
    summary.seconds = static_cast<double>(samplesRead) / dsp::kNominalSampleRate;
    if (const std::string error = source.Error(); !error.empty()) {
        summary.end = AnalysisEnd::ReadFailed;
        summary.error = error;
    }
    return summary;
}

} // namespace tools
