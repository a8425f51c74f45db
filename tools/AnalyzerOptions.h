#pragma once

#include "tools/AnalyzerSettings.h"

#include <string>
#include <vector>

namespace tools {

enum class AnalyzerOutput { Summary, Json, Beats };

struct AnalyzerOptions {
    AnalyzerSettings settings{.calibrateAgain = true}; // a recording may start before the watch
    AnalyzerOutput output = AnalyzerOutput::Summary;
    std::vector<std::string> files; // the recordings, unless demo
    bool demo = false;              // analyse the built-in demo watch
    double demoSeconds = 0.0;       // s of demo sound; 0 = settling + period + 5
    bool help = false;
    bool version = false;              // print the program's name and version
    std::vector<std::string> warnings; // accepted with a warning, as the settings dialog does
};

// Reads the command line (without the program name). False with error set to a one-line
// message when an option is unknown, a value is missing or outside the range the settings
// dialog accepts; the range messages are the dialog's own.
bool ParseAnalyzerOptions(const std::vector<std::string>& arguments, AnalyzerOptions& options,
                          std::string& error);

std::string AnalyzerUsage();

} // namespace tools
