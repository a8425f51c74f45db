#pragma once

#include "audio/ThreadedInput.h"
#include "audio/WallClockPacer.h"
#include "dsp/synth/WatchParameters.h"
#include "dsp/synth/WatchSynthesiser.h"

#include <memory>
#include <string>

namespace tickora {

// A watch that ticks without a microphone: the synthesiser's sound with a known beat rate,
// daily rate, amplitude and beat error, delivered at 44100 samples per second of wall-clock
// time, or faster or slower by the parameters' card clock error. The watch keeps running across a
// stop and a start, as a real one would.
class SimulatedWatchInput final : public ThreadedInput {
public:
    explicit SimulatedWatchInput(const synth::WatchParameters& parameters);
    ~SimulatedWatchInput() override;

private:
    std::string SourceErrorText(int error) const override;
    static constexpr int kSourceError = 1;

    int OpenSource(const AudioFormat& format) override;
    int StartSource() override;
    int StopSource() override { return 0; }
    void CloseSource() override;
    int ReadSource(std::int16_t* samples, int count) override;

    synth::WatchParameters parameters_;
    std::unique_ptr<synth::WatchSynthesiser> synthesiser_; // made at open
    WallClockPacer pacer_;
    std::string error_;
};

} // namespace tickora
