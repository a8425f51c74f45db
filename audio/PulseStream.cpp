#include "audio/PulseStream.h"

#include "audio/AudioInput.h"

#include <pulse/pulseaudio.h>

#include <algorithm>
#include <thread>
#include <utility>

namespace tickora {

namespace {

constexpr std::chrono::milliseconds kPoll{2};

// The client library's codes, kept apart from the other codes of the sound card path.
constexpr int kErrorBase = -21000;

int ErrorCode(int pulseError) {
    return kErrorBase - (pulseError > 0 && pulseError < PA_ERR_MAX ? pulseError : PA_ERR_UNKNOWN);
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
    ring_.Allocate(rate_, 1);
    // Only tried here: the connection a run records through is made at its Start.
    const int error = Connect();
    Disconnect();
    return error;
}

int PulseStream::Start() {
    if (rate_ <= 0.0) {
        return ErrorCode(PA_ERR_BADSTATE); // never opened
    }
    Disconnect();
    ring_.Clear();
    ring_.failure.store(0, std::memory_order_relaxed);
    interrupted_.store(false, std::memory_order_relaxed);
    return Connect();
}

int PulseStream::Stop() {
    // A recording connection has nothing to drain: it simply ends.
    Disconnect();
    return 0;
}

void PulseStream::Close() {
    Disconnect();
}

template <typename Ready, typename Failed>
bool PulseStream::AwaitServer(Ready ready, Failed failed) {
    const auto deadline = std::chrono::steady_clock::now() + kConnectLimit;
    for (;;) {
        pa_threaded_mainloop_lock(loop_);
        const bool isReady = ready();
        const bool hasFailed = failed();
        pa_threaded_mainloop_unlock(loop_);
        if (isReady || hasFailed) {
            return isReady;
        }
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(kPoll);
    }
}

int PulseStream::Connect() {
    loop_ = pa_threaded_mainloop_new();
    if (loop_ == nullptr) {
        return ErrorCode(PA_ERR_INTERNAL);
    }
    context_ = pa_context_new(pa_threaded_mainloop_get_api(loop_), "Tickora");
    if (context_ == nullptr) {
        Disconnect();
        return ErrorCode(PA_ERR_INTERNAL);
    }
    pa_context_set_state_callback(context_, &ContextChanged, &ring_);
    // Never starts a server: a missing one is refused at once.
    if (pa_context_connect(context_, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0 ||
        pa_threaded_mainloop_start(loop_) < 0) {
        const int error = pa_context_errno(context_);
        Disconnect();
        return ErrorCode(error);
    }
    const bool connected =
        AwaitServer([this] { return pa_context_get_state(context_) == PA_CONTEXT_READY; },
                    [this] { return !PA_CONTEXT_IS_GOOD(pa_context_get_state(context_)); });
    if (!connected) {
        const int error = ContextError();
        Disconnect();
        return ErrorCode(error != PA_OK ? error : PA_ERR_TIMEOUT);
    }

    pa_sample_spec format{};
    format.format = PA_SAMPLE_S16LE;
    format.rate = static_cast<std::uint32_t>(rate_);
    format.channels = 1;
    // Fragments of about 20 ms, as a card's periods come, rather than the server's seconds.
    pa_buffer_attr buffering{};
    buffering.maxlength = static_cast<std::uint32_t>(-1);
    buffering.fragsize = static_cast<std::uint32_t>(rate_ / 50.0) * 2;
    pa_threaded_mainloop_lock(loop_);
    stream_ = pa_stream_new(context_, "Watch", &format, nullptr);
    int error = PA_OK;
    if (stream_ == nullptr) {
        error = pa_context_errno(context_);
    } else {
        pa_stream_set_state_callback(stream_, &StreamChanged, &ring_);
        pa_stream_set_read_callback(stream_, &Arrived, &ring_);
        if (pa_stream_connect_record(stream_, name_.c_str(), &buffering, PA_STREAM_ADJUST_LATENCY) <
            0) {
            error = pa_context_errno(context_);
        }
    }
    pa_threaded_mainloop_unlock(loop_);
    if (error == PA_OK &&
        !AwaitServer([this] { return pa_stream_get_state(stream_) == PA_STREAM_READY; },
                     [this] { return !PA_STREAM_IS_GOOD(pa_stream_get_state(stream_)); })) {
        error = ContextError();
        error = error != PA_OK ? error : PA_ERR_TIMEOUT;
    }
    if (error != PA_OK) {
        Disconnect();
        return ErrorCode(error);
    }
    return 0;
}

// The library's thread running: its last error, read under its lock.
int PulseStream::ContextError() {
    pa_threaded_mainloop_lock(loop_);
    const int error = pa_context_errno(context_);
    pa_threaded_mainloop_unlock(loop_);
    return error;
}

// The library's thread is stopped first, so no callback runs while the rest is freed.
void PulseStream::Disconnect() {
    if (loop_ == nullptr) {
        return;
    }
    pa_threaded_mainloop_stop(loop_);
    if (stream_ != nullptr) {
        pa_stream_set_state_callback(stream_, nullptr, nullptr);
        pa_stream_set_read_callback(stream_, nullptr, nullptr);
        pa_stream_disconnect(stream_);
        pa_stream_unref(stream_);
        stream_ = nullptr;
    }
    if (context_ != nullptr) {
        pa_context_set_state_callback(context_, nullptr, nullptr);
        pa_context_disconnect(context_);
        pa_context_unref(context_);
        context_ = nullptr;
    }
    pa_threaded_mainloop_free(loop_);
    loop_ = nullptr;
}

// The library's thread: a connection that ends by itself ends the recording.
void PulseStream::ContextChanged(pa_context* context, void* ring) {
    const pa_context_state_t state = pa_context_get_state(context);
    if (state == PA_CONTEXT_FAILED || state == PA_CONTEXT_TERMINATED) {
        const int error = pa_context_errno(context);
        static_cast<Ring*>(ring)->failure.store(
            error != PA_OK ? error : PA_ERR_CONNECTIONTERMINATED, std::memory_order_release);
    }
}

void PulseStream::StreamChanged(pa_stream* stream, void* ring) {
    const pa_stream_state_t state = pa_stream_get_state(stream);
    if (state == PA_STREAM_FAILED || state == PA_STREAM_TERMINATED) {
        const int error = pa_context_errno(pa_stream_get_context(stream));
        // A source removed ends its streams with no error of the connection.
        static_cast<Ring*>(ring)->failure.store(error != PA_OK ? error : PA_ERR_NOENTITY,
                                                std::memory_order_release);
    }
}

// The library's thread: each fragment into the ring.
void PulseStream::Arrived(pa_stream* stream, std::size_t /*bytes*/, void* ring) {
    auto* to = static_cast<Ring*>(ring);
    const void* data = nullptr;
    std::size_t bytes = 0;
    while (pa_stream_readable_size(stream) > 0 && pa_stream_peek(stream, &data, &bytes) == 0 &&
           bytes > 0) {
        // No data with a length is a hole in the sound: nothing to copy.
        if (data != nullptr) {
            to->Put(static_cast<const std::int16_t*>(data), bytes / sizeof(std::int16_t));
        }
        pa_stream_drop(stream);
    }
}

// Backend thread: waits for the frames as long as sound keeps coming.
int PulseStream::Read(std::int16_t* frames, int count) {
    if (ring_.size == 0) {
        return ErrorCode(PA_ERR_BADSTATE);
    }
    return ring_.Take(
        frames, static_cast<std::size_t>(count), interrupted_,
        [this] {
            const int failure = ring_.failure.load(std::memory_order_acquire);
            return failure != 0 ? ErrorCode(failure) : 0;
        },
        kSilenceLimit, kNoSoundArrived);
}

void PulseStream::Interrupt() {
    interrupted_.store(true, std::memory_order_release);
}

std::string PulseStream::ErrorText(int error) const {
    if (error >= kErrorBase || error <= kErrorBase - PA_ERR_MAX) {
        return std::string();
    }
    const int pulseError = kErrorBase - error;
    const char* text = pa_strerror(pulseError);
    const std::string reason = text != nullptr ? text : std::string();
    switch (pulseError) {
    case PA_ERR_CONNECTIONREFUSED:
    case PA_ERR_CONNECTIONTERMINATED:
    case PA_ERR_KILLED:
    case PA_ERR_INVALIDSERVER:
    case PA_ERR_TIMEOUT:
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
