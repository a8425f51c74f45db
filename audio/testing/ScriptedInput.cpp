#include "audio/testing/ScriptedInput.h"

#include <algorithm>
#include <utility>

namespace tickora::testing {

ScriptedInput::ScriptedInput(Failures failures, std::string errorText, Census* census)
    : failures_(failures), errorText_(std::move(errorText)),
      census_(census != nullptr ? census : &ownCensus_) {}

ScriptedInput::~ScriptedInput() {
    // Left open by its owner: count it closed, buffers and all.
    census_->prepared -= prepared_;
    if (open_) {
        --census_->open;
    }
}

bool ScriptedInput::Push(std::span<const std::int16_t> samples, bool complete) {
    CaptureBuffer* buffer = recording_ ? queue_.Front() : nullptr;
    if (buffer == nullptr) {
        dropped_ += samples.size();
        return false;
    }
    const std::size_t room = static_cast<std::size_t>(kCaptureBufferSamples - filled_);
    const std::size_t count = std::min(samples.size(), room);
    std::copy_n(samples.begin(), count, buffer->data + filled_);
    filled_ += static_cast<int>(count);
    if (complete || filled_ == kCaptureBufferSamples) {
        Deliver(buffer);
    }
    return true;
}

int ScriptedInput::PushBuffers(int count, std::int16_t value) {
    std::int16_t samples[kCaptureBufferSamples];
    std::fill(std::begin(samples), std::end(samples), value);
    int pushed = 0;
    for (int i = 0; i < count; ++i) {
        pushed += Push(samples) ? 1 : 0;
    }
    return pushed;
}

void ScriptedInput::Fail(int error, bool gone) {
    if (!recording_) {
        return;
    }
    if (filled_ > 0) {
        Deliver(queue_.Front());
    }
    recording_ = false;
    if (gone) {
        failures_.start = error;
    }
    sink_->CaptureFailed(error);
}

void ScriptedInput::Deliver(CaptureBuffer* buffer) {
    queue_.Pop();
    buffer->bytesRecorded = static_cast<std::uint32_t>(filled_) * 2;
    buffer->flags |= CaptureBuffer::kDone;
    filled_ = 0;
    sink_->BufferFilled(buffer);
}

int ScriptedInput::Open(const AudioFormat& format, BufferSink& sink) {
    if (failures_.open != 0) {
        return failures_.open;
    }
    format_ = format;
    sink_ = &sink;
    if (!open_) {
        ++census_->open;
    }
    open_ = true;
    return 0;
}

int ScriptedInput::PrepareBuffer(CaptureBuffer&) {
    if (failures_.prepare != 0) {
        return failures_.prepare;
    }
    ++prepared_;
    ++census_->prepared;
    return 0;
}

int ScriptedInput::UnprepareBuffer(CaptureBuffer&) {
    --prepared_;
    --census_->prepared;
    return 0;
}

int ScriptedInput::AddBuffer(CaptureBuffer& buffer) {
    ++addCalls_;
    if (failures_.add != 0) {
        return failures_.add;
    }
    if (failures_.addCall != 0 && addCalls_ == failures_.addCall) {
        return failures_.addCall;
    }
    queue_.Push(&buffer);
    return 0;
}

int ScriptedInput::Start() {
    if (failures_.start != 0) {
        return failures_.start;
    }
    recording_ = true;
    return 0;
}

int ScriptedInput::Stop() {
    if (failures_.stop != 0) {
        return failures_.stop;
    }
    if (recording_ && filled_ > 0) {
        Deliver(queue_.Front());
    }
    recording_ = false;
    return 0;
}

int ScriptedInput::Reset() {
    recording_ = false;
    filled_ = 0;
    queue_.Clear();
    return 0;
}

int ScriptedInput::Close() {
    Reset();
    if (open_) {
        --census_->open;
    }
    open_ = false;
    sink_ = nullptr;
    return 0;
}

std::string ScriptedInput::ErrorText(int) const {
    return errorText_;
}

} // namespace tickora::testing
