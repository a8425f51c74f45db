#pragma once

#include "audio/AudioInput.h"
#include "audio/BufferQueue.h"

#include <cstdint>
#include <span>
#include <string>

namespace tickora::testing {

// An input for tests that records nothing by itself: the test pushes sound, and each push
// fills the oldest queued buffer and hands it to the sink, which posts it to the GUI thread
// exactly as a backend thread does. The buffers then arrive when the test lets the event
// loop run (QCoreApplication::processEvents), in order; a push from inside the delivery
// callback followed by processEvents delivers a buffer while the previous one is still
// being handled, as a modal message box would.
//
// Everything runs on the test's (GUI) thread.
class ScriptedInput : public AudioInput {
public:
    // Error codes to return from each operation; 0 succeeds.
    struct Failures {
        int open = 0;
        int prepare = 0;
        int add = 0;     // every AddBuffer
        int addCall = 0; // only the AddBuffer call with this number (1-based)
        int start = 0;
        int stop = 0;
    };

    // Counts over every input of a catalog, so tests can check inputs that are gone.
    struct Census {
        int open = 0;     // inputs open now
        int prepared = 0; // buffers prepared now, over all inputs
    };

    ScriptedInput(Failures failures, std::string errorText, Census* census = nullptr);
    ~ScriptedInput() override;
    ScriptedInput(const ScriptedInput&) = delete;
    ScriptedInput& operator=(const ScriptedInput&) = delete;

    // Fills the oldest queued buffer with samples (at most 4096) and hands it on. With
    // complete false the buffer keeps filling on the next push and goes out when it is full
    // or when a stop cuts it short. False when not recording or no buffer is queued (the
    // sound is dropped, as a card overruns).
    bool Push(std::span<const std::int16_t> samples, bool complete = true);

    // Pushes count full buffers of a constant value; returns how many found a buffer.
    int PushBuffers(int count, std::int16_t value = 0);

    // The device fails while recording, as a card that is pulled out: a partly filled buffer
    // goes out with what it holds, recording ends and the sink hears of error. With gone
    // set the device stays away: every later Start fails with error. Nothing while not
    // recording.
    void Fail(int error, bool gone = false);

    bool IsOpen() const { return open_; }
    bool IsRecording() const { return recording_; }
    int QueuedCount() const { return static_cast<int>(queue_.Size()); }
    int AddCalls() const { return addCalls_; }
    int PreparedCount() const { return prepared_; }
    std::uint64_t DroppedSamples() const { return dropped_; }

    int Open(const AudioFormat& format, BufferSink& sink) override;
    int PrepareBuffer(CaptureBuffer& buffer) override;
    int UnprepareBuffer(CaptureBuffer& buffer) override;
    int AddBuffer(CaptureBuffer& buffer) override;
    int Start() override;
    int Stop() override;
    int Reset() override;
    int Close() override;
    std::string ErrorText(int error) const override;

    AudioFormat Format() const { return format_; }

private:
    void Deliver(CaptureBuffer* buffer);

    Failures failures_;
    std::string errorText_;
    Census* census_;
    Census ownCensus_;
    BufferSink* sink_ = nullptr;
    BufferQueue queue_;
    AudioFormat format_;
    bool open_ = false;
    bool recording_ = false;
    int filled_ = 0; // samples in the oldest queued buffer, from incomplete pushes
    int addCalls_ = 0;
    int prepared_ = 0;
    std::uint64_t dropped_ = 0;
};

} // namespace tickora::testing
