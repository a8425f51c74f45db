#include "pages/StateFile.h"

#include "pages/BinaryIO.h"
#include "platform/TemporaryFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <array>
#include <cstdint>
#include <system_error>

namespace pages {

namespace {

// Files written but not yet in place are named after their file, ".new-" and six random
// characters that the state file's new file draws; the pictures take the same ending.
constexpr char kNewSuffix[] = ".new-";

std::string Quoted(const std::filesystem::path& path) {
    return "\"" + path.string() + "\"";
}

void RemoveNewFiles(const std::filesystem::path& folder, std::int32_t pages,
                    const std::string& ending) {
    std::error_code ignored;
    std::filesystem::remove(folder / (std::string(kStateFileName) + ending), ignored);
    for (int number = 1; number <= pages; ++number) {
        std::filesystem::remove(folder / (PageImageName(number) + ending), ignored);
    }
}

// Puts the written pictures, then the state file, in place of the old ones.
bool PutNewFilesInPlace(const std::filesystem::path& folder, std::int32_t pages,
                        const std::string& ending) {
    std::error_code error;
    for (int number = 1; number <= pages; ++number) {
        const std::string name = PageImageName(number);
        std::filesystem::rename(folder / (name + ending), folder / name, error);
        if (error) {
            return false;
        }
    }
    std::filesystem::rename(folder / (std::string(kStateFileName) + ending),
                            folder / kStateFileName, error);
    if (error) {
        return false;
    }
    // Make the renames durable too; a failure here loses nothing already written.
    if (const int dir = ::open(folder.c_str(), O_RDONLY | O_CLOEXEC); dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return true;
}

} // namespace

StateFileOutcome LoadState(PageHistory& history, const std::filesystem::path& dataFolder) {
    StateFileOutcome outcome;
    const std::filesystem::path path = dataFolder / kStateFileName;
    DiskBlockFile file;
    if (!file.Open(path.string(), DiskBlockFile::Mode::Read)) {
        return outcome;
    }
    std::array<std::uint8_t, 4> version{};
    if (!ReadBlock(file, version.data(), version.size()) ||
        version != std::array<std::uint8_t, 4>{kStateFileVersion, 0, 0, 0}) {
        return outcome;
    }
    if (TransferPages(&ReadBlock, file, history, PageImageFiles{dataFolder, ""})) {
        outcome.Done = true;
    } else {
        outcome.ErrorMessage = "Error while loading saved state from " + Quoted(path) + ".";
    }
    return outcome;
}

StateFileOutcome SaveState(PageHistory& history, const std::filesystem::path& dataFolder) {
    StateFileOutcome outcome;
    if (!history.PagesChanged()) {
        return outcome;
    }
    const std::filesystem::path path = dataFolder / kStateFileName;
    std::error_code ignored;
    std::filesystem::create_directories(dataFolder, ignored);

    std::string newPath;
    const int fd = platform::CreateTemporaryBeside(path.string(), kNewSuffix, newPath);
    if (fd >= 0) {
        ::close(fd);
    }
    DiskBlockFile file;
    if (fd < 0 || !file.Open(newPath, DiskBlockFile::Mode::Write)) {
        if (fd >= 0) {
            std::filesystem::remove(newPath, ignored);
        }
        outcome.ErrorMessage = "Unable to save state to " + Quoted(path) + ".";
        return outcome;
    }
    const std::string ending = newPath.substr(path.string().size());
    const std::int32_t pages = history.PageCount();
    std::array<std::uint8_t, 4> version{kStateFileVersion, 0, 0, 0};
    bool ok = WriteBlock(file, version.data(), version.size()) &&
              TransferPages(&WriteBlock, file, history, PageImageFiles{dataFolder, ending});
    ok = file.Close() && ok;
    ok = ok && PutNewFilesInPlace(dataFolder, pages, ending);
    if (!ok) {
        RemoveNewFiles(dataFolder, pages, ending);
        history.SetChanged(true);
        outcome.ErrorMessage = "Error while saving state to " + Quoted(path) + ".";
        return outcome;
    }
    outcome.Done = true;
    return outcome;
}

} // namespace pages
