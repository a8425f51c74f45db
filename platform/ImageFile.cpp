#include "platform/ImageFile.h"

#include "platform/TemporaryFile.h"

#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstdlib>

namespace platform {

namespace {

constexpr long kMaxFileBytes = 256L << 20; // bytes

// The file a name stands for: a symbolic link is written through, not replaced.
std::string ResolvedTarget(const std::string& path) {
    struct stat link {};
    if (lstat(path.c_str(), &link) != 0 || !S_ISLNK(link.st_mode)) {
        return path;
    }
    char resolved[PATH_MAX];
    return realpath(path.c_str(), resolved) != nullptr ? std::string(resolved) : path;
}

} // namespace

bool ReadWholeFile(const std::string& path, std::vector<std::uint8_t>& bytes) {
    bytes.clear();
    struct stat info {};
    if (stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode) || info.st_size > kMaxFileBytes) {
        return false;
    }
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        return false;
    }
    bool ok = std::fseek(file, 0, SEEK_END) == 0;
    const long size = ok ? std::ftell(file) : -1;
    ok = ok && size >= 0 && size <= kMaxFileBytes && std::fseek(file, 0, SEEK_SET) == 0;
    if (ok) {
        bytes.resize(static_cast<std::size_t>(size));
        ok = bytes.empty() || std::fread(bytes.data(), 1, bytes.size(), file) == bytes.size();
    }
    std::fclose(file);
    if (!ok) {
        bytes.clear();
    }
    return ok;
}

bool WriteWholeFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    const std::string target = ResolvedTarget(path);
    struct stat existing {};
    const bool exists = stat(target.c_str(), &existing) == 0;
    // A read-only file stays as it is, although replacing it by rename would be allowed.
    if (exists && (!S_ISREG(existing.st_mode) || access(target.c_str(), W_OK) != 0)) {
        return false;
    }
    std::string temporary;
    const int fd = CreateTemporaryBeside(target, ".part-", temporary);
    if (fd < 0) {
        return false;
    }
    std::FILE* file = fdopen(fd, "wb");
    if (file == nullptr) {
        close(fd);
        std::remove(temporary.c_str());
        return false;
    }
    bool ok = bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    // On the disk before the rename, so a crash leaves the old picture or the whole new one.
    ok = std::fflush(file) == 0 && fsync(fileno(file)) == 0 && ok;
    if (ok && exists) {
        // The replacement keeps the permissions of the file it replaces.
        ok = fchmod(fileno(file), existing.st_mode & 07777) == 0;
    }
    ok = std::fclose(file) == 0 && ok;
    if (ok && std::rename(temporary.c_str(), target.c_str()) == 0) {
        return true;
    }
    std::remove(temporary.c_str());
    return false;
}

} // namespace platform
