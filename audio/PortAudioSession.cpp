#include "audio/PortAudioSession.h"

#include <atomic>

#ifdef TICKORA_HAVE_ALSA
#include <alsa/asoundlib.h>
#endif
#ifdef TICKORA_HAVE_JACK
#include <jack/jack.h>
#endif

namespace tickora {

namespace {

#ifdef TICKORA_HAVE_ALSA
void QuietAlsa(const char*, int, const char*, int, const char*, ...) {}
#endif
#ifdef TICKORA_HAVE_JACK
void QuietJack(const char*) {}
#endif

// While PortAudio probes every sound system, ALSA and JACK report each card and server
// they cannot find on stderr. That is expected on a machine without them and says nothing
// to the user, so their message handlers are muted for the probe and restored after.
class QuietSoundSystems {
public:
    QuietSoundSystems() {
#ifdef TICKORA_HAVE_ALSA
        snd_lib_error_set_handler(&QuietAlsa);
#endif
#ifdef TICKORA_HAVE_JACK
        jack_set_error_function(&QuietJack);
        jack_set_info_function(&QuietJack);
#endif
    }
    ~QuietSoundSystems() {
#ifdef TICKORA_HAVE_ALSA
        snd_lib_error_set_handler(nullptr);
#endif
#ifdef TICKORA_HAVE_JACK
        jack_set_error_function(nullptr);
        jack_set_info_function(nullptr);
#endif
    }
    QuietSoundSystems(const QuietSoundSystems&) = delete;
    QuietSoundSystems& operator=(const QuietSoundSystems&) = delete;
};

std::atomic<int> abandonedStreams{0};

bool HasInput(PaDeviceIndex index) {
    const PaDeviceInfo* info = Pa_GetDeviceInfo(index);
    return info != nullptr && info->maxInputChannels > 0;
}

} // namespace

PortAudioSession::PortAudioSession() {
    QuietSoundSystems quiet;
    error_ = Pa_Initialize();
}

void NoteAbandonedStream() {
    abandonedStreams.fetch_add(1, std::memory_order_relaxed);
}

bool StreamsAbandoned() {
    return abandonedStreams.load(std::memory_order_relaxed) > 0;
}

PortAudioSession::~PortAudioSession() {
    if (error_ == paNoError && !StreamsAbandoned()) {
        QuietSoundSystems quiet;
        Pa_Terminate();
    }
}

int PortAudioSession::InputDeviceCount() const {
    if (error_ != paNoError) {
        return 0;
    }
    int count = 0;
    const PaDeviceIndex devices = Pa_GetDeviceCount();
    for (PaDeviceIndex index = 0; index < devices; ++index) {
        count += HasInput(index) ? 1 : 0;
    }
    return count;
}

PaDeviceIndex PortAudioSession::InputDeviceIndex(int number) const {
    if (error_ != paNoError) {
        return paNoDevice;
    }
    if (number == -1) {
        const PaDeviceIndex index = Pa_GetDefaultInputDevice();
        return index != paNoDevice && HasInput(index) ? index : paNoDevice;
    }
    const PaDeviceIndex devices = Pa_GetDeviceCount();
    for (PaDeviceIndex index = 0; index < devices; ++index) {
        if (HasInput(index) && number-- == 0) {
            return index;
        }
    }
    return paNoDevice;
}

std::string PortAudioSession::InputDeviceName(int number) const {
    const PaDeviceIndex index = InputDeviceIndex(number);
    const PaDeviceInfo* info = index == paNoDevice ? nullptr : Pa_GetDeviceInfo(index);
    if (info == nullptr || info->name == nullptr) {
        return std::string();
    }
    return ListedDeviceName(info->name, SoundSystemName(Pa_GetHostApiInfo(info->hostApi)));
}

std::string SoundSystemName(const PaHostApiInfo* hostApi) {
    if (hostApi == nullptr) {
        return std::string();
    }
    switch (hostApi->type) {
    case paALSA:
        return "ALSA";
    case paJACK:
        return "JACK"; // PortAudio says "JACK Audio Connection Kit"
    case paOSS:
        return "OSS";
    default:
        return hostApi->name != nullptr ? hostApi->name : std::string();
    }
}

} // namespace tickora
