#include "audio/ThreadedInput.h"

#include <algorithm>
#include <utility>

namespace tickora {

ThreadedInput::ThreadedInput() = default;

ThreadedInput::~ThreadedInput() {
    // Subclasses call Shutdown first; this only keeps a forgotten thread from terminating
    // the program.
    if (thread_.joinable()) {
        {
            std::lock_guard lock(mutex_);
            running_.store(false, std::memory_order_release);
            command_ = Command::Quit;
        }
        changed_.notify_all();
        thread_.join();
    }
}

int ThreadedInput::Open(const AudioFormat& format, BufferSink& sink) {
    if (open_) {
        Close();
    }
    if (givenUp_) {
        return kInputNotAnswering; // the source is still held by the device
    }
    if (const int error = OpenSource(format); error != 0) {
        return error;
    }
    sink_ = &sink;
    chunk_ = std::make_unique<std::int16_t[]>(kChunkSamples);
    dropped_.store(0, std::memory_order_relaxed);
    command_ = Command::Park;
    parked_ = true;
    stalled_ = false;
    thread_ = std::thread(&ThreadedInput::ThreadMain, this);
    open_ = true;
    return 0;
}

int ThreadedInput::AddBuffer(CaptureBuffer& buffer) {
    // The queue has room for more than the whole ring, so TAudio's buffers always fit;
    // a push beyond that (a caller adding buffers twice) is refused and changes nothing.
    queue_.Push(&buffer);
    return 0;
}

int ThreadedInput::Start() {
    if (stalled_) {
        return kInputNotAnswering;
    }
    if (!open_ || started_) {
        return 0;
    }
    if (const int error = StartSource(); error != 0) {
        return error;
    }
    started_ = true;
    {
        std::lock_guard lock(mutex_);
        command_ = Command::Run;
        running_.store(true, std::memory_order_release);
    }
    changed_.notify_all();
    return 0;
}

int ThreadedInput::Stop() {
    if (!started_) {
        return 0;
    }
    started_ = false;
    int error = 0;
    if (!ParkThread(error)) {
        stalled_ = true;
        return kInputNotAnswering;
    }
    return error;
}

int ThreadedInput::Reset() {
    const int error = Stop();
    if (stalled_) {
        return kInputNotAnswering; // the queue stays as it is until Close gives it up
    }
    queue_.Clear();
    return error;
}

int ThreadedInput::Close() {
    if (!open_) {
        return 0;
    }
    const int error = Reset();
    open_ = false;
    {
        std::lock_guard lock(mutex_);
        command_ = Command::Quit;
        if (!parked_) {
            // Still inside the device's read: the thread is given up. It sees givenUp_
            // when the read returns and leaves the buffers and the sink alone.
            givenUp_ = true;
        }
    }
    changed_.notify_all();
    if (givenUp_) {
        thread_.detach();
        queue_.Clear();
        sink_ = nullptr;
        return kInputNotAnswering;
    }
    thread_.join();
    CloseSource();
    chunk_.reset();
    sink_ = nullptr;
    return error;
}

std::string ThreadedInput::ErrorText(int error) const {
    switch (error) {
    case kInputNotAnswering:
        return "The input device does not answer";
    case kNoSoundArrived:
        return "No sound has arrived from the input.";
    case kInputWentAway:
        return "The sound server or the sound card has gone away";
    default:
        return SourceErrorText(error);
    }
}

void ThreadedInput::Shutdown() {
    Close();
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return !givenUp_ || threadEnded_; });
}

void ThreadedInput::Retire(std::unique_ptr<AudioInput> self) {
    {
        std::lock_guard lock(mutex_);
        if (givenUp_ && !threadEnded_) {
            self_ = std::move(self); // the thread ends this input
            return;
        }
    }
    self.reset();
}

// GUI thread: asks the backend to finish its chunk, stop the source and rest, and waits for
// that; false when it is still in the source after kStopTimeout. stopError: StopSource's.
bool ThreadedInput::ParkThread(int& stopError) {
    std::unique_lock lock(mutex_);
    running_.store(false, std::memory_order_release);
    if (command_ == Command::Run) {
        command_ = Command::Park;
    }
    changed_.notify_all();
    StopAsked();
    if (!changed_.wait_for(lock, kStopTimeout, [this] { return parked_; })) {
        return false;
    }
    stopError = stopError_;
    stopError_ = 0;
    return true;
}

// Backend thread.
void ThreadedInput::ThreadMain() {
    std::unique_lock lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return command_ != Command::Park; });
        if (command_ == Command::Quit) {
            return;
        }
        parked_ = false;
        lock.unlock();
        Record();
        lock.lock();
        if (givenUp_) {
            break;
        }
        // The source stops on this thread, so that a device that hangs in its stop is
        // waited for no longer than one that hangs in a read.
        lock.unlock();
        const int stopError = StopSource();
        lock.lock();
        if (givenUp_) {
            break;
        }
        stopError_ = stopError;
        parked_ = true;
        if (command_ == Command::Run) {
            command_ = Command::Park; // ended by a source error
        }
        changed_.notify_all();
    }
    // Given up: the GUI has left the source to this thread.
    lock.unlock();
    CloseSource();
    lock.lock();
    threadEnded_ = true;
    std::unique_ptr<AudioInput> self = std::move(self_);
    changed_.notify_all();
    lock.unlock();
    // Ending the input ends its members, the mutex among them: nothing is touched after.
    self.reset();
}

// Backend thread: fills the oldest queued buffer chunk by chunk until told to stop. The
// source reads into the thread's own chunk, which is then copied under the lock: a read
// the device holds past a Close must not write into a buffer the GUI has freed.
void ThreadedInput::Record() {
    CaptureBuffer* current = nullptr;
    int filled = 0; // samples in current
    int error = 0;
    std::unique_lock lock(mutex_, std::defer_lock);
    while (running_.load(std::memory_order_acquire)) {
        if (current == nullptr) {
            current = queue_.Front();
            filled = 0;
        }
        const int count = current != nullptr
                              ? std::min(kChunkSamples, kCaptureBufferSamples - filled)
                              : kChunkSamples;
        error = ReadSource(chunk_.get(), count);
        lock.lock();
        if (givenUp_) {
            return;
        }
        if (error != 0) {
            break;
        }
        if (current == nullptr) {
            dropped_.fetch_add(static_cast<std::uint64_t>(count), std::memory_order_relaxed);
        } else {
            std::copy_n(chunk_.get(), count, current->data + filled);
            filled += count;
            if (filled == kCaptureBufferSamples) {
                Deliver(current, filled);
                current = nullptr;
            }
        }
        lock.unlock();
    }
    if (!lock.owns_lock()) {
        lock.lock();
    }
    if (givenUp_) {
        return;
    }
    // A stop cuts the buffer short: it goes out with what it holds. An untouched one stays
    // queued in its place.
    if (current != nullptr && filled > 0) {
        Deliver(current, filled);
    }
    // A failed device would otherwise just fall silent and leave a test waiting for sound.
    if (error != 0) {
        sink_->CaptureFailed(error);
    }
}

// Backend thread, lock held.
void ThreadedInput::Deliver(CaptureBuffer* buffer, int samples) {
    queue_.Pop();
    buffer->bytesRecorded = static_cast<std::uint32_t>(samples) * 2;
    buffer->flags |= CaptureBuffer::kDone;
    sink_->BufferFilled(buffer);
}

} // namespace tickora
