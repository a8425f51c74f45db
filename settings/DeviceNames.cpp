#include "settings/DeviceNames.h"

#include <algorithm>
#include <cctype>

namespace tickora {

std::string CutName(const std::string& name, std::size_t maxBytes) {
    if (name.size() <= maxBytes) {
        return name;
    }
    std::size_t end = maxBytes;
    // Step back over continuation bytes (10xxxxxx) to the start of the cut character.
    while (end > 0 && (static_cast<unsigned char>(name[end]) & 0xC0) == 0x80) {
        --end;
    }
    return name.substr(0, end);
}

std::string ListedDeviceName(const std::string& name, const std::string& soundSystem) {
    return soundSystem.empty() ? name : name + " (" + soundSystem + ")";
}

bool IsOldDeviceName(std::string_view saved, std::string_view entry) {
    // The device's own name: the entry without its sound system (the last bracket).
    const std::size_t open = entry.rfind(" (");
    if (saved.empty() || entry.empty() || entry.back() != ')' || open == std::string_view::npos) {
        return false;
    }
    const std::string old = CutName(std::string(entry.substr(0, open)), kOldDeviceNameBytes);
    return std::equal(old.begin(), old.end(), saved.begin(), saved.end(), [](char a, char b) {
        return std::tolower(static_cast<unsigned char>(a)) ==
               std::tolower(static_cast<unsigned char>(b));
    });
}

} // namespace tickora
