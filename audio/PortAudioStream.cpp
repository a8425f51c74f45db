#include "audio/PortAudioStream.h"

#include "audio/AudioInput.h"
#include "audio/PortAudioSession.h"

#include <algorithm>
#include <array>
#include <string_view>
#include <vector>

namespace tickora {

namespace {

constexpr double kMinLatency = 0.2; // s, the least input latency asked of the host

// The sound system's reasons that mean the other end has gone: a sound server stopped or
// restarted, a card unplugged.
bool MeansGone(std::string_view hostText) {
    constexpr std::array<std::string_view, 7> kGone{"Input/output error",
                                                    "Connection refused",
                                                    "No such device",
                                                    "Broken pipe",
                                                    "File descriptor in bad state",
                                                    "Connection reset by peer",
                                                    "No such file or directory"};
    return std::find(kGone.begin(), kGone.end(), hostText) != kGone.end();
}

} // namespace

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
    // Nothing here needs sound sooner than a fifth of a second, and a short buffer loses
    // sound whenever the library's thread wakes late: PipeWire's ALSA device, whose own
    // suggestion is 35 ms, dropped a few milliseconds every few seconds on a busy machine.
    parameters.suggestedLatency =
        std::max(info != nullptr ? info->defaultHighInputLatency : 0.0, kMinLatency);
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

int PortAudioStream::Open(int channels, double rate, int /*framesPerRead*/) {
    Close();
    channels_ = channels;
    rate_ = rate;
    const PaDeviceInfo* info = Pa_GetDeviceInfo(index_);
    const PaHostApiInfo* host = info != nullptr ? Pa_GetHostApiInfo(info->hostApi) : nullptr;
    jack_ = host != nullptr && host->type == paJACK;
    return OpenStream();
}

int PortAudioStream::OpenStream() {
    if (!ring_) {
        ring_ = std::make_unique<Ring>();
        ring_->Allocate(rate_, channels_);
        ring_->channels = channels_;
    }
    const PaStreamParameters parameters = Parameters(channels_);
    // The host picks its own period: JACK's is fixed by the server.
    PaError error = Pa_OpenStream(&stream_, &parameters, nullptr, rate_,
                                  paFramesPerBufferUnspecified, paClipOff, &Callback, ring_.get());
    if (error != paNoError) {
        stream_ = nullptr;
        // PortAudio names the dead server's refusal "Insufficient memory".
        return jack_ && StreamsAbandoned() ? kJackServerLost : Checked(error);
    }
    error = Pa_SetStreamFinishedCallback(stream_, &Finished);
    if (error != paNoError) {
        Close();
    }
    return Checked(error);
}

int PortAudioStream::Start() {
    if (rate_ <= 0.0) {
        return paBadStreamPtr; // never opened
    }
    Close();
    if (const int error = OpenStream(); error != 0) {
        return error;
    }
    ring_->Clear();
    ring_->finished.store(false, std::memory_order_relaxed);
    interrupted_.store(false, std::memory_order_relaxed);
    silent_.store(false, std::memory_order_relaxed);
    return Checked(Pa_StartStream(stream_));
}

int PortAudioStream::Stop() {
    if (stream_ == nullptr) {
        return 0;
    }
    if (jack_ && silent_.load(std::memory_order_acquire)) {
        Abandon(); // its server is gone: it would never stop
        return 0;
    }
    if (Pa_IsStreamStopped(stream_) == 1) {
        return 0;
    }
    // Abort rather than drain: a host that has stopped answering never drains.
    return Checked(Pa_AbortStream(stream_));
}

void PortAudioStream::Close() {
    if (stream_ == nullptr) {
        return;
    }
    if (jack_ && silent_.load(std::memory_order_acquire)) {
        Abandon();
        return;
    }
    Pa_CloseStream(stream_);
    stream_ = nullptr;
}

// Leaves the stream to PortAudio and keeps its ring for good (reachable, so the leak
// checker does not count it): the callback may still hold it.
void PortAudioStream::Abandon() {
    static auto* const kept = new std::vector<Ring*>; // never freed, on purpose
    kept->push_back(ring_.release());
    stream_ = nullptr;
    NoteAbandonedStream();
}

// PortAudio's thread: one period into the ring.
int PortAudioStream::Callback(const void* input, void* /*output*/, unsigned long frames,
                              const PaStreamCallbackTimeInfo* /*time*/,
                              PaStreamCallbackFlags /*flags*/, void* ring) {
    auto* to = static_cast<Ring*>(ring);
    if (input != nullptr) {
        to->Put(static_cast<const std::int16_t*>(input),
                static_cast<std::size_t>(frames) * to->channels);
    }
    return paContinue;
}

void PortAudioStream::Finished(void* ring) {
    static_cast<Ring*>(ring)->finished.store(true, std::memory_order_release);
}

// Backend thread: waits for the frames as long as sound keeps coming.
int PortAudioStream::Read(std::int16_t* frames, int count) {
    Ring& ring = *ring_;
    const int result = ring.Take(
        frames, static_cast<std::size_t>(count) * channels_, interrupted_,
        [&ring] { return ring.finished.load(std::memory_order_acquire) ? kInputWentAway : 0; },
        kSilenceLimit, kNoSoundArrived);
    if (result == kNoSoundArrived) {
        silent_.store(true, std::memory_order_release);
    }
    return result;
}

void PortAudioStream::Interrupt() {
    interrupted_.store(true, std::memory_order_release);
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
    if (error == kJackServerLost) {
        return "The JACK server has stopped: start it again, then restart Tickora";
    }
    const char* text = Pa_GetErrorText(static_cast<PaError>(error));
    std::string result = text != nullptr ? text : std::string();
    if (error == paUnanticipatedHostError) {
        std::lock_guard lock(hostMutex_);
        if (MeansGone(hostText_)) {
            // Said as the user meets it: after a restart of the sound server, the next
            // start opens the input afresh.
            return "The sound server or the sound card has gone away (" + hostText_ + ")";
        }
        if (!hostText_.empty()) {
            // PortAudio's general text, then the sound system's own: "Unanticipated host
            // error (Device or resource busy)".
            result += " (" + hostText_ + ")";
        }
    }
    return result;
}

} // namespace tickora
