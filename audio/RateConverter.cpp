#include "audio/RateConverter.h"

#include <samplerate.h>

#include <algorithm>
#include <cmath>

namespace tickora {

RateConverter::RateConverter(double deviceRate, int channels, double outputRate)
    : ratio_(outputRate / deviceRate), channels_(std::max(channels, 1)) {
    if (deviceRate != outputRate) {
        // The sinc converter the recordings use: a band-limited conversion keeps the
        // ticks' onsets where they were, at a few per cent of one core.
        state_ = src_new(SRC_SINC_MEDIUM_QUALITY, 1, &error_);
    }
}

RateConverter::~RateConverter() {
    if (state_ != nullptr) {
        src_delete(state_);
    }
}

int RateConverter::DeviceFramesFor(int count) const {
    return std::max(1, static_cast<int>(std::ceil(count / ratio_)));
}

void RateConverter::Push(const std::int16_t* frames, int frameCount) {
    // Drop what was taken before growing, so the buffer stays at a few reads' size.
    if (taken_ > 0) {
        output_.erase(output_.begin(), output_.begin() + static_cast<std::ptrdiff_t>(taken_));
        taken_ = 0;
    }
    if (state_ == nullptr && channels_ == 1) {
        output_.insert(output_.end(), frames, frames + frameCount);
        return;
    }
    mono_.resize(static_cast<std::size_t>(frameCount));
    for (int i = 0; i < frameCount; ++i) {
        int sum = 0;
        for (int c = 0; c < channels_; ++c) {
            sum += frames[static_cast<std::size_t>(i) * channels_ + c];
        }
        mono_[static_cast<std::size_t>(i)] = static_cast<float>(sum) / (32768.0F * channels_);
    }
    const float* source = mono_.data();
    long sourceFrames = frameCount;
    if (state_ != nullptr) {
        converted_.resize(static_cast<std::size_t>(std::ceil(frameCount * ratio_)) + 64);
        SRC_DATA data{};
        data.src_ratio = ratio_;
        data.end_of_input = 0;
        long generated = 0;
        // libsamplerate keeps a few frames back for its filter; every input frame is taken.
        while (sourceFrames > 0) {
            data.data_in = source;
            data.input_frames = sourceFrames;
            data.data_out = converted_.data() + generated;
            data.output_frames = static_cast<long>(converted_.size()) - generated;
            if (src_process(state_, &data) != 0) {
                break; // cannot happen with a valid ratio; the sound is dropped
            }
            source += data.input_frames_used;
            sourceFrames -= data.input_frames_used;
            generated += data.output_frames_gen;
            if (data.input_frames_used == 0 && data.output_frames_gen == 0) {
                break;
            }
            if (generated == static_cast<long>(converted_.size())) {
                converted_.resize(converted_.size() * 2);
            }
        }
        source = converted_.data();
        sourceFrames = generated;
    }
    for (long i = 0; i < sourceFrames; ++i) {
        const float value = std::round(source[i] * 32768.0F);
        output_.push_back(static_cast<std::int16_t>(std::clamp(value, -32768.0F, 32767.0F)));
    }
}

void RateConverter::Take(std::int16_t* samples, int count) {
    std::copy_n(output_.begin() + static_cast<std::ptrdiff_t>(taken_), count, samples);
    taken_ += static_cast<std::size_t>(count);
}

void RateConverter::Clear() {
    output_.clear();
    taken_ = 0;
    if (state_ != nullptr) {
        src_reset(state_);
    }
}

} // namespace tickora
