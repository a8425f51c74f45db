#include "tools/SoundRecorder.h"

#include "platform/TemporaryFile.h"

#include <sndfile.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <system_error>
#include <vector>

namespace tools {

namespace {

// A new, empty file's name beside folder / name; empty with error set when none can be made.
std::string NewFileName(const std::filesystem::path& folder, const char* name, std::string& error) {
    std::string path;
    const int fd =
        platform::CreateTemporaryBeside((folder / name).string(), SoundRecorder::kNewSuffix, path);
    if (fd < 0) {
        error = std::strerror(errno);
        return {};
    }
    ::close(fd);
    return path;
}

// Decodes the opened segments, the first skip samples left out, and encodes them into target;
// the copying thread's whole work. Returns the error, empty when all went well.
std::string CopySegments(std::vector<SNDFILE*> inputs, std::int64_t skip,
                         const std::string& target) {
    std::string error;
    SoundFileWriter out;
    if (!out.Open(target, SoundRecorder::kSampleRate, 1, SoundFileFormat::Flac)) {
        error = out.Error();
    }
    std::vector<std::int16_t> buffer(8192);
    for (SNDFILE* in : inputs) {
        if (skip > 0) {
            sf_seek(in, skip, SEEK_SET);
            skip = 0;
        }
        sf_count_t read = 0;
        while (error.empty() &&
               (read = sf_readf_short(in, buffer.data(), static_cast<sf_count_t>(buffer.size()))) >
                   0) {
            if (!out.Write(buffer.data(), static_cast<std::size_t>(read))) {
                error = out.Error();
            }
        }
        sf_close(in);
    }
    if (!out.Close() && error.empty()) {
        error = out.Error();
    }
    if (!error.empty()) {
        std::error_code ignored;
        std::filesystem::remove(target, ignored);
    }
    return error;
}

} // namespace

SoundRecorder::~SoundRecorder() {
    Stop();
    WaitForCopies();
}

bool SoundRecorder::WaitForCopies() {
    bool done = true;
    for (std::future<std::string>& copy : copies_) {
        if (const std::string error = copy.get(); !error.empty()) {
            error_ = error;
            done = false;
        }
    }
    copies_.clear();
    return done;
}

bool SoundRecorder::Start(const std::filesystem::path& folder) {
    Stop();
    folder_ = folder;
    error_.clear();
    std::error_code ignored;
    std::filesystem::create_directories(folder_, ignored);
    recording_ = true;
    // Opened now, so that a folder that takes no file is told at the start of the test.
    return OpenSegment();
}

bool SoundRecorder::OpenSegment() {
    const std::string path = NewFileName(folder_, kSegmentName, error_);
    if (path.empty()) {
        Fail(error_);
        return false;
    }
    segments_.push_back(Segment{path, 0});
    if (!writer_.Open(path, kSampleRate, 1, SoundFileFormat::Flac)) {
        Fail(writer_.Error());
        return false;
    }
    writing_ = true;
    return true;
}

bool SoundRecorder::CloseSegment() {
    writing_ = false;
    if (!writer_.Close()) {
        Fail(writer_.Error());
        return false;
    }
    DropOldSegments();
    return true;
}

bool SoundRecorder::Append(const std::int16_t* samples, std::size_t count) {
    while (recording_ && count > 0) {
        if (!writing_ && !OpenSegment()) {
            return false;
        }
        Segment& segment = segments_.back();
        const auto room = static_cast<std::size_t>(kSegmentFrames - segment.frames);
        const std::size_t now = std::min(count, room);
        if (!writer_.Write(samples, now)) {
            Fail(writer_.Error());
            return false;
        }
        segment.frames += static_cast<std::int64_t>(now);
        samples += now;
        count -= now;
        DropOldSegments();
        if (segment.frames == kSegmentFrames && !CloseSegment()) {
            return false;
        }
    }
    return recording_;
}

// Checked with every buffer, so that the segments never hold more than 30 minutes and the
// oldest segment: 35 minutes at most.
void SoundRecorder::DropOldSegments() {
    std::int64_t total = KeptFrames();
    while (segments_.size() > 1 && total - segments_.front().frames >= kKeptSeconds * kSampleRate) {
        total -= segments_.front().frames;
        std::error_code ignored;
        std::filesystem::remove(segments_.front().path, ignored);
        segments_.pop_front();
    }
}

std::int64_t SoundRecorder::KeptFrames() const {
    std::int64_t total = 0;
    for (const Segment& segment : segments_) {
        total += segment.frames;
    }
    return total;
}

bool SoundRecorder::CopyLastSound(const std::string& target) {
    if (!recording_) {
        return false;
    }
    const std::int64_t total = KeptFrames();
    if (total == 0) {
        error_ = "no sound was recorded";
        return false;
    }
    // The open segment is finished, so that its last frames can be read; the next buffer
    // begins a new one.
    if (writing_ && !CloseSegment()) {
        return false;
    }
    std::int64_t skip = std::max<std::int64_t>(0, total - kKeptSeconds * kSampleRate);
    std::error_code error;
    if (segments_.size() == 1 && skip == 0) {
        std::filesystem::remove(target, error);
        std::filesystem::create_hard_link(segments_.front().path, target, error);
        if (!error) {
            return true;
        }
    }
    std::vector<SNDFILE*> inputs;
    for (const Segment& segment : segments_) {
        if (inputs.empty() && skip >= segment.frames) {
            skip -= segment.frames;
            continue;
        }
        SF_INFO info{};
        SNDFILE* in = sf_open(segment.path.c_str(), SFM_READ, &info);
        if (in == nullptr) {
            error_ = sf_strerror(nullptr);
            for (SNDFILE* opened : inputs) {
                sf_close(opened);
            }
            return false;
        }
        inputs.push_back(in);
    }
    copies_.push_back(
        std::async(std::launch::async, CopySegments, std::move(inputs), skip, target));
    return true;
}

void SoundRecorder::Fail(const std::string& error) {
    Stop();
    error_ = error;
}

void SoundRecorder::Stop() {
    if (writing_) {
        writer_.Close();
        writing_ = false;
    }
    recording_ = false;
    std::error_code ignored;
    for (const Segment& segment : segments_) {
        std::filesystem::remove(segment.path, ignored);
    }
    segments_.clear();
}

void SoundRecorder::RemoveLeftovers(const std::filesystem::path& folder) {
    const std::string segment = std::string(kSegmentName) + kNewSuffix;
    std::error_code error;
    std::filesystem::directory_iterator entries(folder, error);
    std::vector<std::filesystem::path> leftovers;
    for (; !error && entries != std::filesystem::directory_iterator(); entries.increment(error)) {
        const std::string name = entries->path().filename().string();
        if (name.rfind(segment, 0) == 0) {
            leftovers.push_back(entries->path());
        }
    }
    for (const std::filesystem::path& path : leftovers) {
        std::filesystem::remove(path, error);
    }
}

} // namespace tools
