#pragma once

#include <string>

namespace platform {

// The save dialogs' rule: a name typed without an extension gets the default one
// ("png" or ".png"); a name with any extension, or an empty default, stays as it is.
std::string AppendDefaultExtension(const std::string& fileName,
                                   const std::string& defaultExtension);

} // namespace platform
