#pragma once

#include <string>
#include <vector>

namespace tickora {

// Where Help looks for the manual's first page, in order: "Manual/index.html" beside the
// executable, "../Doc/index.html" from there, then the installed manual in installedDir.
std::vector<std::string> ManualCandidates(const std::string& executableDir,
                                          const std::string& installedDir);

// The first candidate that is a file; empty when there is none.
std::string FindManual(const std::vector<std::string>& candidates);

} // namespace tickora
