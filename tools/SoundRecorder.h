#pragma once

#include "tools/SoundFileWriter.h"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <future>
#include <string>
#include <vector>

namespace tools {

// Records a test's sound, as the analysis receives it (16-bit mono at 44100 samples/s), so
// that each page made from the test keeps the sound it came from.
//
// The sound goes to a ring of FLAC segments of at most five minutes in the data folder
// ("Recording.flac.new-" and six random characters); a segment is dropped once the later
// ones hold the last 30 minutes, so a test of hours never takes more than 35 minutes of disk.
// CopyLastSound makes a page's own file from them: a hard link when one segment holds it all
// (a test shorter than five minutes costs no copy), else the last 30 minutes decoded and
// encoded again into one file. That takes seconds for half an hour, and the test must not
// miss its buffers meanwhile, so it runs on a thread of its own: the segments it needs are
// opened first (so that the ring may drop them meanwhile), and the thread touches nothing but
// them and its file. WaitForCopies waits for every copy begun, before a page's sound is read
// or saved.
//
// The first failure (a full or read-only disk) ends the recording: the segments are
// removed, Error() says why, and nothing more is written until the next Start.
// Every call runs on the caller's thread (the GUI thread); nothing is allocated per buffer.
class SoundRecorder {
public:
    static constexpr int kSampleRate = 44100;                      // samples/s
    static constexpr std::int64_t kKeptSeconds = 30 * 60;          // s kept for a page
    static constexpr std::int64_t kSegmentFrames = 5 * 60 * 44100; // samples per segment
    static constexpr char kSegmentName[] = "Recording.flac";
    static constexpr char kNewSuffix[] = ".new-";

    SoundRecorder() = default;
    ~SoundRecorder();
    SoundRecorder(const SoundRecorder&) = delete;
    SoundRecorder& operator=(const SoundRecorder&) = delete;

    // Begins a new recording in folder (created when missing), dropping any earlier one. False
    // with Error() set when the folder takes no file.
    bool Start(const std::filesystem::path& folder);
    // Appends samples; false once the recording has failed (the first false is the failure).
    bool Append(const std::int16_t* samples, std::size_t count);
    // Writes the last 30 minutes recorded so far to target (a new, empty file in the same
    // folder, which is replaced), at once or on the copying thread; false, with Error() set,
    // when there is nothing recorded or the disk refuses. The recording goes on either way,
    // unless it had failed already.
    bool CopyLastSound(const std::string& target);
    // Waits for the copies begun; false, with Error() set, when one of them failed (its file
    // is then removed).
    bool WaitForCopies();
    // Ends the recording and removes its segments.
    void Stop();

    bool Recording() const { return recording_; }
    const std::string& Error() const { return error_; }
    // Samples recorded and still kept.
    std::int64_t KeptFrames() const;

    // Removes the segments a program that ended without cleaning up left in folder.
    static void RemoveLeftovers(const std::filesystem::path& folder);

private:
    struct Segment {
        std::string path;
        std::int64_t frames = 0;
    };
    bool OpenSegment();
    bool CloseSegment();
    void Fail(const std::string& error);
    void DropOldSegments();

    std::vector<std::future<std::string>> copies_; // each gives its error, empty when done
    std::filesystem::path folder_;
    std::deque<Segment> segments_; // oldest first; the last one is open while writing_
    SoundFileWriter writer_;
    bool writing_ = false;
    bool recording_ = false;
    std::string error_;
};

} // namespace tools
