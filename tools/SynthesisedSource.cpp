#include "tools/SynthesisedSource.h"

#include <algorithm>
#include <cmath>

namespace tools {

SynthesisedSource::SynthesisedSource(const synth::WatchParameters& parameters, double seconds)
    : synthesiser_(parameters),
      remaining_(static_cast<std::int64_t>(
          std::llround(std::max(seconds, 0.0) * synth::WatchSynthesiser::kSampleRate))) {}

std::size_t SynthesisedSource::Read(std::int16_t* samples, std::size_t count) {
    const auto n = static_cast<std::size_t>(
        std::min<std::int64_t>(remaining_, static_cast<std::int64_t>(count)));
    synthesiser_.Generate(samples, n);
    remaining_ -= static_cast<std::int64_t>(n);
    return n;
}

} // namespace tools
