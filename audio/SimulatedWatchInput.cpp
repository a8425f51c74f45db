#include "audio/SimulatedWatchInput.h"

#include <stdexcept>

namespace tickora {

SimulatedWatchInput::SimulatedWatchInput(const synth::WatchParameters& parameters)
    // The simulated card's clock runs off by the parameters' clock error: it delivers its
    // samples at that pace, as the synthesiser assumes, so the card can be measured against
    // the computer's clock as a real one is.
    : parameters_(parameters),
      pacer_(synth::WatchSynthesiser::kSampleRate * (86400.0 + parameters.clockError) / 86400.0) {}

SimulatedWatchInput::~SimulatedWatchInput() {
    Shutdown();
}

std::string SimulatedWatchInput::SourceErrorText(int error) const {
    return error == kSourceError ? error_ : std::string();
}

int SimulatedWatchInput::OpenSource(const AudioFormat& format) {
    if (format.samplesPerSecond != synth::WatchSynthesiser::kSampleRate) {
        error_ = "Sample rate not supported.";
        return kSourceError;
    }
    try {
        synthesiser_ = std::make_unique<synth::WatchSynthesiser>(parameters_);
    } catch (const std::invalid_argument& failure) {
        error_ = failure.what();
        return kSourceError;
    }
    return 0;
}

int SimulatedWatchInput::StartSource() {
    pacer_.Restart();
    return 0;
}

void SimulatedWatchInput::CloseSource() {
    synthesiser_.reset();
}

// Backend thread.
int SimulatedWatchInput::ReadSource(std::int16_t* samples, int count) {
    synthesiser_->Generate(samples, static_cast<std::size_t>(count));
    pacer_.WaitFor(count);
    return 0;
}

} // namespace tickora
