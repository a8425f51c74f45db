#pragma once

#include "audio/CaptureBuffer.h"

#include <array>
#include <atomic>
#include <cstddef>

namespace tickora {

// The buffers queued for recording, in the order they were added: a fixed single-producer,
// single-consumer queue without locks. The GUI thread adds (Push); the backend thread
// takes the oldest (Front, then Pop once it is filled). Clear and the GUI-side reads are
// only for when the backend thread is parked; the handshake that parks it orders them.
class BufferQueue {
public:
    // GUI thread. False when the queue is full (more buffers than the ring holds).
    bool Push(CaptureBuffer* buffer) {
        const std::size_t tail = tail_.load(std::memory_order_relaxed);
        if (tail - head_.load(std::memory_order_acquire) == kCapacity) {
            return false;
        }
        slots_[tail % kCapacity] = buffer;
        tail_.store(tail + 1, std::memory_order_release);
        return true;
    }

    // Backend thread: the oldest queued buffer, or null when none is queued.
    CaptureBuffer* Front() const {
        const std::size_t head = head_.load(std::memory_order_relaxed);
        if (head == tail_.load(std::memory_order_acquire)) {
            return nullptr;
        }
        return slots_[head % kCapacity];
    }

    // Backend thread: removes the buffer that Front gave.
    void Pop() {
        head_.store(head_.load(std::memory_order_relaxed) + 1, std::memory_order_release);
    }

    // Either thread; exact only while the other does not touch the queue.
    std::size_t Size() const {
        return tail_.load(std::memory_order_acquire) - head_.load(std::memory_order_acquire);
    }

    // With the backend parked: drops every queued buffer.
    void Clear() { head_.store(tail_.load(std::memory_order_acquire), std::memory_order_release); }

private:
    static constexpr std::size_t kCapacity = 32; // room for the whole ring
    std::array<CaptureBuffer*, kCapacity> slots_{};
    std::atomic<std::size_t> head_{0};
    std::atomic<std::size_t> tail_{0};
};

} // namespace tickora
