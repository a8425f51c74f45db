#pragma once

#include "audio/CaptureBuffer.h"

#include <memory>
#include <string>
#include <utility>

namespace tickora {

// The error an input gives when its device has not let go of a read within a second of a
// stop: the device no longer answers and is given up.
inline constexpr int kInputNotAnswering = -20000;
// The error an input gives when it is recording but no sound has arrived for a few seconds
// (a sound server killed under it, a source with nothing feeding it).
inline constexpr int kNoSoundArrived = -20001;
// The error an input gives when its device or sound server ended the recording by itself.
inline constexpr int kInputWentAway = -20002;

// Where a backend hands its filled buffers. Called on the backend's own thread (or, for the
// scripted test input, on the thread that pushes); the receiver must only queue the buffer
// for the GUI thread and return at once.
class BufferSink {
public:
    virtual void BufferFilled(CaptureBuffer* buffer) = 0;
    // Recording ended by itself: the device failed or went away (error: the device's code
    // for ErrorText). Comes after the last buffer the device filled; no buffer follows
    // until the next Start.
    virtual void CaptureFailed(int error) = 0;

protected:
    ~BufferSink() = default;
};

// An input device: a real sound card through PortAudio, a simulated watch, a recording, or
// the scripted input of the tests. Every operation returns 0 on success or an error code
// that ErrorText can describe. All operations run on the GUI thread; only the filling of
// queued buffers and the calls to the sink happen on the backend's thread.
class AudioInput {
public:
    virtual ~AudioInput() = default;

    // Opens the device for the format; filled buffers go to sink until Close.
    virtual int Open(const AudioFormat& format, BufferSink& sink) = 0;

    // Readies a buffer block for use with this device (once per open).
    virtual int PrepareBuffer(CaptureBuffer& /*buffer*/) { return 0; }
    virtual int UnprepareBuffer(CaptureBuffer& /*buffer*/) { return 0; }

    // Queues a buffer for recording, after those already queued.
    virtual int AddBuffer(CaptureBuffer& buffer) = 0;

    // Starts recording into the queued buffers, oldest first.
    virtual int Start() = 0;

    // Stops recording. A partly filled buffer goes to the sink with the bytes it holds;
    // the others stay queued for the next Start.
    virtual int Stop() = 0;

    // Stops recording and drops every queued buffer; the device stays open.
    virtual int Reset() = 0;

    virtual int Close() = 0;

    // The text for an error code this device returned; empty when there is none.
    virtual std::string ErrorText(int error) const = 0;

    // Ends an input's life without waiting for its device: an input whose device still
    // holds its thread lives on until the device lets go, then ends by itself on that
    // thread. Anything else ends here. GUI thread.
    static void Dispose(std::unique_ptr<AudioInput> input) {
        if (input) {
            AudioInput* raw = input.get();
            raw->Retire(std::move(input));
        }
    }

protected:
    // Dispose's step: self is this input; letting it go out of scope ends it.
    virtual void Retire(std::unique_ptr<AudioInput> self) { self.reset(); }
};

} // namespace tickora
