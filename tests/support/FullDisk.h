#pragma once

#include <sys/resource.h>

#include <csignal>

namespace tickora::testing {

// While it lives, no file of this process can grow beyond `bytes`, as on a disk that is
// full: a write past the limit fails (with EFBIG where a full disk gives ENOSPC; the program
// treats both alike). Works for root as well, where a read-only folder does not stop writes.
class FullDisk {
public:
    explicit FullDisk(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &saved_);
        previous_ = std::signal(SIGXFSZ, SIG_IGN); // fail the write instead of ending the process
        rlimit limit = saved_;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FullDisk() {
        setrlimit(RLIMIT_FSIZE, &saved_);
        std::signal(SIGXFSZ, previous_);
    }
    FullDisk(const FullDisk&) = delete;
    FullDisk& operator=(const FullDisk&) = delete;

private:
    rlimit saved_{};
    void (*previous_)(int) = SIG_DFL;
};

} // namespace tickora::testing
