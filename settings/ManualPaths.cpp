#include "settings/ManualPaths.h"

#include <filesystem>
#include <system_error>

namespace tickora {

std::vector<std::string> ManualCandidates(const std::string& executableDir,
                                          const std::string& installedDir) {
    namespace fs = std::filesystem;
    const fs::path dir(executableDir);
    std::vector<std::string> candidates{
        (dir / "Manual" / "index.html").string(),
        (dir / ".." / "Doc" / "index.html").lexically_normal().string()};
    if (!installedDir.empty())
        candidates.push_back((fs::path(installedDir) / "index.html").string());
    return candidates;
}

std::string FindManual(const std::vector<std::string>& candidates) {
    for (const std::string& candidate : candidates) {
        std::error_code ignored;
        if (std::filesystem::is_regular_file(candidate, ignored))
            return candidate;
    }
    return {};
}

} // namespace tickora
