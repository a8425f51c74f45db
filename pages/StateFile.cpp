#include "pages/StateFile.h"

#include "pages/BinaryIO.h"
#include "platform/TemporaryFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <array>
#include <cstdint>
#include <system_error>
#include <vector>

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
        std::filesystem::remove(folder / (PageSoundName(number) + ending), ignored);
    }
}

// Puts each page's sound beside its new picture: a hard link, so that hours of sound are not
// copied, or a copy where the folder takes no links. A sound that cannot be placed leaves its
// page without one.
void WriteNewSounds(PageHistory& history, const std::filesystem::path& folder,
                    const std::string& ending) {
    for (int number = 1; number <= history.PageCount(); ++number) {
        TPageInfo& page = history.PageSlot(number);
        if (page.Sound.empty()) {
            continue;
        }
        const std::filesystem::path target = folder / (PageSoundName(number) + ending);
        std::error_code error;
        std::filesystem::create_hard_link(page.Sound, target, error);
        if (error) {
            error.clear();
            std::filesystem::copy_file(page.Sound, target,
                                       std::filesystem::copy_options::overwrite_existing, error);
        }
        if (error) {
            std::filesystem::remove(target, error);
            page.Sound.clear();
        }
    }
}

// Puts the written pictures, then the state file, in place of the old ones.
bool PutNewFilesInPlace(PageHistory& history, const std::filesystem::path& folder,
                        std::int32_t pages, const std::string& ending) {
    std::error_code error;
    for (int number = 1; number <= pages; ++number) {
        const std::string name = PageImageName(number);
        std::filesystem::rename(folder / (name + ending), folder / name, error);
        if (error) {
            return false;
        }
        // A page without a sound must not find an older page's at its number.
        const std::string sound = PageSoundName(number);
        if (history.PageSlot(number).Sound.empty()) {
            std::filesystem::remove(folder / sound, error);
        } else {
            std::filesystem::rename(folder / (sound + ending), folder / sound, error);
            // Where the page's sound already was its number's file, both names are links to
            // one file, and such a rename leaves the new name in place.
            std::error_code ignored;
            std::filesystem::remove(folder / (sound + ending), ignored);
        }
        if (error) {
            return false;
        }
    }
    for (int number = pages + 1; number <= PageHistory::kMaxPages; ++number) {
        std::filesystem::remove(folder / PageSoundName(number), error);
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

void RemoveUnsavedSounds(const std::filesystem::path& folder) {
    const std::string prefix = std::string(kPageSoundName) + kUnsavedSoundSuffix;
    std::error_code error;
    std::vector<std::filesystem::path> unsaved;
    std::filesystem::directory_iterator entries(folder, error);
    for (; !error && entries != std::filesystem::directory_iterator(); entries.increment(error)) {
        if (entries->path().filename().string().rfind(prefix, 0) == 0) {
            unsaved.push_back(entries->path());
        }
    }
    for (const std::filesystem::path& path : unsaved) {
        std::filesystem::remove(path, error);
    }
}

std::string PageSoundName(int number) {
    return std::to_string(number) + ".flac";
}

std::string NewPageSoundFile(const std::filesystem::path& dataFolder) {
    std::error_code ignored;
    std::filesystem::create_directories(dataFolder, ignored);
    std::string path;
    const int fd = platform::CreateTemporaryBeside((dataFolder / kPageSoundName).string(),
                                                   kUnsavedSoundSuffix, path);
    if (fd < 0) {
        return {};
    }
    ::close(fd);
    return path;
}

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
    for (int number = 1; number <= history.PageCount(); ++number) {
        const std::filesystem::path sound = dataFolder / PageSoundName(number);
        std::error_code error;
        history.PageSlot(number).Sound =
            std::filesystem::is_regular_file(sound, error) ? sound.string() : std::string();
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
    if (ok) {
        WriteNewSounds(history, dataFolder, ending);
    }
    ok = ok && PutNewFilesInPlace(history, dataFolder, pages, ending);
    if (!ok) {
        RemoveNewFiles(dataFolder, pages, ending);
        history.SetChanged(true);
        outcome.ErrorMessage = "Error while saving state to " + Quoted(path) + ".";
        return outcome;
    }
    for (int number = 1; number <= pages; ++number) {
        std::string& sound = history.PageSlot(number).Sound;
        if (!sound.empty()) {
            sound = (dataFolder / PageSoundName(number)).string();
        }
    }
    RemoveUnsavedSounds(dataFolder);
    outcome.Done = true;
    return outcome;
}

} // namespace pages
