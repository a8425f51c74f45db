#pragma once

#include "dsp/synth/WatchSynthesiser.h"
#include "tools/SampleSource.h"

#include <cstdint>

namespace tools {

// A synthesised watch of a given length as a sample source (the analyser's demo).
class SynthesisedSource : public SampleSource {
public:
    SynthesisedSource(const synth::WatchParameters& parameters, double seconds);

    std::size_t Read(std::int16_t* samples, std::size_t count) override;
    const synth::WatchSynthesiser& Synthesiser() const { return synthesiser_; }

private:
    synth::WatchSynthesiser synthesiser_;
    std::int64_t remaining_; // samples
};

} // namespace tools
