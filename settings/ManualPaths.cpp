#include "settings/ManualPaths.h"

#include <filesystem>
#include <system_error>

namespace tickora {

std::vector<std::string> ManualCandidates(const std::string& executableDir,
                                          const std::vector<std::string>& installedDirs) {
    namespace fs = std::filesystem;
    const fs::path dir(executableDir);
    std::vector<std::string> candidates{
        (dir / "Manual" / "index.html").string(),
        (dir / ".." / "Doc" / "index.html").lexically_normal().string()};
    for (const std::string& installed : installedDirs) {
        if (installed.empty())
            continue;
        const fs::path folder(installed);
        const fs::path page = (folder.is_absolute() ? folder : dir / folder) / "index.html";
        const std::string candidate = page.lexically_normal().string();
        bool known = false;
        for (const std::string& earlier : candidates)
            known = known || earlier == candidate;
        if (!known)
            candidates.push_back(candidate);
    }
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
