#pragma once

#include "audio/SampleRing.h"
#include "audio/SoundCardStream.h"

#include <portaudio.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

namespace tickora {

// A sound card's input through PortAudio, in callback mode: PortAudio's own thread hands
// each period of sound to a callback that copies it into a ring, and Read takes it from
// there. Callback mode is the one path every host API of PortAudio converts formats and
// channel counts in safely (the JACK host's blocking read overruns its buffer for anything
// but float at the port count). PortAudio must stay initialised while the stream lives
// (SystemInputs keeps it so for the program's life). Error codes are PortAudio's and the
// inputs' own (kNoSoundArrived, kInputWentAway); for a host error the text carries the
// sound system's own reason, kept from the moment it happened.
//
// Every Start opens the device afresh (Open only tries it): a handle opened earlier may
// belong to a sound server that has since restarted, and would fail or loop in its
// recovery. A JACK stream whose server has died cannot be stopped or closed (PortAudio
// waits for the dead server for minutes): once it has fallen silent it is abandoned, its
// ring kept for good in case the callback ever runs again.
class PortAudioStream final : public SoundCardStream {
public:
    // A JACK stream cannot be opened once a JACK server has died under this program:
    // PortAudio keeps its connection to the dead server until the program ends.
    static constexpr int kJackServerLost = -20010;
    // How long a running stream may deliver nothing before a read gives up.
    static constexpr std::chrono::milliseconds kSilenceLimit{3000};

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
    void Interrupt() override;
    std::string ErrorText(int error) const override;

private:
    // What PortAudio's thread touches: written by the callback, read by Read.
    struct Ring : SampleRing {
        int channels = 1;
        std::atomic<bool> finished{false}; // the host ended the stream
    };

    PaStreamParameters Parameters(int channels) const;
    int OpenStream();
    void Abandon();
    int Checked(PaError error); // keeps the host's reason of a host error
    // PortAudio's thread: one period of interleaved frames.
    static int Callback(const void* input, void* output, unsigned long frames,
                        const PaStreamCallbackTimeInfo* time, PaStreamCallbackFlags flags,
                        void* ring);
    static void Finished(void* ring);

    PaDeviceIndex index_;
    bool defaultInput_;
    PaStream* stream_ = nullptr;
    bool jack_ = false; // the device is a JACK server's
    int channels_ = 1;
    double rate_ = 0.0; // samples/s
    std::unique_ptr<Ring> ring_;
    std::atomic<bool> interrupted_{false};
    std::atomic<bool> silent_{false}; // a read found no sound coming

    mutable std::mutex hostMutex_; // the backend thread's errors are read on the GUI thread
    std::string hostText_;
};

} // namespace tickora
