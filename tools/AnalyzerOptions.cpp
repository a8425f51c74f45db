#include "tools/AnalyzerOptions.h"

#include "tools/NumberText.h"

#include <charconv>
#include <cmath>
#include <optional>

namespace tools {

namespace {

std::optional<double> ParseFixed(const std::string& text) {
    return ParseNumber(text, std::chars_format::fixed);
}

// An integer from low to high, else nothing.
std::optional<int> InRange(const std::string& text, long long low, long long high) {
    const std::optional<long long> value = ParseInteger(text);
    if (!value || *value < low || *value > high) {
        return std::nullopt;
    }
    return static_cast<int>(*value);
}

long long RoundHalfEven(double value) {
    return std::llrint(value);
}

} // namespace

std::string AnalyzerUsage() {
    return "Usage: tickora-analyze [options] FILE...\n"
           "       tickora-analyze [options] --demo\n"
           "Runs Tickora's timing analysis on recordings of a watch (WAV, FLAC...): with several\n"
           "files, one line (or one JSON object) per file. Where the first seconds hold no\n"
           "consistent tick (the watch still being placed), the calibration starts again after\n"
           "them.\n"
           "  --rate BPH          beat rate, 300 to 43200, or 0 / AUTO to detect (default AUTO)\n"
           "  --lift DEG          lift angle, 30 to 70 degrees (52)\n"
           "  --period S          averaging period, 2 to 600 s (20)\n"
           "  --settling S        settling time, 5 to 60 s (5)\n"
           "  --filter KIND       none, wide, medium or narrow (none)\n"
           "  --correction SPD    rate correction of the sound card, -1500 to +1500 s/d (0)\n"
           "  --demo              analyse the built-in demo watch instead of a file\n"
           "  --seconds S         length of the demo sound (settling + period + 5)\n"
           "  --json              print one JSON object with the last result (per file)\n"
           "  --beats             print every result as a CSV line (one file only)\n"
           "  --help              show this text\n"
           "  --version           show the version\n"
           "Exit status: 0 results found, 1 no result (calibration failed, sound too short),\n"
           "2 bad option or unreadable file; with several files the worst of them.\n";
}

bool ParseAnalyzerOptions(const std::vector<std::string>& arguments, AnalyzerOptions& options,
                          std::string& error) {
    AnalyzerSettings& s = options.settings;
    bool outputGiven = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        std::string name = arguments[i];
        std::optional<std::string> value;
        if (const std::size_t equals = name.find('=');
            name.rfind("--", 0) == 0 && equals != std::string::npos) {
            value = name.substr(equals + 1);
            name.resize(equals);
        }
        const bool takesValue = name == "--rate" || name == "--lift" || name == "--period" ||
                                name == "--settling" || name == "--filter" ||
                                name == "--correction" || name == "--seconds";
        if (takesValue && !value) {
            if (i + 1 == arguments.size()) {
                error = "option " + name + " needs a value";
                return false;
            }
            value = arguments[++i];
        } else if (!takesValue && value) {
            error = "option " + name + " takes no value";
            return false;
        }

        if (name == "--rate") {
            if (*value == "AUTO" || *value == "0") {
                s.rate = 0;
            } else if (const auto rate = InRange(*value, 300, 43200)) {
                s.rate = *rate;
            } else {
                error = "Invalid beat rate. Please select AUTO, or a rate between 300 and 43200 "
                        "beats/hour.";
                return false;
            }
        } else if (name == "--lift") {
            const auto lift = InRange(*value, 30, 70);
            if (!lift) {
                error = "Invalid lift angle. Please select an angle between 30 and 70 degrees.";
                return false;
            }
            s.liftAngle = *lift;
        } else if (name == "--period") {
            const auto period = InRange(*value, 2, 600);
            if (!period) {
                error = "Invalid averaging period. Please select a period between 2 and 600 "
                        "seconds.";
                return false;
            }
            s.period = *period;
        } else if (name == "--settling") {
            const auto settling = InRange(*value, 5, 60);
            if (!settling) {
                error = "Invalid settling time. Please select a time between 5 and 60 seconds.";
                return false;
            }
            s.settling = *settling;
        } else if (name == "--filter") {
            static const char* const kNames[] = {"none", "wide", "medium", "narrow"};
            int kind = -1;
            for (int k = 0; k < 4; ++k) {
                if (*value == kNames[k] || *value == std::to_string(k)) {
                    kind = k;
                }
            }
            if (kind < 0) {
                error = "Invalid filter. Please select none, wide, medium or narrow.";
                return false;
            }
            s.filter = kind;
        } else if (name == "--correction") {
            const auto correction = ParseFixed(*value);
            if (!correction || *correction < -1500.000000001 || *correction > 1500.000000001) {
                error = "Invalid time correction. Please enter a correction between -1500 and "
                        "+1500 seconds/day.";
                return false;
            }
            s.correction = *correction;
        } else if (name == "--seconds") {
            const auto seconds = ParseFixed(*value);
            if (!seconds || *seconds <= 0.0 || *seconds > 86400.0) {
                error = "Invalid demo length. Please give from 0 to 86400 seconds.";
                return false;
            }
            options.demoSeconds = *seconds;
        } else if (name == "--json" || name == "--beats") {
            const AnalyzerOutput output =
                name == "--json" ? AnalyzerOutput::Json : AnalyzerOutput::Beats;
            if (outputGiven && options.output != output) {
                error = "choose either --json or --beats";
                return false;
            }
            outputGiven = true;
            options.output = output;
        } else if (name == "--demo") {
            options.demo = true;
        } else if (name == "--help" || name == "-h") {
            options.help = true;
        } else if (name == "--version") {
            options.version = true;
        } else if (name.size() > 1 && name[0] == '-') {
            error = "unknown option " + name + " (see --help)";
            return false;
        } else {
            options.files.push_back(name);
        }
    }
    if (options.help || options.version) {
        return true;
    }
    if (options.demo && !options.files.empty()) {
        error = "give either a recording or --demo, not both";
        return false;
    }
    if (!options.demo && options.files.empty()) {
        error = "no recording given (see --help)";
        return false;
    }
    if (options.output == AnalyzerOutput::Beats && options.files.size() > 1) {
        error = "--beats lists one recording's results; give one file";
        return false;
    }
    if (options.demoSeconds > 0.0 && !options.demo) {
        error = "--seconds applies to --demo only";
        return false;
    }
    // Five beats must fit the settling time; like the settings dialog, only warn.
    if (s.rate != 0) {
        const long long minimum = RoundHalfEven(18000.0 / s.rate);
        if (s.settling < minimum) {
            options.warnings.push_back("Settling time is too short for a beat rate of " +
                                       std::to_string(s.rate) +
                                       " beats/hour. Please select a time between " +
                                       std::to_string(minimum) + " and 60 seconds.");
        }
    }
    return true;
}

} // namespace tools
