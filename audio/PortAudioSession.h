#pragma once

#include <portaudio.h>

#include <string>

namespace tickora {

// PortAudio kept initialised for the life of the object, with the sound system's start-up
// chatter on stderr kept quiet; the program keeps one for its whole run (SystemInputs). Its
// input devices are those with at least one input channel, numbered from 0 in PortAudio's
// order. GUI thread only.
class PortAudioSession {
public:
    PortAudioSession();
    ~PortAudioSession();
    PortAudioSession(const PortAudioSession&) = delete;
    PortAudioSession& operator=(const PortAudioSession&) = delete;

    // paNoError, or why PortAudio could not start (no devices are then listed).
    PaError Error() const { return error_; }

    int InputDeviceCount() const;

    // The PortAudio index of input device `number`; -1 gives the system's default input.
    // paNoDevice when there is no such device.
    PaDeviceIndex InputDeviceIndex(int number) const;

    // The device's name, cut to 31 bytes (at a character boundary) for the device list.
    std::string InputDeviceName(int number) const;

private:
    PaError error_ = paNotInitialized;
};

// Cuts a UTF-8 name to at most maxBytes without splitting a character.
std::string CutName(const std::string& name, std::size_t maxBytes);

} // namespace tickora
