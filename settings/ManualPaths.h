#pragma once

#include <string>
#include <vector>

namespace tickora {

// Where Help looks for the manual's first page, in order: "Manual/index.html" beside the
// executable, "../Doc/index.html" from there, then "index.html" in each installed manual
// folder. A relative installed folder counts from the executable's folder, so a program
// installed under any prefix finds the manual installed with it; an absolute one stands as
// it is. Empty folders are left out.
std::vector<std::string> ManualCandidates(const std::string& executableDir,
                                          const std::vector<std::string>& installedDirs);

// The first candidate that is a file; empty when there is none.
std::string FindManual(const std::vector<std::string>& candidates);

} // namespace tickora
