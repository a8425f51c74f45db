#pragma once

#include "audio/AudioInput.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstdlib>
#include <mutex>
#include <vector>

namespace tickora::tests {

// Counts the samples of every filled buffer and their loudest one, and queues the buffer
// again at once (backend thread): for tests that record a real sound system.
class BufferCounter : public BufferSink {
public:
    explicit BufferCounter(AudioInput& input) : input_(input) {}
    void BufferFilled(CaptureBuffer* buffer) override {
        std::lock_guard lock(mutex_);
        for (int i = 0; i < buffer->SampleCount(); ++i) {
            peak_ = std::max(peak_, std::abs(static_cast<int>(buffer->data[i])));
        }
        samples_ += static_cast<std::size_t>(buffer->SampleCount());
        buffer->flags &= ~CaptureBuffer::kDone;
        input_.AddBuffer(*buffer);
        changed_.notify_all();
    }
    void CaptureFailed(int error) override {
        std::lock_guard lock(mutex_);
        error_ = error;
        changed_.notify_all();
    }
    // The loudest sample of at least `samples` more, or -1 when they did not come in time.
    int PeakOfMore(std::size_t samples, std::chrono::milliseconds timeout) {
        std::unique_lock lock(mutex_);
        const std::size_t target = samples_ + samples;
        peak_ = 0;
        error_ = 0;
        const bool came =
            changed_.wait_for(lock, timeout, [&] { return samples_ >= target || error_ != 0; });
        return came && error_ == 0 ? peak_ : -1;
    }
    // The error that ended recording, 0 when none came within timeout.
    int WaitForFailure(std::chrono::milliseconds timeout) {
        std::unique_lock lock(mutex_);
        changed_.wait_for(lock, timeout, [&] { return error_ != 0; });
        return error_;
    }

private:
    AudioInput& input_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::size_t samples_ = 0;
    int peak_ = 0;
    int error_ = 0;
};

// Four capture buffers of their own, queued to an input.
struct QueuedBuffers {
    std::array<CaptureBuffer, 4> buffers{};
    std::array<std::vector<std::int16_t>, 4> blocks;

    // 0, or the input's error for the buffer it refused.
    int QueueTo(AudioInput& input) {
        for (std::size_t i = 0; i < buffers.size(); ++i) {
            blocks[i].resize(kCaptureBufferSamples);
            buffers[i].data = blocks[i].data();
            buffers[i].bufferLength = kCaptureBufferBytes;
            if (const int error = input.AddBuffer(buffers[i]); error != 0) {
                return error;
            }
        }
        return 0;
    }
};

} // namespace tickora::tests
