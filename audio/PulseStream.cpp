#include "audio/PulseStream.h"

#include <pulse/error.h>
#include <pulse/simple.h>

#include <utility>

namespace tickora {

namespace {

// The client library's codes, kept apart from the other codes of the sound card path.
constexpr int kErrorBase = -21000;

int ErrorCode(int pulseError) {
    return kErrorBase - pulseError;
}

int PulseError(int error) {
    return kErrorBase - error;
}

bool IsPulseError(int error) {
    return error < kErrorBase && error > kErrorBase - PA_ERR_MAX;
}

} // namespace

PulseStream::PulseStream(std::string name, std::string listedName)
    : name_(std::move(name)), listedName_(std::move(listedName)) {}

PulseStream::~PulseStream() {
    Close();
}

bool PulseStream::Supports(int channels, double rate) {
    return channels == 1 && rate > 0.0 && rate <= PA_RATE_MAX;
}

int PulseStream::Open(int /*channels*/, double rate, int /*framesPerRead*/) {
    Close();
    rate_ = rate;
    // Only tried here: the connection a run records through is made at its Start.
    const int error = Connect();
    Close();
    return error;
}

int PulseStream::Connect() {
    pa_sample_spec format{};
    format.format = PA_SAMPLE_S16LE;
    format.rate = static_cast<std::uint32_t>(rate_);
    format.channels = 1;
    // Sound in fragments of about 20 ms, as a card's periods come, rather than the
    // server's default of seconds.
    pa_buffer_attr buffering{};
    buffering.maxlength = static_cast<std::uint32_t>(-1);
    buffering.fragsize = static_cast<std::uint32_t>(rate_ / 50.0) * 2;
    int error = 0;
    stream_ = pa_simple_new(nullptr, "Tickora", PA_STREAM_RECORD, name_.c_str(), "Watch", &format,
                            nullptr, &buffering, &error);
    return stream_ != nullptr ? 0 : ErrorCode(error != 0 ? error : PA_ERR_UNKNOWN);
}

int PulseStream::Start() {
    if (rate_ <= 0.0) {
        return ErrorCode(PA_ERR_BADSTATE); // never opened
    }
    Close();
    return Connect();
}

int PulseStream::Stop() {
    // A recording stream has nothing to drain: its connection simply ends.
    Close();
    return 0;
}

void PulseStream::Close() {
    if (stream_ != nullptr) {
        pa_simple_free(stream_);
        stream_ = nullptr;
    }
}

int PulseStream::Read(std::int16_t* frames, int count) {
    if (stream_ == nullptr) {
        return ErrorCode(PA_ERR_BADSTATE);
    }
    int error = 0;
    if (pa_simple_read(stream_, frames, static_cast<std::size_t>(count) * sizeof(std::int16_t),
                       &error) < 0) {
        return ErrorCode(error != 0 ? error : PA_ERR_UNKNOWN);
    }
    return 0;
}

std::string PulseStream::ErrorText(int error) const {
    if (!IsPulseError(error)) {
        return std::string();
    }
    const int pulseError = PulseError(error);
    const char* text = pa_strerror(pulseError);
    const std::string reason = text != nullptr ? text : std::string();
    switch (pulseError) {
    case PA_ERR_CONNECTIONREFUSED:
    case PA_ERR_CONNECTIONTERMINATED:
    case PA_ERR_KILLED:
    case PA_ERR_INVALIDSERVER:
        // Said as the user meets it: after a restart of the sound server, the next start
        // connects afresh.
        return "The sound server or the sound card has gone away (" + reason + ")";
    case PA_ERR_NOENTITY:
        return "The input \"" + listedName_ + "\" is no longer there";
    default:
        return reason;
    }
}

} // namespace tickora
