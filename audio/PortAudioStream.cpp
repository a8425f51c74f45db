#include "audio/PortAudioStream.h"

namespace tickora {

PortAudioStream::PortAudioStream(PaDeviceIndex index, bool defaultInput)
    : index_(index), defaultInput_(defaultInput) {}

PortAudioStream::~PortAudioStream() {
    Close();
}

int PortAudioStream::Probe() {
    if (index_ != paNoDevice && Pa_GetDeviceInfo(index_) != nullptr) {
        return 0;
    }
    // No card at all for the default input; a chosen card that is gone is invalid.
    return defaultInput_ ? paDeviceUnavailable : paInvalidDevice;
}

PaStreamParameters PortAudioStream::Parameters(int channels) const {
    const PaDeviceInfo* info = Pa_GetDeviceInfo(index_);
    PaStreamParameters parameters{};
    parameters.device = index_;
    parameters.channelCount = channels;
    parameters.sampleFormat = paInt16;
    parameters.suggestedLatency = info != nullptr ? info->defaultHighInputLatency : 0.1;
    return parameters;
}

bool PortAudioStream::Supports(int channels, double rate) {
    const PaStreamParameters parameters = Parameters(channels);
    return Pa_IsFormatSupported(&parameters, nullptr, rate) == paFormatIsSupported;
}

double PortAudioStream::DefaultRate() const {
    const PaDeviceInfo* info = Pa_GetDeviceInfo(index_);
    return info != nullptr ? info->defaultSampleRate : 0.0;
}

int PortAudioStream::MaxChannels() const {
    const PaDeviceInfo* info = Pa_GetDeviceInfo(index_);
    return info != nullptr ? info->maxInputChannels : 0;
}

int PortAudioStream::Open(int channels, double rate, int framesPerRead) {
    const PaStreamParameters parameters = Parameters(channels);
    const PaError error =
        Pa_OpenStream(&stream_, &parameters, nullptr, rate,
                      static_cast<unsigned long>(framesPerRead), paClipOff, nullptr, nullptr);
    if (error != paNoError) {
        stream_ = nullptr;
    }
    return Checked(error);
}

int PortAudioStream::Start() {
    return Checked(Pa_StartStream(stream_));
}

int PortAudioStream::Stop() {
    return Checked(Pa_StopStream(stream_));
}

void PortAudioStream::Close() {
    if (stream_ != nullptr) {
        Pa_CloseStream(stream_);
        stream_ = nullptr;
    }
}

// Backend thread.
int PortAudioStream::Read(std::int16_t* frames, int count) {
    const PaError error = Pa_ReadStream(stream_, frames, static_cast<unsigned long>(count));
    // An overflow means the card lost sound before this read; what was read is good.
    return error == paInputOverflowed ? 0 : Checked(error);
}

int PortAudioStream::Checked(PaError error) {
    if (error == paUnanticipatedHostError) {
        const PaHostErrorInfo* info = Pa_GetLastHostErrorInfo();
        std::lock_guard lock(hostMutex_);
        hostText_ = info != nullptr && info->errorText != nullptr ? info->errorText : "";
    }
    return error;
}

std::string PortAudioStream::ErrorText(int error) const {
    const char* text = Pa_GetErrorText(static_cast<PaError>(error));
    std::string result = text != nullptr ? text : std::string();
    if (error == paUnanticipatedHostError) {
        std::lock_guard lock(hostMutex_);
        if (!hostText_.empty()) {
            // PortAudio's general text, then the sound system's own: "Unanticipated host
            // error (Device or resource busy)".
            result += " (" + hostText_ + ")";
        }
    }
    return result;
}

} // namespace tickora
