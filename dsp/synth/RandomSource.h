#pragma once

#include <cstdint>

namespace synth {

// A small, fast, seedable generator (xoshiro256** seeded through splitmix64) with uniform and
// Gaussian draws, so that the same seed gives the same sound on every platform.
class RandomSource {
public:
    explicit RandomSource(std::uint64_t seed);

    std::uint64_t Next();
    double Uniform();  // [0, 1)
    double Gaussian(); // mean 0, standard deviation 1

private:
    std::uint64_t state_[4];
    double spare_ = 0.0;
    bool hasSpare_ = false;
};

} // namespace synth
