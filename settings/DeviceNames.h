#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace tickora {

// Input device names as the device list shows them and "Settings.ini" keeps them: the
// device's whole name, then the sound system it belongs to in brackets, "system (JACK)".
// Earlier versions kept only the first 31 bytes of the name and no sound system; such a
// name still finds its device when it fits only one.

inline constexpr std::size_t kOldDeviceNameBytes = 31; // what earlier versions kept

// Cuts a UTF-8 name to at most maxBytes without splitting a character.
std::string CutName(const std::string& name, std::size_t maxBytes);

// "name (soundSystem)"; the bare name when there is no sound system.
std::string ListedDeviceName(const std::string& name, const std::string& soundSystem);

// Whether saved, a device name from an older settings file, is entry's device name as
// earlier versions kept it (cut, no sound system), without regard to case.
bool IsOldDeviceName(std::string_view saved, std::string_view entry);

} // namespace tickora
