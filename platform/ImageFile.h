#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace platform {

// Whole-file transfers for the picture files.
// ReadWholeFile fails on a missing, unreadable or implausibly large file (over 256 MB).
bool ReadWholeFile(const std::string& path, std::vector<std::uint8_t>& bytes);
// WriteWholeFile writes beside the target and renames over it, so a failed write (a full
// disk, a missing folder) leaves any earlier file intact and no partial file behind.
bool WriteWholeFile(const std::string& path, const std::vector<std::uint8_t>& bytes);

} // namespace platform
