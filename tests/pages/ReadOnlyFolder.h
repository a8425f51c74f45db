#pragma once

#include <sys/fsuid.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <system_error>

namespace pages_test {

// Makes a folder read-only for as long as it lives, as a data folder that the user may read
// but not write: the folder loses its write permissions, and a test running as root (who
// writes anywhere) takes the file system identity of an unprivileged user meanwhile
// (setfsuid, for this thread only). Effective() says whether writing is really refused.
class ReadOnlyFolder {
public:
    explicit ReadOnlyFolder(std::filesystem::path folder) : folder_(std::move(folder)) {
        namespace fs = std::filesystem;
        saved_ = fs::status(folder_).permissions();
        fs::permissions(folder_, fs::perms::owner_read | fs::perms::owner_exec |
                                     fs::perms::group_read | fs::perms::group_exec |
                                     fs::perms::others_read | fs::perms::others_exec);
        if (geteuid() == 0) {
            setfsuid(kNobody);
            asNobody_ = static_cast<uid_t>(setfsuid(kNobody)) == kNobody;
        }
        const fs::path probe = folder_ / ".write-probe";
        effective_ = !std::ofstream(probe).is_open();
        std::error_code ignored;
        fs::remove(probe, ignored);
    }
    ~ReadOnlyFolder() {
        if (asNobody_)
            setfsuid(0);
        std::error_code ignored;
        std::filesystem::permissions(folder_, saved_, ignored);
    }
    ReadOnlyFolder(const ReadOnlyFolder&) = delete;
    ReadOnlyFolder& operator=(const ReadOnlyFolder&) = delete;

    bool Effective() const { return effective_; }

private:
    static constexpr uid_t kNobody = 65534;
    std::filesystem::path folder_;
    std::filesystem::perms saved_{};
    bool asNobody_ = false;
    bool effective_ = false;
};

} // namespace pages_test
