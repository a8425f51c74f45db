#pragma once

#include <chrono>
#include <cstdint>

namespace tickora {

// Paces a generated or recorded stream to the wall clock, so that it arrives as sound from
// a card does: a chunk is handed over when its last sample is due. Used on one backend
// thread at a time.
class WallClockPacer {
public:
    // sampleRate: samples per second of the wall clock; a simulated card whose clock is off
    // delivers a little more or less than its nominal rate.
    explicit WallClockPacer(double sampleRate) : sampleRate_(sampleRate) {}

    // The stream starts now, at sample 0.
    void Restart();

    // Counts count more samples and sleeps until the last of them is due.
    void WaitFor(int count);

private:
    // Further behind than this (a suspended machine), the clock starts afresh instead of
    // rushing the missed sound out.
    static constexpr std::chrono::milliseconds kMaxLag{500}; // ms

    double sampleRate_; // samples/s
    std::chrono::steady_clock::time_point origin_{};
    std::int64_t samples_ = 0;
};

} // namespace tickora
