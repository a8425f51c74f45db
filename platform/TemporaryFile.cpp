#include "platform/TemporaryFile.h"

#include <fcntl.h>
#include <stdlib.h>

#include <vector>

namespace platform {

int CreateTemporaryBeside(const std::string& target, const std::string& suffix,
                          std::string& path) {
    std::string pattern = target + suffix + "XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    // mkostemp creates the file exclusively, so an existing file is never reused.
    const int fd = mkostemp(name.data(), O_CLOEXEC);
    if (fd >= 0) {
        path.assign(name.data());
    }
    return fd;
}

} // namespace platform
