#include "tools/AnalyzerReport.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace tools {

namespace {

std::string Precise(double value) {
    char text[40];
    std::snprintf(text, sizeof text, "%.17g", value);
    return text;
}

// Shortest text that reads back as the same double; JSON has no infinities or NaN.
std::string JsonNumber(double value) {
    if (!std::isfinite(value)) {
        return "null";
    }
    char text[40];
    const auto [end, status] = std::to_chars(text, text + sizeof text, value);
    return status == std::errc() ? std::string(text, end) : "null";
}

std::string JsonString(const std::string& text) {
    std::string quoted = "\"";
    for (const char c : text) {
        if (c == '"' || c == '\\') {
            quoted += '\\';
            quoted += c;
        } else if (static_cast<unsigned char>(c) < 0x20) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04x", static_cast<unsigned char>(c));
            quoted += escape;
        } else {
            quoted += c;
        }
    }
    return quoted + '"';
}

std::string Format(const char* format, double value) {
    char text[64];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

const char* FilterName(int kind) {
    switch (kind) {
    case 1:
        return "wide (160 Hz - 16 kHz)";
    case 2:
        return "medium (400 Hz - 12 kHz)";
    case 3:
        return "narrow (800 Hz - 8 kHz)";
    default:
        return "none";
    }
}

} // namespace

std::string BeatsHeader() {
    return "time,span,rate,amplitude,beat_error,valid,complete,used,scatter";
}

std::string BeatLine(const dsp::TickResult& r, bool complete) {
    return Precise(r.Time) + ',' + Precise(r.Span) + ',' + Precise(r.Rate) + ',' +
           Precise(r.Amplitude) + ',' + Precise(r.BeatError) + ',' + (r.Valid ? '1' : '0') + ',' +
           (complete ? '1' : '0') + ',' + Precise(r.Used) + ',' + Precise(r.Scatter);
}

std::string JsonSummary(const AnalysisSummary& s) {
    const bool has = s.hasResult;
    return "{\"bph\": " + std::to_string(s.beatsPerHour) +
           ", \"rate\": " + (has ? JsonNumber(s.shown.Rate) : "null") +
           ", \"amplitude\": " + (has ? JsonNumber(s.shown.Amplitude) : "null") +
           ", \"beat_error\": " + (has ? JsonNumber(s.shown.BeatError) : "null") +
           ", \"complete\": " + (has && s.shownComplete ? "true" : "false") +
           ", \"used\": " + (has ? JsonNumber(s.shown.Used) : "null") +
           ", \"scatter\": " + (has ? JsonNumber(s.shown.Scatter) : "null") +
           ", \"results\": " + std::to_string(s.validResults) +
           ", \"calibration_start\": " + JsonNumber(s.calibrationStart) + "}";
}

std::string JsonSummary(const AnalysisSummary& summary, const std::string& file) {
    return "{\"file\": " + JsonString(file) + ", " + JsonSummary(summary).substr(1);
}

std::string JsonFailure(const std::string& file, const std::string& message) {
    return "{\"file\": " + JsonString(file) + ", \"error\": " + JsonString(message) + "}";
}

std::string LineSummary(const AnalysisSummary& s, const AnalyzerSettings& settings) {
    std::string line = std::to_string(s.beatsPerHour) + " bph";
    if (!s.hasResult) {
        return line + ", no result: fewer than five beats were found after the calibration";
    }
    line += Format(", %+.1f s/d", s.shown.Rate) + Format(", %.0f degrees", s.shown.Amplitude) +
            " (lift angle " + std::to_string(settings.liftAngle) + ")" +
            Format(", beat error %.1f ms", s.shown.BeatError) +
            (s.shownComplete ? ", complete" : ", not complete");
    return line;
}

std::string TextSummary(const AnalysisSummary& s, const AnalyzerSettings& settings) {
    std::string text;
    text += "Beat rate   " + std::to_string(s.beatsPerHour) + " bph (" +
            (settings.rate == 0 ? "detected" : "verified") + ")\n";
    if (s.hasResult) {
        text += "Daily rate  " + Format("%+.1f s/d", s.shown.Rate) + "\n";
        text += "Amplitude   " + Format("%.0f", s.shown.Amplitude) + " degrees (lift angle " +
                std::to_string(settings.liftAngle) + ")\n";
        text += "Beat error  " + Format("%.1f ms", s.shown.BeatError) + "\n";
        text += "Averaged over " + Format("%.1f s", s.shown.Span) +
                (s.shownComplete ? " (complete)"
                 : s.shown.Span >= settings.period - 0.0001
                     ? " (not settled: the beats are too irregular)"
                     : " (averaging period not complete)") +
                "\n";
        text += "Signal      " + Format("%.0f %% of the beats used", 100.0 * s.shown.Used) +
                Format(", timing scatter %.3f ms", s.shown.Scatter) + "\n";
    } else {
        text += "No result: fewer than five beats were found after the calibration.\n";
    }
    text += std::to_string(s.validResults) + " results from " + Format("%.1f s", s.seconds) +
            " of sound; averaging period " + std::to_string(settings.period) + " s, filter " +
            FilterName(settings.filter);
    if (s.end == AnalysisEnd::TicksStopped) {
        text += "; stopped after 10 s without a tick";
    }
    text += ".\n";
    if (s.calibrationStart > 0.0) {
        text += "No consistent tick in the first " + Format("%.1f s", s.calibrationStart) +
                ": the calibration started again there.\n";
    }
    return text;
}

} // namespace tools
