#pragma once

#include "audio/PortAudioSession.h"
#include "audio/ThreadedInput.h"

#include <memory>
#include <optional>

namespace tickora {

// A sound card through PortAudio's blocking read, on the backend thread. Error codes are
// PortAudio's, and their texts are PortAudio's own.
class PortAudioInput final : public ThreadedInput {
public:
    // number: -1 for the system's default input, else the input device's number.
    explicit PortAudioInput(int number);
    ~PortAudioInput() override;

    std::string ErrorText(int error) const override;

private:
    int OpenSource(const AudioFormat& format) override;
    int StartSource() override;
    int StopSource() override;
    void CloseSource() override;
    int ReadSource(std::int16_t* samples, int count) override;

    int number_;
    std::optional<PortAudioSession> session_; // held while open
    PaStream* stream_ = nullptr;
    int channels_ = 1;
    std::unique_ptr<std::int16_t[]> frames_; // interleaved, when the card records in stereo
};

} // namespace tickora
