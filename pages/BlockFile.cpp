#include "pages/BlockFile.h"

#include <algorithm>
#include <cstring>
#include <unistd.h>

namespace pages {

DiskBlockFile::~DiskBlockFile() {
    if (file_ != nullptr) {
        std::fclose(file_);
    }
}

bool DiskBlockFile::Open(const std::string& path, Mode mode) {
    Close();
    file_ = std::fopen(path.c_str(), mode == Mode::Read ? "rb" : "wb");
    mode_ = mode;
    return file_ != nullptr;
}

bool DiskBlockFile::Close() {
    if (file_ == nullptr) {
        return true;
    }
    bool ok = true;
    if (mode_ == Mode::Write) {
        // The data must be on the disk before the file replaces an older one.
        ok = std::fflush(file_) == 0 && std::ferror(file_) == 0 && fsync(fileno(file_)) == 0;
    }
    ok = std::fclose(file_) == 0 && ok;
    file_ = nullptr;
    return ok;
}

std::size_t DiskBlockFile::Read(void* buffer, std::size_t count) {
    if (file_ == nullptr || mode_ != Mode::Read) {
        return 0;
    }
    return std::fread(buffer, 1, count, file_);
}

std::size_t DiskBlockFile::Write(const void* buffer, std::size_t count) {
    if (file_ == nullptr || mode_ != Mode::Write) {
        return 0;
    }
    return std::fwrite(buffer, 1, count, file_);
}

std::size_t MemoryBlockFile::Read(void* buffer, std::size_t count) {
    const std::size_t available = input_.size() - readPosition_;
    const std::size_t n = std::min(count, available);
    if (n > 0) {
        std::memcpy(buffer, input_.data() + readPosition_, n);
    }
    readPosition_ += n;
    return n;
}

std::size_t MemoryBlockFile::Write(const void* buffer, std::size_t count) {
    const std::size_t room = writeLimit_ > written_.size() ? writeLimit_ - written_.size() : 0;
    const std::size_t n = std::min(count, room);
    const auto* bytes = static_cast<const std::uint8_t*>(buffer);
    written_.insert(written_.end(), bytes, bytes + n);
    return n;
}

} // namespace pages
