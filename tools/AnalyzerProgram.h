#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace tools {

// tickora-analyze: reads the options, analyses the recording or the demo watch and prints
// the result. Returns the exit status: 0 with a result, 1 when the analysis found none
// (calibration failed, sound too short), 2 for a bad option or an unreadable file.
int RunAnalyzer(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err);

} // namespace tools
