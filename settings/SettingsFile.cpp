#include "settings/SettingsFile.h"

#include "settings/DeviceNames.h"
#include "settings/SettingsNumbers.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace tickora {

namespace {

constexpr double kMinGain = 1.0; // the gain never leaves 1 to 256
constexpr double kMaxGain = 256.0;

const char* BoolText(bool value) {
    return value ? "TRUE" : "FALSE";
}

char LowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EqualIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return LowerAscii(x) == LowerAscii(y);
           });
}

// The entry a saved device name selects: the one equal to it; else the one device whose name
// an older version saved it as (cut, without its sound system); else entry 0, the mapper
// (none: no entry fits at all, the input has gone).
std::optional<int> SelectedDevice(std::string_view line, const std::vector<std::string>& entries) {
    for (std::size_t i = 0; i < entries.size(); ++i)
        if (EqualIgnoringCase(line, entries[i]))
            return static_cast<int>(i);
    std::optional<int> found;
    for (std::size_t i = 1; i < entries.size(); ++i) {
        if (IsOldDeviceName(line, entries[i])) {
            if (found)
                return 0; // two devices fit: neither is known to be meant
            found = static_cast<int>(i);
        }
    }
    return found;
}

std::string EntryText(const std::vector<std::string>& entries, int index) {
    return (index >= 0 && static_cast<std::size_t>(index) < entries.size()) ? entries[index] : "";
}

// Splits the next line off `rest`; false at the end of the input.
bool NextLine(std::string_view& rest, std::string_view& line) {
    if (rest.empty())
        return false;
    const auto end = rest.find_first_of("\r\n");
    if (end == std::string_view::npos) {
        line = rest;
        rest = {};
        return true;
    }
    line = rest.substr(0, end);
    const bool crlf = rest[end] == '\r' && end + 1 < rest.size() && rest[end + 1] == '\n';
    rest.remove_prefix(end + (crlf ? 2 : 1));
    return true;
}

std::string SystemMessage(const char* what, const std::string& path, int error) {
    return std::string(what) + " \"" + path + "\": " + std::strerror(error) + ".";
}

bool WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

} // namespace

std::string FormatSettingsFile(const SettingsValues& values) {
    const std::string lines[kSettingsLineCount] = {
        values.Rate,
        values.Angle,
        values.Period,
        values.Scale,
        values.Calibration,
        values.Sweep,
        BoolText(values.Pause),
        values.Settling,
        BoolText(values.PlotRaw),
        BoolText(values.Manual),
        values.Filtering >= 0 &&
                static_cast<std::size_t>(values.Filtering) < kFilteringEntries.size()
            ? std::string(kFilteringEntries[values.Filtering])
            : std::string(),
        values.MissingInput.empty() ? EntryText(values.InputDevices, values.InputDevice)
                                    : values.MissingInput,
        FormatGain(values.Gain),
        std::to_string(values.Weights[0]),
        std::to_string(values.Weights[1]),
        std::to_string(values.Weights[2]),
        std::to_string(values.Weights[3]),
        std::to_string(values.Weights[4]),
        std::to_string(values.Weights[5]),
    };
    std::string bytes;
    for (const std::string& line : lines) {
        // A line end inside a text would shift every later line; it is written as a blank.
        for (const char c : line)
            bytes += (c == '\r' || c == '\n') ? ' ' : c;
        bytes += "\r\n";
    }
    return bytes;
}

void ParseSettingsFile(std::string_view bytes, SettingsValues& values) {
    std::string_view rest = bytes;
    std::string_view line;
    values.MissingInput.clear();
    for (int number = 1; number <= kSettingsLineCount && NextLine(rest, line); ++number) {
        switch (number) {
        case 1:
            values.Rate = line;
            break;
        case 2:
            values.Angle = line;
            break;
        case 3:
            values.Period = line;
            break;
        case 4:
            values.Scale = line;
            break;
        case 5:
            values.Calibration = line;
            break;
        case 6:
            values.Sweep = line;
            break;
        case 7:
            values.Pause = line == "TRUE";
            break;
        case 8:
            values.Settling = line;
            break;
        case 9:
            values.PlotRaw = line == "TRUE";
            break;
        case 10:
            values.Manual = line == "TRUE";
            break;
        case 11: {
            // Older files stored a Boolean here: TRUE meant the wide filter.
            int selected = 0;
            if (line == "TRUE") {
                selected = 1;
            } else {
                for (std::size_t i = 0; i < kFilteringEntries.size(); ++i)
                    if (EqualIgnoringCase(line, kFilteringEntries[i]))
                        selected = static_cast<int>(i);
            }
            values.Filtering = selected;
            break;
        }
        case 12: {
            const std::optional<int> selected = SelectedDevice(line, values.InputDevices);
            values.InputDevice = selected.value_or(0);
            values.MissingInput = selected || line.empty() ? std::string() : std::string(line);
            break;
        }
        case 13:
            if (const auto gain = ParseDecimal(line))
                values.Gain = std::clamp(*gain, kMinGain, kMaxGain);
            break;
        default:
            values.Weights[number - 14] = ParseInteger(line).value_or(1);
            break;
        }
    }
}

FileResult ReadSettingsBytes(const std::string& path, std::string& bytes, bool& exists) {
    bytes.clear();
    exists = false;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOENT || errno == ENOTDIR)
            return {};
        return {SystemMessage("Cannot read the settings file", path, errno)};
    }
    exists = true;
    char block[4096];
    while (bytes.size() < kMaxSettingsFileSize) {
        const ssize_t got = ::read(fd, block, sizeof block);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            const int error = errno;
            ::close(fd);
            bytes.clear();
            return {SystemMessage("Cannot read the settings file", path, error)};
        }
        if (got == 0)
            break;
        bytes.append(block, std::min<std::size_t>(static_cast<std::size_t>(got),
                                                  kMaxSettingsFileSize - bytes.size()));
    }
    ::close(fd);
    return {};
}

FileResult WriteFileReplacing(const std::string& path, std::string_view bytes) {
    const char* what = "Cannot save the settings file";
    int fd = -1;
    std::string temporary;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        temporary = path + ".tmp" + std::to_string(::getpid()) + "-" + std::to_string(attempt);
        fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST)
            return {SystemMessage(what, path, errno)};
    }
    if (fd < 0)
        return {SystemMessage(what, path, EEXIST)};

    int error = 0;
    if (!WriteAll(fd, bytes) || ::fsync(fd) != 0)
        error = errno;
    if (::close(fd) != 0 && error == 0)
        error = errno;
    if (error == 0 && ::rename(temporary.c_str(), path.c_str()) != 0)
        error = errno;
    if (error != 0) {
        ::unlink(temporary.c_str());
        return {SystemMessage(what, path, error)};
    }
    // Make the rename itself durable; a failure here loses nothing already written.
    const std::string folder = std::filesystem::path(path).parent_path().string();
    if (const int dir = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_CLOEXEC);
        dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return {};
}

} // namespace tickora
