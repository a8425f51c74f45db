#pragma once

#include "audio/SoundCardStream.h"

#include <portaudio.h>

#include <mutex>
#include <string>

namespace tickora {

// A sound card's input through PortAudio's blocking read. PortAudio must stay initialised
// while the stream lives (SystemInputs keeps it so for the program's life). Error codes
// are PortAudio's; for a host error the text carries the sound system's own reason, kept
// from the moment it happened.
class PortAudioStream final : public SoundCardStream {
public:
    // index: PortAudio's device index; paNoDevice for a card that is not there, with
    // defaultInput telling whether it was the system's default input that is missing.
    PortAudioStream(PaDeviceIndex index, bool defaultInput);
    ~PortAudioStream() override;
    PortAudioStream(const PortAudioStream&) = delete;
    PortAudioStream& operator=(const PortAudioStream&) = delete;

    int Probe() override;
    bool Supports(int channels, double rate) override;
    double DefaultRate() const override;
    int MaxChannels() const override;
    int Open(int channels, double rate, int framesPerRead) override;
    int Start() override;
    int Stop() override;
    void Close() override;
    int Read(std::int16_t* frames, int count) override;
    std::string ErrorText(int error) const override;

private:
    PaStreamParameters Parameters(int channels) const;
    int Checked(PaError error); // keeps the host's reason of a host error

    PaDeviceIndex index_;
    bool defaultInput_;
    PaStream* stream_ = nullptr;
    mutable std::mutex hostMutex_; // the backend thread's errors are read on the GUI thread
    std::string hostText_;
};

} // namespace tickora
