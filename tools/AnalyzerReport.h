#pragma once

#include "dsp/TickRecord.h"
#include "tools/AnalyzerSettings.h"
#include "tools/RecordingAnalysis.h"

#include <string>

namespace tools {

// The analyser's output formats.

// "time,span,rate,amplitude,beat_error,valid,complete"
std::string BeatsHeader();
// One CSV line (no newline): numbers with 17 significant digits, booleans as 0 or 1.
std::string BeatLine(const dsp::TickResult& result, bool complete);
// {"bph": ..., "rate": ..., "amplitude": ..., "beat_error": ..., "complete": ..., "results": ...}
// from the shown result; the three values are null when there is none.
std::string JsonSummary(const AnalysisSummary& summary);
// The same led by "file": the recording's name, for a run over several files.
std::string JsonSummary(const AnalysisSummary& summary, const std::string& file);
// {"file": ..., "error": ...} for a recording that gave no analysis.
std::string JsonFailure(const std::string& file, const std::string& message);
// One line (no newline) for a person reading a folder's results.
std::string LineSummary(const AnalysisSummary& summary, const AnalyzerSettings& settings);
// A few lines for a person.
std::string TextSummary(const AnalysisSummary& summary, const AnalyzerSettings& settings);

} // namespace tools
