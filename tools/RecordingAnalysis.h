#pragma once

#include "dsp/DSP.h"
#include "tools/AnalyzerSettings.h"
#include "tools/SampleSource.h"

#include <functional>
#include <string>

namespace tools {

// How an analysis ended.
enum class AnalysisEnd {
    EndOfSound,        // the sound ran out during the test
    TicksStopped,      // no record in a buffer and more than 10 s since the last onset
    TooShort,          // the sound ran out before the settling time was complete
    CalibrationFailed, // no consistent tick (or the set rate was not confirmed)
    ReadFailed,        // the source failed part-way; error says why
};

struct AnalysisSummary {
    AnalysisEnd end = AnalysisEnd::EndOfSound;
    int beatsPerHour = 0;          // detected or verified by the calibration
    double peakLevel = 0.0;        // calibration's 99.75th percentile level
    double initialRate = 0.0;      // s/d, the calibration's first estimate
    double seconds = 0.0;          // of sound read, at the nominal 44100 samples/s
    double calibrationStart = 0.0; // s into the sound where the calibration that held began
    int results = 0;               // handed out by NextTickResult, valid or not
    int validResults = 0;
    int completeResults = 0;
    bool hasResult = false;     // a valid result is in shown
    dsp::TickResult shown;      // the last complete result, else the last valid one
    bool shownComplete = false; // shown is complete
    std::string error;          // ReadFailed: the source's reason
};

// Called for every result NextTickResult hands out, valid or not.
using ResultHandler = std::function<void(const dsp::TickResult& result, bool complete)>;

// Runs the program's measurement path over a sound: the filter reset, the calibration over
// buffers of 4096 samples until the store is full (the rest of that buffer is not analysed;
// with calibrateAgain, a failed calibration starts again with the next buffer),
// then tick detection buffer by buffer with plotting off, draining the results after every
// buffer that completed a record, until the ticks stop as the program would stop a test or
// the sound ends.
AnalysisSummary AnalyzeSound(dsp::SignalAnalysis& analysis, SampleSource& source,
                             const AnalyzerSettings& settings, const ResultHandler& onResult = {});

} // namespace tools
