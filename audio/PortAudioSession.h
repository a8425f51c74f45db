#pragma once

#include "settings/DeviceNames.h"

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

    // The device's whole name and its sound system, as the device list shows it:
    // "system (JACK)", "USB Audio Device: USB Audio (hw:1,0) (ALSA)".
    std::string InputDeviceName(int number) const;

private:
    PaError error_ = paNotInitialized;
};

// Any thread: a stream has been left to PortAudio for good (a JACK stream whose server
// died). PortAudio is then not terminated at the end: it would wait for that stream.
void NoteAbandonedStream();
// Any thread: whether a stream has been abandoned so far.
bool StreamsAbandoned();

// The name a Linux user knows a PortAudio host API by: "ALSA", "JACK", "OSS".
std::string SoundSystemName(const PaHostApiInfo* hostApi);

} // namespace tickora
