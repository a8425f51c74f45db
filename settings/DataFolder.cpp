#include "settings/DataFolder.h"

#include <cstdlib>
#include <filesystem>
#include <pwd.h>
#include <system_error>
#include <unistd.h>

namespace tickora {

namespace {

constexpr const char* kFolderName = "Tickora";

std::filesystem::path HomeFolder() {
    if (const char* home = std::getenv("HOME"); home != nullptr && home[0] != '\0')
        return home;
    if (const passwd* entry = getpwuid(getuid()); entry != nullptr && entry->pw_dir != nullptr)
        return entry->pw_dir;
    return std::filesystem::current_path();
}

std::filesystem::path UserDataHome() {
    if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg != nullptr && xdg[0] == '/')
        return xdg;
    return HomeFolder() / ".local" / "share";
}

} // namespace

std::string DataFolder() {
    return (UserDataHome() / kFolderName).string();
}

std::string DataFilePath(std::string_view name) {
    const std::filesystem::path folder = DataFolder();
    std::error_code ignored;
    if (!std::filesystem::is_directory(folder, ignored))
        std::filesystem::create_directories(folder, ignored);
    return (folder / std::filesystem::path(name)).string();
}

} // namespace tickora
