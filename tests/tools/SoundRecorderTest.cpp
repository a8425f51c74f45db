// The recording a page takes its sound from: the last 30 minutes of a long test, exactly, in
// at most 35 minutes of disk.
#include "tools/SoundRecorder.h"
#include "tests/tools/TempFolder.h"
#include "tools/SoundFileReader.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <vector>

namespace {

using tools::SoundRecorder;

// Every sample holds the number of the second it belongs to, so a copy tells where it began.
void AppendSeconds(SoundRecorder& recorder, int from, int to) {
    std::vector<std::int16_t> buffer(4410);
    for (int second = from; second < to; ++second) {
        std::fill(buffer.begin(), buffer.end(), static_cast<std::int16_t>(second));
        for (int k = 0; k < 10; ++k) {
            ASSERT_TRUE(recorder.Append(buffer.data(), buffer.size())) << recorder.Error();
        }
    }
}

int SegmentsOnDisk(const std::string& folder) {
    int segments = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        segments += entry.path().filename().string().rfind("Recording.flac.new-", 0) == 0;
    }
    return segments;
}

TEST(SoundRecorder, APageKeepsTheLastThirtyMinutesOfALongTest) {
    TempFolder folder;
    const std::string data = folder.File("data");
    SoundRecorder recorder;
    ASSERT_TRUE(recorder.Start(data)) << recorder.Error();
    EXPECT_EQ(SegmentsOnDisk(data), 1);

    // A short test: its whole sound, linked rather than copied.
    AppendSeconds(recorder, 0, 20);
    const std::string early = folder.File("data/early.flac");
    ASSERT_TRUE(recorder.CopyLastSound(early)) << recorder.Error();
    ASSERT_TRUE(recorder.WaitForCopies());
    tools::SoundFileReader reader;
    ASSERT_TRUE(reader.Open(early));
    EXPECT_EQ(reader.SourceFrames(), 20 * 44100);

    // Thirty-seven minutes in all: the copy begins at the start of minute seven.
    AppendSeconds(recorder, 20, 37 * 60);
    EXPECT_LE(recorder.KeptFrames(), 35 * 60 * 44100);
    const std::string late = folder.File("data/late.flac");
    ASSERT_TRUE(recorder.CopyLastSound(late)) << recorder.Error();
    // The copy runs beside the recording, which goes on and drops the segments the copy
    // still reads.
    AppendSeconds(recorder, 37 * 60, 43 * 60);
    ASSERT_TRUE(recorder.WaitForCopies()) << recorder.Error();
    ASSERT_TRUE(reader.Open(late));
    EXPECT_EQ(reader.SourceFrames(), 30 * 60 * 44100);
    std::vector<std::int16_t> first(2);
    ASSERT_EQ(reader.Read(first.data(), first.size()), 2u);
    EXPECT_EQ(first[0], 7 * 60);
    EXPECT_LE(recorder.KeptFrames(), 35 * 60 * 44100);
    // The earlier page's sound is untouched.
    ASSERT_TRUE(reader.Open(early));
    EXPECT_EQ(reader.SourceFrames(), 20 * 44100);
    recorder.Stop();
    EXPECT_EQ(SegmentsOnDisk(data), 0);
    EXPECT_TRUE(std::filesystem::exists(late));
}

} // namespace
