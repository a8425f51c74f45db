#pragma once

#include "audio/AudioInput.h"
#include "audio/BufferQueue.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>

namespace tickora {

// The common part of the backends that record on a thread of their own: the queue of
// buffers waiting to be filled, the thread that fills them from a sample source in short
// chunks, and the start, stop and reset handshakes.
//
// Threads: the public operations run on the GUI thread. The backend thread touches only
// the queue, the buffers it takes from it, the sink and the Read and Stop hooks (a run of
// recording ends with StopSource on the backend thread). The other source hooks run on the
// GUI thread while the backend thread is parked, so a source never sees two threads at
// once.
//
// When every buffer is waiting for the GUI thread, the backend records into a scratch
// block and drops that sound, as a sound card overruns; it never waits for the GUI.
//
// A device that holds a read or a stop and does not let go (a stalled card or driver) must
// not hang the window: Stop waits at most kStopTimeout for the backend and then answers
// kInputNotAnswering. Close then gives the thread up: it is detached, touches no buffer
// and no sink again, and once the read returns it closes the source (on its own thread:
// the GUI no longer uses it) and ends. An input given up this way is ended with
// AudioInput::Dispose, which leaves it to that thread; its destructor waits for the thread.
class ThreadedInput : public AudioInput {
public:
    static constexpr std::chrono::milliseconds kStopTimeout{1000};

    ThreadedInput();
    ~ThreadedInput() override;

    int Open(const AudioFormat& format, BufferSink& sink) final;
    int AddBuffer(CaptureBuffer& buffer) final;
    int Start() final;
    int Stop() final;
    int Reset() final;
    int Close() final;
    std::string ErrorText(int error) const final;

    // Samples dropped because no buffer was queued; any thread.
    std::uint64_t DroppedSamples() const { return dropped_.load(std::memory_order_relaxed); }

protected:
    // Samples per read: short, so that a stop ends a buffer within about 10 ms.
    static constexpr int kChunkSamples = 441;

    // GUI thread, backend parked.
    virtual int OpenSource(const AudioFormat& format) = 0;
    virtual int StartSource() = 0;
    virtual void CloseSource() = 0;
    // Backend thread, at the end of every run of recording (asked for or ended by an error).
    virtual int StopSource() = 0;
    // GUI thread, backend possibly inside ReadSource: a stop has been asked for. A source
    // whose read waits for sound ends that wait here.
    virtual void StopAsked() {}
    // Any thread: the text for an error code of the source.
    virtual std::string SourceErrorText(int error) const = 0;

    // Backend thread: the next count samples (count <= kChunkSamples), returning when
    // they are due, as a sound card returns recorded sound. 0, or an error code that ends
    // this run of recording; the sink then hears of it through CaptureFailed.
    virtual int ReadSource(std::int16_t* samples, int count) = 0;

    // Backend thread: true once a stop is asked for; a source that waits long for sound
    // can end its wait early (its samples still count).
    bool StopRequested() const { return !running_.load(std::memory_order_acquire); }

    // For a subclass destructor: ends the thread before the source goes away, waiting for
    // a given-up thread to let go of the source.
    void Shutdown();

    void Retire(std::unique_ptr<AudioInput> self) override;

private:
    enum class Command { Park, Run, Quit };

    void ThreadMain();
    void Record();
    void Deliver(CaptureBuffer* buffer, int samples);
    bool ParkThread(int& stopError);

    BufferSink* sink_ = nullptr;
    BufferQueue queue_;
    std::unique_ptr<std::int16_t[]> chunk_; // backend thread: what the source reads into
    std::atomic<std::uint64_t> dropped_{0};

    std::thread thread_;
    // Guards the fields below, and the backend's use of the buffers and the sink, so that a
    // thread given up never touches them again; never held while reading.
    std::mutex mutex_;
    std::condition_variable changed_;
    Command command_ = Command::Park;
    bool parked_ = true;
    int stopError_ = 0;                // StopSource's answer at the end of the last run
    bool givenUp_ = false;             // the GUI no longer waits for the thread
    bool threadEnded_ = false;         // a given-up thread has closed the source and ended
    std::unique_ptr<AudioInput> self_; // a given-up input that its thread is to end
    std::atomic<bool> running_{false}; // read between chunks without the lock
    bool open_ = false;
    bool started_ = false;
    bool stalled_ = false; // GUI thread: a stop found the device holding a read
};

} // namespace tickora
