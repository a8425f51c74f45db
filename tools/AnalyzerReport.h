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
// A few lines for a person.
std::string TextSummary(const AnalysisSummary& summary, const AnalyzerSettings& settings);

} // namespace tools
