#pragma once

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <thread>

namespace tickora {

// Samples handed from a sound library's own thread to the recording thread. The counts are
// samples since the start and only grow, so each side owns its own: the library's thread
// writes and advances `written`, the recording thread takes and advances `read`.
struct SampleRing {
    std::unique_ptr<std::int16_t[]> samples;
    std::size_t size = 0; // samples, a power of two
    std::atomic<std::uint64_t> written{0};
    std::atomic<std::uint64_t> read{0};

    // Room for two seconds of sound at `rate` samples/s, each of `channels` samples.
    void Allocate(double rate, int channels) {
        constexpr double kSeconds = 2.0;
        std::size_t room = 1;
        while (static_cast<double>(room) < rate * kSeconds * channels) {
            room *= 2;
        }
        samples = std::make_unique<std::int16_t[]>(room);
        size = room;
    }

    // Empty again, for a new start; neither thread may be using it.
    void Clear() {
        written.store(0, std::memory_order_relaxed);
        read.store(0, std::memory_order_relaxed);
    }

    // The library's thread: no lock, no allocation. A ring without room for all of them
    // drops the samples, as a card that overruns does.
    void Put(const std::int16_t* from, std::size_t count) {
        const std::uint64_t at = written.load(std::memory_order_relaxed);
        if (at - read.load(std::memory_order_acquire) + count > size) {
            return;
        }
        const std::size_t mask = size - 1;
        for (std::size_t i = 0; i < count; ++i) {
            samples[(at + i) & mask] = from[i];
        }
        written.store(at + count, std::memory_order_release);
    }

    // Recording thread: takes `count` samples into `to`, waiting as long as sound keeps
    // coming. Returns 0; the error `ended()` gives once the stream has ended; or `silence`
    // when no sample came for `limit`. Interrupted (stopping), what came counts and the rest
    // of `to` stays silent.
    template <class Ended>
    int Take(std::int16_t* to, std::size_t count, const std::atomic<bool>& interrupted, Ended ended,
             std::chrono::milliseconds limit, int silence) {
        constexpr std::chrono::milliseconds kPoll{2};
        const std::uint64_t from = read.load(std::memory_order_relaxed);
        const std::size_t mask = size - 1;
        std::uint64_t seen = from;
        auto lastSound = std::chrono::steady_clock::now();
        std::size_t have = 0; // samples to take
        for (;;) {
            const std::uint64_t now = written.load(std::memory_order_acquire);
            if (now - from >= count) {
                have = count;
                break;
            }
            if (interrupted.load(std::memory_order_acquire)) {
                have = static_cast<std::size_t>(now - from);
                break;
            }
            if (const int error = ended(); error != 0) {
                return error;
            }
            const auto time = std::chrono::steady_clock::now();
            if (now != seen) {
                seen = now;
                lastSound = time;
            } else if (time - lastSound > limit) {
                return silence;
            }
            std::this_thread::sleep_for(kPoll);
        }
        for (std::size_t i = 0; i < count; ++i) {
            to[i] = i < have ? samples[(from + i) & mask] : std::int16_t{0};
        }
        read.store(from + have, std::memory_order_release);
        return 0;
    }
};

} // namespace tickora
