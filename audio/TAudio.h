#pragma once

#include "audio/AudioInput.h"
#include "audio/CaptureBuffer.h"
#include "audio/InputCatalog.h"
#include "platform/Dialogs.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class QObject;

namespace tickora {

// Continuous capture into a fixed ring of 20 buffers, each filled buffer handed to the
// owner's delivery callback on the GUI thread, then queued again for recording.
//
// Threads: every public operation and the delivery callback run on the GUI thread (the
// thread of the QCoreApplication). The backend's thread only fills queued buffers and
// posts each filled one, through BufferFilled, as a queued call to a QObject that lives in
// the GUI thread; a device failure is posted the same way, after the buffers before it,
// through CaptureFailed. Deliveries nest when the callback runs an event loop (a modal message
// box): a buffer that arrives meanwhile is delivered inside it, which the main window
// recognises as an overrun.
class TAudio final : private BufferSink {
public:
    // The owner's handler for one filled buffer: its data and its recorded byte count.
    using DeliveryCallback = void (*)(void* owner, const CaptureBuffer& buffer);
    // The owner's handler for a recording that ended by itself: the device failed or went
    // away, or a buffer could not be queued again. Called on the GUI thread once recording
    // has stopped, before the error is shown, so the owner can end its measurement.
    using FailureCallback = void (*)(void* owner);

    TAudio(platform::Dialogs& dialogs, InputCatalog& inputs);
    ~TAudio();
    TAudio(const TAudio&) = delete;
    TAudio& operator=(const TAudio&) = delete;

    // Opens the device (-1 = the system's default input; else the entry device + 1 of the
    // last ListInputDevices, found again by its name) with 20 buffers queued; recording
    // waits for StartCapture. Failures are reported to the user; the device then stays
    // closed. missingInput: the name of an input chosen earlier that the list did not hold
    // (device is then -1); it opens when it is back, else the open says it has gone, rather
    // than another input opening in its place.
    void OpenDevice(int device, int sampleRate, DeliveryCallback callback, void* owner,
                    const std::string& missingInput = std::string());

    // Starts recording; false (after a message) when no device is open or it fails.
    bool StartCapture();

    // Stops recording; the queued buffers stay queued for the next StartCapture. A device
    // that does not stop within about a second is closed as a failed one, with its message
    // whatever reportErrors says.
    void StopCapture(bool reportErrors);

    // Drops the queued buffers, frees them and closes the device; nothing when closed.
    void CloseDevice();

    bool IsOpen() const { return open_; }
    // Closed because it stopped answering, not by the owner; the next OpenDevice clears it.
    bool GivenUp() const { return givenUp_; }

    // Set once by the owner; it receives the owner given to OpenDevice.
    void SetFailureCallback(FailureCallback callback) { failureCallback_ = callback; }

    // An error box with the platform's error text for error (when there is one), a space,
    // then message.
    void ReportAudioError(const std::string& message, int error);

    // Clears items and fills them: "Microsoft Sound Mapper - Input" (device -1), then the
    // inputs for device numbers 0, 1, ... Returns the number of real input devices. The
    // list is kept: OpenDevice opens the input of the entry chosen from it, by its name.
    int ListInputDevices(std::vector<std::string>& items);

    // Delivered so far, and buffers the backend filled; for diagnostics and the demo.
    std::uint64_t DeliveredCount() const { return delivered_; }

private:
    void BufferFilled(CaptureBuffer* buffer) override;                // backend thread
    void CaptureFailed(int error) override;                           // backend thread
    void DeliverBuffer(CaptureBuffer* buffer, std::uint32_t session); // GUI thread
    void DeliverFailure(int error, std::uint32_t session);            // GUI thread
    void RecordingEnded(const std::string& message, int error);       // GUI thread
    void ReleaseBuffers();
    std::unique_ptr<AudioInput> CreateChosenInput(int device, const std::string& missingInput);

    platform::Dialogs& dialogs_;
    InputCatalog& inputs_;

    bool open_ = false;
    bool givenUp_ = false;
    AudioFormat format_;
    std::array<CaptureBuffer, kCaptureBufferCount> buffers_{};
    std::array<std::unique_ptr<std::int16_t[]>, kCaptureBufferCount> blocks_;
    std::unique_ptr<AudioInput> device_; // kept after a close for its error texts
    std::vector<std::string> listed_;    // the last list given out, entry 0 the default
    DeliveryCallback callback_ = nullptr;
    FailureCallback failureCallback_ = nullptr;
    void* owner_ = nullptr;
    std::unique_ptr<QObject> callbackHandler_; // lives in the GUI thread

    // Each open is a new session; a delivery posted in an earlier one is ignored.
    std::atomic<std::uint32_t> session_{0};
    std::uint64_t delivered_ = 0;
};

} // namespace tickora
