#include "audio/PortAudioInput.h"

namespace tickora {

PortAudioInput::PortAudioInput(int number) : number_(number) {}

PortAudioInput::~PortAudioInput() {
    Shutdown();
}

std::string PortAudioInput::ErrorText(int error) const {
    const char* text = Pa_GetErrorText(static_cast<PaError>(error));
    return text != nullptr ? text : std::string();
}

int PortAudioInput::OpenSource(const AudioFormat& format) {
    session_.emplace();
    if (const PaError error = session_->Error(); error != paNoError) {
        session_.reset();
        return error;
    }
    const PaDeviceIndex index = session_->InputDeviceIndex(number_);
    if (index == paNoDevice) {
        // No card at all for the default input; a number beyond the list is invalid.
        session_.reset();
        return number_ == -1 ? paDeviceUnavailable : paInvalidDevice;
    }
    const PaDeviceInfo* info = Pa_GetDeviceInfo(index);
    PaStreamParameters parameters{};
    parameters.device = index;
    parameters.channelCount = 1;
    parameters.sampleFormat = paInt16;
    parameters.suggestedLatency = info->defaultHighInputLatency;
    const double rate = format.samplesPerSecond;
    // Some cards record only in stereo; then the two channels are mixed to mono.
    if (Pa_IsFormatSupported(&parameters, nullptr, rate) != paFormatIsSupported &&
        info->maxInputChannels >= 2) {
        parameters.channelCount = 2;
    }
    channels_ = parameters.channelCount;
    PaError error = Pa_OpenStream(&stream_, &parameters, nullptr, rate, kChunkSamples, paClipOff,
                                  nullptr, nullptr);
    if (error != paNoError) {
        stream_ = nullptr;
        session_.reset();
        return error;
    }
    if (channels_ > 1) {
        frames_ = std::make_unique<std::int16_t[]>(kChunkSamples * channels_);
    }
    return 0;
}

int PortAudioInput::StartSource() {
    return Pa_StartStream(stream_);
}

int PortAudioInput::StopSource() {
    return Pa_StopStream(stream_);
}

void PortAudioInput::CloseSource() {
    if (stream_ != nullptr) {
        Pa_CloseStream(stream_);
        stream_ = nullptr;
    }
    frames_.reset();
    session_.reset();
}

// Backend thread.
int PortAudioInput::ReadSource(std::int16_t* samples, int count) {
    std::int16_t* target = channels_ > 1 ? frames_.get() : samples;
    const PaError error = Pa_ReadStream(stream_, target, static_cast<unsigned long>(count));
    // An overflow means the card lost sound before this read; what was read is good.
    if (error != paNoError && error != paInputOverflowed) {
        return error;
    }
    if (channels_ > 1) {
        for (int i = 0; i < count; ++i) {
            int sum = 0;
            for (int c = 0; c < channels_; ++c) {
                sum += frames_[i * channels_ + c];
            }
            samples[i] = static_cast<std::int16_t>(sum / channels_);
        }
    }
    return 0;
}

} // namespace tickora
