#include "audio/SoundCardInput.h"

#include <samplerate.h>

#include <utility>

namespace tickora {

SoundCardInput::SoundCardInput(std::unique_ptr<SoundCardStream> stream)
    : stream_(std::move(stream)) {}

SoundCardInput::~SoundCardInput() {
    Shutdown();
}

std::string SoundCardInput::SourceErrorText(int error) const {
    if (error == kConverterError) {
        const char* text = src_strerror(converterError_);
        return text != nullptr ? text : std::string();
    }
    return stream_->ErrorText(error);
}

int SoundCardInput::OpenSource(const AudioFormat& format) {
    if (const int error = stream_->Probe(); error != 0) {
        return error;
    }
    const double rate = format.samplesPerSecond; // samples/s
    // The analysis' rate first, then the card's own and the usual rates of cards; for
    // each, one channel, else two mixed down. Nothing fits: one channel at the analysis'
    // rate, so that the card's refusal is what the user reads.
    channels_ = 1;
    deviceRate_ = rate;
    bool found = false;
    for (const double candidate :
         {rate, stream_->DefaultRate(), 48000.0, 96000.0, 88200.0, 32000.0, 22050.0, 16000.0}) {
        if (candidate <= 0.0) {
            continue;
        }
        for (int channels = 1; channels <= 2 && channels <= stream_->MaxChannels(); ++channels) {
            if (stream_->Supports(channels, candidate)) {
                channels_ = channels;
                deviceRate_ = candidate;
                found = true;
                break;
            }
        }
        if (found) {
            break;
        }
    }
    converter_ = std::make_unique<RateConverter>(deviceRate_, channels_, rate);
    if (converter_->Error() != 0) {
        converterError_ = converter_->Error();
        converter_.reset();
        return kConverterError;
    }
    framesPerRead_ = converter_->DeviceFramesFor(kChunkSamples);
    frames_.assign(static_cast<std::size_t>(framesPerRead_) * channels_, 0);
    if (const int error = stream_->Open(channels_, deviceRate_, framesPerRead_); error != 0) {
        converter_.reset();
        return error;
    }
    return 0;
}

int SoundCardInput::StartSource() {
    converter_->Clear();
    return stream_->Start();
}

int SoundCardInput::StopSource() {
    return stream_->Stop();
}

void SoundCardInput::StopAsked() {
    stream_->Interrupt();
}

void SoundCardInput::CloseSource() {
    stream_->Close();
    converter_.reset();
}

// Backend thread: reads the card until count converted samples are there.
int SoundCardInput::ReadSource(std::int16_t* samples, int count) {
    while (converter_->Available() < count) {
        if (const int error = stream_->Read(frames_.data(), framesPerRead_); error != 0) {
            return error;
        }
        converter_->Push(frames_.data(), framesPerRead_);
    }
    converter_->Take(samples, count);
    return 0;
}

} // namespace tickora
