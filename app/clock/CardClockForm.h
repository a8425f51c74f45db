#pragma once

#include "app/clock/ClockFit.h"
#include "audio/CaptureBuffer.h"
#include "audio/InputCatalog.h"
#include "dsp/DSP.h"
#include "platform/Dialogs.h"

#include <QDialog>

#include <functional>
#include <memory>
#include <optional>

class QLabel;
class QPushButton;
class QRadioButton;

namespace tickora {

class TAudio;

// The sound card clock assistant: measures how far the card's sample clock is off, against
// the computer's clock or against a quartz watch on the microphone, so that the rate
// correction can cancel it. It records from the input it is given with an audio capture of
// its own, so the main window's device must be closed meanwhile. GUI thread only.
class TCardClockForm : public QDialog {
public:
    TCardClockForm(platform::Dialogs& dialogs, InputCatalog& inputs, dsp::SignalAnalysis& analysis,
                   QWidget* parent = nullptr);
    ~TCardClockForm() override;

    // Measures the input (a device number as the settings store it) in the modal dialog.
    // On OK, the rate correction that cancels the measured error (s/d); nothing on Cancel or
    // when there was nothing to take.
    std::optional<double> Measure(int device);

    // The reference clock, s; the system's monotonic clock unless a test sets another.
    void SetClock(std::function<double()> clock) { clock_ = std::move(clock); }

    enum class Method { ComputerClock, QuartzWatch };
    Method CurrentMethod() const;
    bool Running() const { return running_; }
    ClockFit::Result Estimate() const { return estimate_; }

    // The controls, for tests and the screenshot tool.
    QRadioButton* ComputerClockRadioButton() const { return computerRadio_; }
    QRadioButton* QuartzRadioButton() const { return quartzRadio_; }
    QPushButton* StartButton() const { return startButton_; }
    QPushButton* OKButton() const { return okButton_; }
    QPushButton* CancelButton() const { return cancelButton_; }
    QLabel* ResultLabel() const { return resultLabel_; }
    QLabel* StatusLabel() const { return statusLabel_; }

    static constexpr int kQuartzBph = 3600;     // one step a second
    static constexpr int kQuartzSettling = 5;   // s of sound to find the steps
    static constexpr int kQuartzLiftAngle = 52; // degrees; only for the analysis' bookkeeping

protected:
    void reject() override;

private:
    static void DeliverBuffer(void* owner, const CaptureBuffer& buffer);
    void BufferArrived(const CaptureBuffer& buffer);
    void QuartzBuffer(const std::int16_t* samples, int count);
    void StartStopClick();
    void StartMeasuring();
    void StopMeasuring();
    void ShowEstimate();
    void ShowStatus(const QString& text);

    platform::Dialogs& dialogs_;
    InputCatalog& inputs_;
    dsp::SignalAnalysis& analysis_;
    std::function<double()> clock_;
    std::unique_ptr<TAudio> audio_;

    bool running_ = false;
    ClockFit fit_;
    ClockFit::Result estimate_;
    // Computer clock: the samples delivered since the start and the first buffer's time.
    double samples_ = 0.0;
    double startTime_ = 0.0; // s
    bool delivered_ = false;
    double lastDelivery_ = 0.0; // s, when the last buffer arrived
    // Quartz watch: calibration, then each step's onset fitted against its number.
    bool quartzCalibrated_ = false;
    bool haveStep_ = false;
    double lastStep_ = 0.0; // s, the last step's onset on the card's clock
    long long stepNumber_ = 0;

    QRadioButton* computerRadio_ = nullptr;
    QRadioButton* quartzRadio_ = nullptr;
    QLabel* noteLabel_ = nullptr;
    QLabel* resultLabel_ = nullptr;
    QLabel* statusLabel_ = nullptr;
    QPushButton* startButton_ = nullptr;
    QPushButton* okButton_ = nullptr;
    QPushButton* cancelButton_ = nullptr;
};

// The texts of an estimate, as the assistant shows them: the card's error, and the status
// line under it of a valid estimate.
QString CardClockText(const ClockFit::Result& estimate);
QString CardClockStatus(const ClockFit::Result& estimate);

} // namespace tickora
