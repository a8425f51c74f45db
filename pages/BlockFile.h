#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <span>
#include <string>
#include <vector>

namespace pages {

// An open untyped byte file for the block routines of the state file. Reads and writes
// report how many bytes they moved; an error or the end of the file moves fewer.
class BlockFile {
public:
    virtual ~BlockFile() = default;
    virtual std::size_t Read(void* buffer, std::size_t count) = 0;
    virtual std::size_t Write(const void* buffer, std::size_t count) = 0;
};

// A file on disk.
class DiskBlockFile : public BlockFile {
public:
    enum class Mode { Read, Write }; // Write creates or truncates
    DiskBlockFile() = default;
    ~DiskBlockFile() override;
    DiskBlockFile(const DiskBlockFile&) = delete;
    DiskBlockFile& operator=(const DiskBlockFile&) = delete;

    bool Open(const std::string& path, Mode mode);
    bool IsOpen() const { return file_ != nullptr; }
    // Flushes what was written to the disk (written files) and closes; false when the system
    // reported an error on the way.
    bool Close();

    std::size_t Read(void* buffer, std::size_t count) override;
    std::size_t Write(const void* buffer, std::size_t count) override;

private:
    std::FILE* file_ = nullptr;
    Mode mode_ = Mode::Read;
};

// Bytes in memory: reads come from the given bytes, writes are appended to Written().
// Reading never goes past the end; the fuzz target and byte-exact tests use it.
class MemoryBlockFile : public BlockFile {
public:
    MemoryBlockFile() = default;
    explicit MemoryBlockFile(std::span<const std::uint8_t> bytes) : input_(bytes) {}

    std::size_t Read(void* buffer, std::size_t count) override;
    std::size_t Write(const void* buffer, std::size_t count) override;

    const std::vector<std::uint8_t>& Written() const { return written_; }
    // Writes beyond this many bytes in all fail, standing in for a full disk.
    void SetWriteLimit(std::size_t limit) { writeLimit_ = limit; }

private:
    std::span<const std::uint8_t> input_;
    std::size_t readPosition_ = 0;
    std::vector<std::uint8_t> written_;
    std::size_t writeLimit_ = SIZE_MAX;
};

} // namespace pages
