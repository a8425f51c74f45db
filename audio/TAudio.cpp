#include "audio/TAudio.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QObject>
#include <QThread>

#include <algorithm>
#include <utility>

namespace tickora {

namespace {

constexpr const char* kMapperName = "Microsoft Sound Mapper - Input";
constexpr int kInputGone = 1; // MissingInput's only error

// What opens in place of a chosen input that is no longer listed (a card unplugged, a
// recording deleted): its open fails and says so.
class MissingInput final : public AudioInput {
public:
    explicit MissingInput(std::string name) : name_(std::move(name)) {}
    int Open(const AudioFormat&, BufferSink&) override { return kInputGone; }
    int AddBuffer(CaptureBuffer&) override { return kInputGone; }
    int Start() override { return kInputGone; }
    int Stop() override { return 0; }
    int Reset() override { return 0; }
    int Close() override { return 0; }
    std::string ErrorText(int error) const override {
        return error == kInputGone ? "The input \"" + name_ + "\" is no longer there"
                                   : std::string();
    }

private:
    std::string name_;
};

} // namespace

TAudio::TAudio(platform::Dialogs& dialogs, InputCatalog& inputs)
    : dialogs_(dialogs), inputs_(inputs) {}

TAudio::~TAudio() {
    CloseDevice();
    AudioInput::Dispose(std::move(device_));
    // Deleting the handler also discards any delivery still queued for it.
    callbackHandler_.reset();
}

void TAudio::OpenDevice(int device, int sampleRate, DeliveryCallback callback, void* owner,
                        const std::string& missingInput) {
    // A second open without a close would leak the first device's buffers.
    CloseDevice();
    givenUp_ = false;
    format_ = AudioFormat::Pcm16Mono(sampleRate);
    callback_ = callback;
    owner_ = owner;

    // Deliveries are queued calls on a QObject of the GUI thread; that needs the
    // application object and a call from its thread.
    QCoreApplication* application = QCoreApplication::instance();
    if (application == nullptr || QThread::currentThread() != application->thread()) {
        ReportAudioError("Unable to allocate audio callback handler.", 0);
        return;
    }
    if (!callbackHandler_) {
        callbackHandler_ = std::make_unique<QObject>();
    }

    session_.fetch_add(1, std::memory_order_relaxed);
    AudioInput::Dispose(std::move(device_));
    device_ = CreateChosenInput(device, missingInput);
    if (const int error = device_->Open(format_, *this); error != 0) {
        ReportAudioError("Unable to open audio input device.", error);
        return;
    }
    open_ = true;

    for (int i = 0; i < kCaptureBufferCount; ++i) {
        CaptureBuffer& buffer = buffers_[i];
        blocks_[i] = std::make_unique<std::int16_t[]>(kCaptureBufferSamples);
        buffer.data = blocks_[i].get();
        buffer.bufferLength = kCaptureBufferBytes;
        buffer.bytesRecorded = 0;
        buffer.flags = 0;
        buffer.number = i + 1;
        if (const int error = device_->PrepareBuffer(buffer); error != 0) {
            CloseDevice();
            ReportAudioError("Error while preparing audio headers.", error);
            return;
        }
        buffer.flags |= CaptureBuffer::kPrepared;
        if (const int error = device_->AddBuffer(buffer); error != 0) {
            CloseDevice();
            ReportAudioError("Error while adding audio buffers.", error);
            return;
        }
    }
}

bool TAudio::StartCapture() {
    if (!open_) {
        ReportAudioError("No audio device has been selected.", 0);
        return false;
    }
    if (const int error = device_->Start(); error != 0) {
        ReportAudioError("Error while starting audio capture.", error);
        return false;
    }
    return true;
}

void TAudio::StopCapture(bool reportErrors) {
    // Stopping a closed device has nothing to stop.
    if (!device_ || !open_) {
        return;
    }
    const int error = device_->Stop();
    if (error == kInputNotAnswering) {
        // A device that holds on to a read or a stop is given up as failed, whoever stops.
        CloseDevice();
        givenUp_ = true;
        ReportAudioError("Error while stopping audio capture.", error);
    } else if (error != 0 && reportErrors) {
        ReportAudioError("Error while stopping audio capture.", error);
    }
}

void TAudio::CloseDevice() {
    if (!open_) {
        return;
    }
    open_ = false;
    // The backend is parked once Reset returns; what it posted before is ignored because
    // the device is no longer open (or, after a reopen, belongs to an older session). A
    // device that does not answer keeps its backend in a read: Close gives that up first,
    // so that it never writes into the blocks freed here.
    if (device_->Reset() == kInputNotAnswering) {
        device_->Close();
        ReleaseBuffers();
        return;
    }
    ReleaseBuffers();
    device_->Close();
}

void TAudio::ReleaseBuffers() {
    for (int i = 0; i < kCaptureBufferCount; ++i) {
        CaptureBuffer& buffer = buffers_[i];
        if ((buffer.flags & CaptureBuffer::kPrepared) != 0) {
            device_->UnprepareBuffer(buffer);
        }
        buffer.flags = 0;
        blocks_[i].reset();
        buffer.data = nullptr;
    }
}

void TAudio::ReportAudioError(const std::string& message, int error) {
    std::string text = message;
    if (error != 0 && device_) {
        std::string platformText = device_->ErrorText(error);
        if (!platformText.empty()) {
            // PortAudio's texts end without a stop ("Device unavailable"); ours follows.
            const char last = platformText.back();
            if (last != '.' && last != '!' && last != '?')
                platformText += '.';
            text = message.empty() ? platformText : platformText + " " + message;
        }
    }
    dialogs_.ShowMessage(text, platform::MessageIcon::Error, platform::MessageButtons::Ok);
}

int TAudio::ListInputDevices(std::vector<std::string>& items) {
    items.clear();
    items.emplace_back(kMapperName);
    const int devices = inputs_.ListInputs(items);
    listed_ = items;
    return devices;
}

// The chosen number means the entry of the list the user chose from. Inputs may have come
// or gone since (a recording added sorts in before others), so the entry is looked up by
// its name in the list as it is now: the same name, and among equal names (two cards of
// one model) the same one of them.
std::unique_ptr<AudioInput> TAudio::CreateChosenInput(int device, const std::string& missingInput) {
    const std::size_t entry = static_cast<std::size_t>(device + 1);
    const bool named = device >= 0 && entry < listed_.size();
    if (!named && missingInput.empty()) {
        return inputs_.CreateInput(device); // the default input, or never listed
    }
    const std::string& name = named ? listed_[entry] : missingInput;
    const auto same = named ? std::count(listed_.begin() + 1,
                                         listed_.begin() + static_cast<std::ptrdiff_t>(entry), name)
                            : 0;
    std::vector<std::string> now;
    inputs_.ListInputs(now);
    std::ptrdiff_t seen = 0;
    for (std::size_t i = 0; i < now.size(); ++i) {
        if (now[i] == name && seen++ == same) {
            return inputs_.CreateInput(static_cast<int>(i));
        }
    }
    return std::make_unique<MissingInput>(name);
}

// Backend thread: only the queued call; the handler object and the session do not change
// while the backend runs.
void TAudio::BufferFilled(CaptureBuffer* buffer) {
    const std::uint32_t session = session_.load(std::memory_order_relaxed);
    QMetaObject::invokeMethod(
        callbackHandler_.get(), [this, buffer, session] { DeliverBuffer(buffer, session); },
        Qt::QueuedConnection);
}

// GUI thread.
void TAudio::DeliverBuffer(CaptureBuffer* buffer, std::uint32_t session) {
    if (!open_ || session != session_.load(std::memory_order_relaxed)) {
        return;
    }
    ++delivered_;
    callback_(owner_, *buffer);
    // The handler may have closed (or closed and reopened) the device; the buffer then
    // belongs to no queue any more and must not be queued again.
    if (!open_ || session != session_.load(std::memory_order_relaxed)) {
        return;
    }
    buffer->flags &= ~CaptureBuffer::kDone;
    if (const int error = device_->AddBuffer(*buffer); error != 0) {
        StopCapture(false);
        RecordingEnded("Error while adding audio buffer.", error);
    }
}

// Backend thread: the device's run has ended; the notice follows the buffers it filled.
void TAudio::CaptureFailed(int error) {
    const std::uint32_t session = session_.load(std::memory_order_relaxed);
    QMetaObject::invokeMethod(
        callbackHandler_.get(), [this, error, session] { DeliverFailure(error, session); },
        Qt::QueuedConnection);
}

// GUI thread.
void TAudio::DeliverFailure(int error, std::uint32_t session) {
    if (!open_ || session != session_.load(std::memory_order_relaxed)) {
        return;
    }
    // The backend has stopped already; this settles the device so that a later start
    // records again. A failing device may fail this too, which says nothing new.
    device_->Stop();
    // Silence is no error of the device: the sentence says all there is to say.
    RecordingEnded(error == kNoSoundArrived ? "" : "Error while recording audio.", error);
}

// GUI thread: recording has stopped by itself. The owner ends its measurement first, so
// that the message box finds it idle.
void TAudio::RecordingEnded(const std::string& message, int error) {
    if (failureCallback_ != nullptr) {
        failureCallback_(owner_);
    }
    ReportAudioError(message, error);
}

} // namespace tickora
