#include "audio/WallClockPacer.h"

#include <thread>

namespace tickora {

void WallClockPacer::Restart() {
    origin_ = std::chrono::steady_clock::now();
    samples_ = 0;
}

void WallClockPacer::WaitFor(int count) {
    samples_ += count;
    const auto due =
        origin_ + std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                      std::chrono::duration<double>(static_cast<double>(samples_) / sampleRate_));
    const auto now = std::chrono::steady_clock::now();
    if (now - due > kMaxLag) {
        Restart();
        return;
    }
    std::this_thread::sleep_until(due);
}

} // namespace tickora
