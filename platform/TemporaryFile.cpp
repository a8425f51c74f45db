#include "platform/TemporaryFile.h"

#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <vector>

namespace platform {

int CreateTemporaryBeside(const std::string& target, const std::string& suffix, std::string& path) {
    std::string pattern = target + suffix + "XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    // mkostemp creates the file exclusively, so an existing file is never reused.
    const int fd = mkostemp(name.data(), O_CLOEXEC);
    if (fd < 0) {
        return -1;
    }
    // mkostemp leaves the file to its owner alone; it gets the permissions any new file of
    // the program gets, as the file it is to become would have had.
    const mode_t mask = umask(0);
    umask(mask);
    if (fchmod(fd, 0666 & ~mask) != 0) {
        close(fd);
        unlink(name.data());
        return -1;
    }
    path.assign(name.data());
    return fd;
}

} // namespace platform
