#include "audio/RecordingInput.h"

#include "tools/ChannelPolarity.h"
#include "tools/RiffHeader.h"

#include <samplerate.h>
#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <utility>

namespace tickora {

RecordingInput::RecordingInput(std::string path) : path_(std::move(path)), pacer_(44100) {}

RecordingInput::~RecordingInput() {
    Shutdown();
}

std::string RecordingInput::SourceErrorText(int error) const {
    return error == kSourceError ? error_ : std::string();
}

int RecordingInput::OpenSource(const AudioFormat& format) {
    if (tools::DamagedRiffFile(path_)) {
        error_ = "The recording's header is damaged.";
        return kSourceError;
    }
    SF_INFO info{};
    file_ = sf_open(path_.c_str(), SFM_READ, &info);
    if (file_ == nullptr) {
        error_ = sf_strerror(nullptr);
        return kSourceError;
    }
    if (info.channels < 1 || info.samplerate < 1 || format.samplesPerSecond < 1) {
        error_ = "The recording has no sound.";
        CloseSource();
        return kSourceError;
    }
    polarity_.assign(static_cast<std::size_t>(info.channels), 1.0F);
    if (info.seekable != 0 && !tools::MatchChannelPolarities(file_, info.samplerate, polarity_)) {
        error_ = "The recording cannot be read from its start again.";
        CloseSource();
        return kSourceError;
    }
    sampleRate_ = format.samplesPerSecond;
    pacer_ = WallClockPacer(sampleRate_);
    ratio_ = static_cast<double>(sampleRate_) / info.samplerate;
    if (info.samplerate != sampleRate_) {
        int error = 0;
        converter_ = src_new(SRC_SINC_MEDIUM_QUALITY, 1, &error);
        if (converter_ == nullptr) {
            error_ = src_strerror(error);
            CloseSource();
            return kSourceError;
        }
    }
    frames_ = std::make_unique<float[]>(static_cast<std::size_t>(kReadFrames) * polarity_.size());
    mono_ = std::make_unique<float[]>(kReadFrames);
    convertedCapacity_ = static_cast<int>(std::ceil(kReadFrames * ratio_)) + 64;
    converted_ = std::make_unique<float[]>(static_cast<std::size_t>(convertedCapacity_));
    monoCount_ = monoUsed_ = convertedCount_ = convertedUsed_ = 0;
    fileEnded_ = finished_ = false;
    return 0;
}

int RecordingInput::StartSource() {
    pacer_.Restart();
    return 0;
}

void RecordingInput::CloseSource() {
    if (converter_ != nullptr) {
        src_delete(converter_);
        converter_ = nullptr;
    }
    if (file_ != nullptr) {
        sf_close(file_);
        file_ = nullptr;
    }
    frames_.reset();
    mono_.reset();
    converted_.reset();
}

// Backend thread: reads the next piece of the file and converts it.
bool RecordingInput::Refill() {
    while (!finished_) {
        if (monoUsed_ == monoCount_ && !fileEnded_) {
            const sf_count_t read = sf_readf_float(file_, frames_.get(), kReadFrames);
            // A short read is the end, or damage that ends the usable sound just the same.
            fileEnded_ = read < kReadFrames;
            monoCount_ = static_cast<int>(std::max<sf_count_t>(read, 0));
            monoUsed_ = 0;
            tools::MixDown(frames_.get(), static_cast<std::size_t>(monoCount_), polarity_,
                           mono_.get());
        }
        convertedUsed_ = 0;
        if (converter_ == nullptr) {
            convertedCount_ = monoCount_ - monoUsed_;
            std::copy(mono_.get() + monoUsed_, mono_.get() + monoCount_, converted_.get());
            monoUsed_ = monoCount_;
            finished_ = fileEnded_ && convertedCount_ == 0;
        } else {
            SRC_DATA data{};
            data.data_in = mono_.get() + monoUsed_;
            data.input_frames = monoCount_ - monoUsed_;
            data.data_out = converted_.get();
            data.output_frames = convertedCapacity_;
            data.src_ratio = ratio_;
            data.end_of_input = fileEnded_ ? 1 : 0;
            if (src_process(converter_, &data) != 0) {
                finished_ = true; // the rest plays as silence
                break;
            }
            monoUsed_ += static_cast<int>(data.input_frames_used);
            convertedCount_ = static_cast<int>(data.output_frames_gen);
            finished_ = fileEnded_ && monoUsed_ == monoCount_ && convertedCount_ == 0;
        }
        if (convertedCount_ > 0) {
            return true;
        }
    }
    return false;
}

// Backend thread.
int RecordingInput::ReadSource(std::int16_t* samples, int count) {
    int filled = 0;
    while (filled < count) {
        if (convertedUsed_ == convertedCount_ && !Refill()) {
            std::fill(samples + filled, samples + count, std::int16_t{0});
            break;
        }
        const int take = std::min(count - filled, convertedCount_ - convertedUsed_);
        for (int i = 0; i < take; ++i) {
            const float value = std::round(converted_[convertedUsed_ + i] * 32768.0F);
            samples[filled + i] = static_cast<std::int16_t>(std::clamp(value, -32768.0F, 32767.0F));
        }
        convertedUsed_ += take;
        filled += take;
    }
    pacer_.WaitFor(count);
    return 0;
}

} // namespace tickora
