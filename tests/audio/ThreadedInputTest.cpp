#include "audio/ThreadedInput.h"

#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

namespace {

using tickora::AudioFormat;
using tickora::BufferSink;
using tickora::CaptureBuffer;
using tickora::kCaptureBufferCount;
using tickora::kCaptureBufferSamples;

// A source of a running count (sample n is n mod 30000), as fast as it is read. After
// `chunkLimit` chunks it holds the backend in its read until a stop is asked for, so a test
// can stop it at a known point.
class CountingInput final : public tickora::ThreadedInput {
public:
    ~CountingInput() override { Shutdown(); }

    std::atomic<int> chunkLimit{-1}; // -1: no limit
    std::atomic<int> chunksRead{0};
    std::atomic<int> failAtChunk{-1};
    int starts = 0;
    int stops = 0;

    static constexpr int kChunk = kChunkSamples;

private:
    std::string SourceErrorText(int error) const override {
        return error == 5 ? "Source failed" : std::string();
    }
    int OpenSource(const AudioFormat&) override { return 0; }
    int StartSource() override {
        ++starts;
        return 0;
    }
    int StopSource() override {
        ++stops;
        return 0;
    }
    void CloseSource() override {}
    int ReadSource(std::int16_t* samples, int count) override {
        if (chunksRead.load() == failAtChunk.load()) {
            return 5;
        }
        const int limit = chunkLimit.load();
        while (limit >= 0 && chunksRead.load() >= limit && !StopRequested()) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        for (int i = 0; i < count; ++i) {
            samples[i] = static_cast<std::int16_t>(next_++ % 30000);
        }
        chunksRead.fetch_add(1);
        return 0;
    }

    std::int64_t next_ = 0; // backend thread only
};

// Collects filled buffers from the backend thread; the test hands them back.
class Collector : public BufferSink {
public:
    void BufferFilled(CaptureBuffer* buffer) override {
        std::lock_guard lock(mutex_);
        EXPECT_NE(std::this_thread::get_id(), testThread_);
        filled_.push_back(buffer);
        changed_.notify_all();
    }
    void CaptureFailed(int error) override {
        std::lock_guard lock(mutex_);
        failures_.push_back({error, filled_.size()});
        changed_.notify_all();
    }
    // Each failure with the number of buffers delivered before it.
    std::vector<std::pair<int, std::size_t>> Failures() {
        std::unique_lock lock(mutex_);
        changed_.wait_for(lock, std::chrono::seconds(10), [&] { return !failures_.empty(); });
        return failures_;
    }

    // Waits (up to 10 s) until count buffers in all have come; returns them all.
    std::vector<CaptureBuffer*> WaitFor(std::size_t count) {
        std::unique_lock lock(mutex_);
        changed_.wait_for(lock, std::chrono::seconds(10), [&] { return filled_.size() >= count; });
        return filled_;
    }
    std::vector<CaptureBuffer*> Taken() {
        std::lock_guard lock(mutex_);
        return filled_;
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<CaptureBuffer*> filled_;
    std::vector<std::pair<int, std::size_t>> failures_;
    std::thread::id testThread_ = std::this_thread::get_id();
};

// Nine chunks of 441 samples and one of 127 fill a buffer.
constexpr int kChunksPerBuffer = 10;

class ThreadedInputTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (int i = 0; i < kCaptureBufferCount; ++i) {
            buffers[i].data = blocks[i].data();
            buffers[i].bufferLength = 8192;
            buffers[i].number = i + 1;
        }
        ASSERT_EQ(input.Open(AudioFormat::Pcm16Mono(44100), sink), 0);
        for (auto& buffer : buffers) {
            ASSERT_EQ(input.AddBuffer(buffer), 0);
        }
    }

    std::array<std::array<std::int16_t, kCaptureBufferSamples>, kCaptureBufferCount> blocks{};
    std::array<CaptureBuffer, kCaptureBufferCount> buffers{};
    Collector sink; // outlives the input, which may still deliver while it closes
    CountingInput input;
};

TEST_F(ThreadedInputTest, FillsTheQueuedBuffersInOrderWithUnbrokenSound) {
    input.chunkLimit = 3 * kChunksPerBuffer;
    ASSERT_EQ(input.Start(), 0);
    const auto filled = sink.WaitFor(3);
    ASSERT_GE(filled.size(), 3u);
    int expected = 0;
    for (int k = 0; k < 3; ++k) {
        EXPECT_EQ(filled[k]->number, k + 1);
        EXPECT_EQ(filled[k]->bytesRecorded, 8192u);
        EXPECT_TRUE(filled[k]->flags & CaptureBuffer::kDone);
        for (int i = 0; i < kCaptureBufferSamples; ++i, ++expected) {
            ASSERT_EQ(filled[k]->data[i], expected % 30000) << k << " " << i;
        }
    }
    EXPECT_EQ(input.DroppedSamples(), 0u);
    EXPECT_EQ(input.Stop(), 0);
}

TEST_F(ThreadedInputTest, AStopDeliversThePartBufferAndKeepsTheRest) {
    input.chunkLimit = 5;
    ASSERT_EQ(input.Start(), 0);
    while (input.chunksRead.load() < 5) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ASSERT_EQ(input.Stop(), 0);
    // The chunk being read when the stop came still counts: six chunks.
    const auto filled = sink.Taken();
    ASSERT_EQ(filled.size(), 1u);
    EXPECT_EQ(filled[0]->number, 1);
    EXPECT_EQ(filled[0]->bytesRecorded, 6u * CountingInput::kChunk * 2);
    EXPECT_EQ(filled[0]->data[6 * CountingInput::kChunk - 1], 6 * CountingInput::kChunk - 1);
    EXPECT_EQ(input.stops, 1);

    // Recording resumes with buffer 2, and the stop did not lose the sound after it.
    input.chunkLimit = -1;
    ASSERT_EQ(input.Start(), 0);
    const auto more = sink.WaitFor(2);
    ASSERT_GE(more.size(), 2u);
    EXPECT_EQ(more[1]->number, 2);
    EXPECT_EQ(more[1]->data[0], 6 * CountingInput::kChunk);
    input.Stop();
}

TEST_F(ThreadedInputTest, ABufferWithoutSoundStaysFirstInTheQueue) {
    input.failAtChunk = 0; // the run ends before any sound
    ASSERT_EQ(input.Start(), 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
    ASSERT_EQ(input.Stop(), 0);
    EXPECT_TRUE(sink.Taken().empty());
    input.failAtChunk = -1;
    input.chunkLimit = kChunksPerBuffer;
    ASSERT_EQ(input.Start(), 0);
    const auto filled = sink.WaitFor(1);
    ASSERT_EQ(filled.size(), 1u);
    EXPECT_EQ(filled[0]->number, 1);
    EXPECT_EQ(filled[0]->data[0], 0);
    input.Stop();
}

TEST_F(ThreadedInputTest, AFullRingDropsSoundInsteadOfWaiting) {
    ASSERT_EQ(input.Start(), 0);
    sink.WaitFor(kCaptureBufferCount);
    // No buffer is handed back: the backend keeps reading and throws the sound away.
    while (input.DroppedSamples() < 100000) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    EXPECT_EQ(sink.Taken().size(), static_cast<std::size_t>(kCaptureBufferCount));
    // A buffer handed back is filled again, after the gap.
    CaptureBuffer* first = sink.Taken()[0];
    first->flags &= ~CaptureBuffer::kDone;
    ASSERT_EQ(input.AddBuffer(*first), 0);
    const auto filled = sink.WaitFor(kCaptureBufferCount + 1);
    ASSERT_EQ(filled.size(), static_cast<std::size_t>(kCaptureBufferCount + 1));
    EXPECT_EQ(filled.back(), first);
    EXPECT_EQ(input.Stop(), 0);
}

TEST_F(ThreadedInputTest, ResetEmptiesTheQueue) {
    ASSERT_EQ(input.Reset(), 0);
    ASSERT_EQ(input.Start(), 0);
    while (input.DroppedSamples() < 10000) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    input.Stop();
    EXPECT_TRUE(sink.Taken().empty());
}

TEST_F(ThreadedInputTest, ASourceErrorEndsTheRunWithWhatWasRead) {
    input.failAtChunk = 3;
    ASSERT_EQ(input.Start(), 0);
    const auto filled = sink.WaitFor(1);
    ASSERT_EQ(filled.size(), 1u);
    EXPECT_EQ(filled[0]->bytesRecorded, 3u * CountingInput::kChunk * 2);
    // The sink hears of the error once, after the part buffer.
    EXPECT_EQ(sink.Failures(), (std::vector<std::pair<int, std::size_t>>{{5, 1}}));
    EXPECT_EQ(input.Stop(), 0);
    // Started again, the input records again.
    input.failAtChunk = -1;
    ASSERT_EQ(input.Start(), 0);
    EXPECT_GE(sink.WaitFor(2).size(), 2u);
    EXPECT_EQ(input.Close(), 0);
    EXPECT_EQ(input.Close(), 0);
    EXPECT_EQ(sink.Failures().size(), 1u);
}

TEST_F(ThreadedInputTest, CloseWhileRecordingEndsTheThreadAndReopens) {
    ASSERT_EQ(input.Start(), 0);
    sink.WaitFor(2);
    EXPECT_EQ(input.Close(), 0);
    const std::size_t delivered = sink.Taken().size();
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(sink.Taken().size(), delivered);

    Collector second;
    ASSERT_EQ(input.Open(AudioFormat::Pcm16Mono(44100), second), 0);
    ASSERT_EQ(input.AddBuffer(buffers[4]), 0);
    ASSERT_EQ(input.Start(), 0);
    const auto filled = second.WaitFor(1);
    ASSERT_EQ(filled.size(), 1u);
    EXPECT_EQ(filled[0]->number, 5);
}

} // namespace
