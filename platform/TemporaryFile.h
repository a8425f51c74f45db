#pragma once

#include <string>

namespace platform {

// Creates a new, empty file for writing beside target (in its folder), under a name that
// no other file has: the target's name, suffix, then six random characters, with the
// permissions of a new file (0666 less the umask). Returns its open descriptor
// (close-on-exec) and sets path, or -1 with errno set when the folder
// does not take it. The caller renames it into place or removes it.
int CreateTemporaryBeside(const std::string& target, const std::string& suffix, std::string& path);

} // namespace platform
