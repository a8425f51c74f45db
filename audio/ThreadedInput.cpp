#include "audio/ThreadedInput.h"

#include <algorithm>

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
    if (const int error = OpenSource(format); error != 0) {
        return error;
    }
    sink_ = &sink;
    scratch_ = std::make_unique<std::int16_t[]>(kChunkSamples);
    dropped_.store(0, std::memory_order_relaxed);
    command_ = Command::Park;
    parked_ = true;
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
    ParkThread();
    started_ = false;
    return StopSource();
}

int ThreadedInput::Reset() {
    const int error = Stop();
    queue_.Clear();
    return error;
}

int ThreadedInput::Close() {
    if (!open_) {
        return 0;
    }
    const int error = Reset();
    {
        std::lock_guard lock(mutex_);
        command_ = Command::Quit;
    }
    changed_.notify_all();
    thread_.join();
    CloseSource();
    scratch_.reset();
    sink_ = nullptr;
    open_ = false;
    return error;
}

void ThreadedInput::Shutdown() {
    Close();
}

// GUI thread: asks the backend to finish its chunk and waits until it rests.
void ThreadedInput::ParkThread() {
    std::unique_lock lock(mutex_);
    running_.store(false, std::memory_order_release);
    if (command_ == Command::Run) {
        command_ = Command::Park;
    }
    changed_.notify_all();
    changed_.wait(lock, [this] { return parked_; });
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
        parked_ = true;
        if (command_ == Command::Run) {
            command_ = Command::Park; // ended by a source error
        }
        changed_.notify_all();
    }
}

// Backend thread: fills the oldest queued buffer chunk by chunk until told to stop.
void ThreadedInput::Record() {
    CaptureBuffer* current = nullptr;
    int filled = 0; // samples in current
    int error = 0;
    while (running_.load(std::memory_order_acquire)) {
        if (current == nullptr) {
            current = queue_.Front();
            filled = 0;
        }
        std::int16_t* target = scratch_.get();
        int count = kChunkSamples;
        if (current != nullptr) {
            target = current->data + filled;
            count = std::min(kChunkSamples, kCaptureBufferSamples - filled);
        }
        error = ReadSource(target, count);
        if (error != 0) {
            break;
        }
        if (current == nullptr) {
            dropped_.fetch_add(static_cast<std::uint64_t>(count), std::memory_order_relaxed);
            continue;
        }
        filled += count;
        if (filled == kCaptureBufferSamples) {
            Deliver(current, filled);
            current = nullptr;
        }
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

// Backend thread.
void ThreadedInput::Deliver(CaptureBuffer* buffer, int samples) {
    queue_.Pop();
    buffer->bytesRecorded = static_cast<std::uint32_t>(samples) * 2;
    buffer->flags |= CaptureBuffer::kDone;
    sink_->BufferFilled(buffer);
}

} // namespace tickora
