#pragma once

#include "settings/SettingsValues.h"

#include <string>
#include <string_view>

namespace tickora {

// "Settings.ini": 19 text lines in a fixed order, one value per line, each ending in CR LF:
// rate, angle, period, scale, correction, sweep, pause, settling, plot raw, manual,
// filtering, input device, gain, then the six weights.
inline constexpr int kSettingsLineCount = 19;
inline constexpr std::size_t kMaxSettingsFileSize = 64 * 1024; // bytes read at most

// The file's bytes for the given values. Texts are written as they stand.
std::string FormatSettingsFile(const SettingsValues& values);

// Applies the lines found in `bytes` to `values`, in order; a short input sets only its first
// lines. Lines end in CR LF, LF or CR. Texts are taken without any check; "TRUE" (case counts)
// checks a box; the filtering and device lines select the entry equal to them without regard
// to case. Any byte sequence is safe to pass. Gain and weights are not reset here.
void ParseSettingsFile(std::string_view bytes, SettingsValues& values);

// Result of a file transfer: empty on success, else the message for the user, which names the
// file and gives the system's reason.
struct FileResult {
    std::string error;
    bool Ok() const { return error.empty(); }
};

// Reads the file at `path` into `bytes` (at most kMaxSettingsFileSize). `exists` is false, and
// the result Ok, when there is no file.
FileResult ReadSettingsBytes(const std::string& path, std::string& bytes, bool& exists);

// Writes `bytes` to a temporary file beside `path`, flushes it to disk and renames it over
// `path`; on any failure the old file is left as it was and the temporary file removed.
FileResult WriteFileReplacing(const std::string& path, std::string_view bytes);

} // namespace tickora
