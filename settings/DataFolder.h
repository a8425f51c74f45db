#pragma once

#include <string>
#include <string_view>

namespace tickora {

// The per-user data folder: $XDG_DATA_HOME/Tickora, else ~/.local/share/Tickora. Only an
// absolute XDG_DATA_HOME counts (a relative one is ignored, as the XDG rules ask). Tests
// point it elsewhere by setting XDG_DATA_HOME before the call.
std::string DataFolder();

// The full path of `name` in the data folder. The folder and its parents are created when
// missing; a failure to create them is left for the caller's file operation to report.
std::string DataFilePath(std::string_view name);

} // namespace tickora
