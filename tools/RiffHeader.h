#pragma once

#include <cstdint>
#include <cstring>
#include <fstream>
#include <string>

namespace tools {

inline constexpr const char* kDamagedRiff = "the file's header is damaged";

// A RIFF file (WAV, RF64, or RIFX with its lengths big-endian) whose chunks do not hold
// together: before the sound a chunk named with bytes that are no letters, or any chunk that
// runs past the end of the file. Such headers can send the sound file library into a loop it
// never leaves, or keep it busy for minutes, so they are refused first. A short data chunk (a
// recording cut off) is accepted, and so are bytes after the sound that are no chunk at all
// (padding). readAt(offset, bytes, count) fills count bytes from offset and tells whether it
// could.
template <class ReadAt> inline bool DamagedRiff(std::int64_t size, ReadAt readAt) {
    unsigned char head[12];
    if (size < 12 || !readAt(0, head, 12)) {
        return false;
    }
    const bool bigEndian = std::memcmp(head, "RIFX", 4) == 0;
    const bool riff =
        bigEndian || std::memcmp(head, "RIFF", 4) == 0 || std::memcmp(head, "RF64", 4) == 0;
    if (!riff || std::memcmp(head + 8, "WAVE", 4) != 0) {
        return false; // not a RIFF WAVE file: the library judges it alone
    }
    std::int64_t at = 12;
    bool afterData = false;
    for (int chunks = 0; at + 8 <= size; ++chunks) {
        unsigned char chunk[8];
        if (chunks > 100000 || !readAt(at, chunk, 8)) {
            return true;
        }
        for (int k = 0; k < 4; ++k) {
            if (chunk[k] < 0x20 || chunk[k] > 0x7e) {
                return !afterData;
            }
        }
        const unsigned char* const n = chunk + 4;
        const std::int64_t length =
            bigEndian ? (static_cast<std::int64_t>(n[0]) << 24) | (n[1] << 16) | (n[2] << 8) | n[3]
                      : (static_cast<std::int64_t>(n[3]) << 24) | (n[2] << 16) | (n[1] << 8) | n[0];
        if (std::memcmp(chunk, "data", 4) == 0) {
            if (at + 8 + length > size) {
                return false; // sound cut short (or still being written): read what there is
            }
            afterData = true;
        } else if (at + 8 + length > size) {
            return true;
        }
        at += 8 + length + (length & 1);
    }
    return false;
}

// The same for a file on disk; false when it cannot be read (the library then says why).
inline bool DamagedRiffFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    in.seekg(0, std::ios::end);
    const std::int64_t size = in ? static_cast<std::int64_t>(in.tellg()) : 0;
    auto readAt = [&in](std::int64_t offset, unsigned char* bytes, int count) {
        in.seekg(offset);
        return static_cast<bool>(in.read(reinterpret_cast<char*>(bytes), count));
    };
    return in && DamagedRiff(size, readAt);
}

} // namespace tools
