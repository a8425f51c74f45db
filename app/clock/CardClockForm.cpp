#include "app/clock/CardClockForm.h"

#include "audio/TAudio.h"
#include "platform/QtDialogs.h"
#include "platform/QtFont.h"
#include "report/ValueTexts.h"

#include <QButtonGroup>
#include <QHBoxLayout>
#include <QLabel>
#include <QPalette>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include <chrono>
#include <cmath>

namespace tickora {

namespace {

constexpr int kTextPixels = 13;     // captions
constexpr int kResultPixels = 22;   // the measured error
constexpr int kButtonPixels = 12;   // the buttons
constexpr int kQuartzPeriod = 20;   // s, the analysis' averaging period (its results are unused)
constexpr double kMaxStepGap = 5.5; // s between steps before the count is lost
constexpr double kStallGap = 0.45;  // s between buffers (normally 0.093) that may have lost sound
constexpr int kEnvelopeBins = 20;   // stretches of the run, each compared on its least late buffer

double MonotonicSeconds() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// With its sign, except for a value that shows as zero.
QString Signed(double value, int decimals) {
    const QString digits = QString::number(std::fabs(value), 'f', decimals);
    if (digits.toDouble() == 0.0)
        return digits;
    return (value > 0 ? "+" : "-") + digits;
}

QString Duration(double seconds) {
    const int whole = static_cast<int>(seconds);
    return whole >= 60 ? QString("%1 min %2 s").arg(whole / 60).arg(whole % 60)
                       : QString("%1 s").arg(whole);
}

} // namespace

QString CardClockText(const ClockFit::Result& estimate) {
    if (!estimate.valid)
        return "Sound card clock: not yet measured";
    return QString("Sound card clock: %1 s/d \u00b1 %2 s/d")
        .arg(Signed(estimate.error, 2))
        .arg(estimate.uncertainty, 0, 'f', 2);
}

QString CardClockStatus(const ClockFit::Result& estimate) {
    // Which way the card runs is said only once the measurement tells it apart from zero,
    // compared as shown: "+0.01 s/d ± 0.01 s/d" tells no direction.
    QString direction;
    if (std::fabs(Signed(estimate.error, 2).toDouble()) >
        QString::number(estimate.uncertainty, 'f', 2).toDouble())
        direction = estimate.error > 0 ? " The card runs fast, so every watch reads slow."
                                       : " The card runs slow, so every watch reads fast.";
    return QString("Measured for %1.%2 A Rate Correction of %3 s/d cancels it.")
        .arg(Duration(estimate.span))
        .arg(direction)
        .arg(Signed(estimate.error, 2));
}

TCardClockForm::TCardClockForm(platform::Dialogs& dialogs, InputCatalog& inputs,
                               dsp::SignalAnalysis& analysis, QWidget* parent)
    : QDialog(parent), dialogs_(dialogs), inputs_(inputs), analysis_(analysis),
      clock_(&MonotonicSeconds) {
    platform::GiveDialogLook(*this, "Sound Card Clock", kTextPixels);

    auto* intro = new QLabel(
        "Every sound card's clock is off by a little, and every reading with it: each part per "
        "million is 0.0864 s/d. Measure it here with the input chosen in the settings; OK puts "
        "the correction that cancels it into Rate Correction.",
        this);
    intro->setWordWrap(true);
    computerRadio_ = new QRadioButton("Against the &computer's clock", this);
    quartzRadio_ = new QRadioButton("Against a &quartz watch on the microphone", this);
    auto* methods = new QButtonGroup(this);
    methods->addButton(computerRadio_);
    methods->addButton(quartzRadio_);
    computerRadio_->setChecked(true);
    noteLabel_ = new QLabel(this);
    noteLabel_->setWordWrap(true);
    noteLabel_->setMinimumHeight(3 * QFontMetrics(font()).lineSpacing());
    noteLabel_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    resultLabel_ = new QLabel(CardClockText(estimate_), this);
    resultLabel_->setFont(platform::ArialFont(kResultPixels, true));
    statusLabel_ = new QLabel(this);
    statusLabel_->setWordWrap(true);
    statusLabel_->setMinimumHeight(2 * QFontMetrics(font()).lineSpacing());
    statusLabel_->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    startButton_ = new QPushButton("&Start", this);
    okButton_ = new QPushButton("OK", this);
    cancelButton_ = new QPushButton("Cancel", this);
    for (QPushButton* button : {startButton_, okButton_, cancelButton_}) {
        button->setFont(platform::ArialFont(kButtonPixels));
        button->setFixedWidth(75);
    }
    // Enter presses the default button only, never the focused one: Start at rest, OK once
    // there is a result to take (also while measuring, which it stops).
    for (QPushButton* button : {startButton_, okButton_, cancelButton_})
        button->setAutoDefault(false);
    startButton_->setDefault(true);
    okButton_->setEnabled(false);
    QObject::connect(startButton_, &QPushButton::clicked, this, &TCardClockForm::StartStopClick);
    QObject::connect(okButton_, &QPushButton::clicked, this, [this] {
        StopMeasuring();
        accept();
    });
    QObject::connect(cancelButton_, &QPushButton::clicked, this, &TCardClockForm::reject);
    auto showNote = [this] {
        noteLabel_->setText(
            CurrentMethod() == Method::ComputerClock
                ? "Counts the samples the card delivers against the computer's clock, which "
                  "network time keeps true. Let it run: the uncertainty narrows with time, to "
                  "about \u00b10.2 s/d in a few minutes."
                : "Hold the microphone to a quartz watch whose seconds hand steps once a "
                  "second; it is measured as a 3600 bph watch. The quartz watch's own error "
                  "is taken as zero: it is small, but it goes into the result.");
    };
    QObject::connect(computerRadio_, &QRadioButton::toggled, this, showNote);
    showNote();

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(startButton_);
    buttons->addStretch(1);
    buttons->addWidget(okButton_);
    buttons->addSpacing(8);
    buttons->addWidget(cancelButton_);
    auto* page = new QVBoxLayout(this);
    page->setContentsMargins(12, 12, 12, 12);
    page->setSpacing(8);
    page->addWidget(intro);
    page->addWidget(computerRadio_);
    page->addWidget(quartzRadio_);
    page->addWidget(noteLabel_);
    page->addWidget(resultLabel_);
    page->addWidget(statusLabel_);
    page->addLayout(buttons);
    setFixedWidth(460);
}

TCardClockForm::~TCardClockForm() = default;

TCardClockForm::Method TCardClockForm::CurrentMethod() const {
    return quartzRadio_->isChecked() ? Method::QuartzWatch : Method::ComputerClock;
}

std::optional<double> TCardClockForm::Measure(int device) {
    estimate_ = {};
    fit_.Clear();
    resultLabel_->setText(CardClockText(estimate_));
    ShowStatus("Press Start to measure.");
    okButton_->setEnabled(false);
    startButton_->setText("&Start");
    startButton_->setDefault(true);
    startButton_->setFocus();
    audio_ = std::make_unique<TAudio>(dialogs_, inputs_);
    // A card that fails or goes away ends the measurement; TAudio says why.
    audio_->SetFailureCallback(
        [](void* owner) { static_cast<TCardClockForm*>(owner)->StopMeasuring(); });
    audio_->OpenDevice(device, kCaptureSampleRate, &TCardClockForm::DeliverBuffer, this);
    if (!audio_->IsOpen()) {
        audio_.reset();
        return std::nullopt; // TAudio has said why
    }
    platform::CentreOnOwner(*this);
    const bool accepted = exec() == QDialog::Accepted;
    StopMeasuring();
    audio_->CloseDevice();
    audio_.reset();
    if (!accepted || !estimate_.valid)
        return std::nullopt;
    return estimate_.error;
}

void TCardClockForm::reject() {
    StopMeasuring();
    QDialog::reject();
}

void TCardClockForm::StartStopClick() {
    if (running_)
        StopMeasuring();
    else
        StartMeasuring();
}

void TCardClockForm::StartMeasuring() {
    fit_.Clear();
    estimate_ = {};
    samples_ = 0.0;
    startTime_ = 0.0;
    delivered_ = false;
    quartzCalibrated_ = false;
    haveStep_ = false;
    stepNumber_ = 0;
    // Buffers can only be late, so the computer's clock is compared on the least late one of
    // each stretch of the run; the quartz watch's steps are timed on the card's own clock and
    // each counts.
    fit_ = ClockFit(CurrentMethod() == Method::ComputerClock ? kEnvelopeBins : 0);
    if (CurrentMethod() == Method::QuartzWatch) {
        analysis_.ResetFilter();
        analysis_.BeginCalibration(kQuartzSettling, 0, 0.0);
        ShowStatus("Finding the quartz watch's steps...");
    } else {
        ShowStatus("Counting the card's samples...");
    }
    resultLabel_->setText(CardClockText(estimate_));
    okButton_->setEnabled(false);
    if (!audio_ || !audio_->StartCapture())
        return;
    running_ = true;
    startButton_->setText("S&top");
    okButton_->setDefault(true);
    computerRadio_->setEnabled(false);
    quartzRadio_->setEnabled(false);
}

void TCardClockForm::StopMeasuring() {
    if (!running_)
        return;
    running_ = false;
    audio_->StopCapture(false);
    startButton_->setText("&Start");
    // Once stopped with a result, Enter takes it; without one, Enter starts again.
    if (estimate_.valid) {
        okButton_->setFocus();
    } else {
        startButton_->setDefault(true);
    }
    computerRadio_->setEnabled(true);
    quartzRadio_->setEnabled(true);
}

void TCardClockForm::DeliverBuffer(void* owner, const CaptureBuffer& buffer) {
    static_cast<TCardClockForm*>(owner)->BufferArrived(buffer);
}

void TCardClockForm::BufferArrived(const CaptureBuffer& buffer) {
    if (!running_ || !buffer.data)
        return;
    const int count = buffer.SampleCount();
    // A stall long enough to have run the capture ring dry may have lost sound: the card's
    // count may jump there, so the fit starts a new segment.
    const double now = clock_();
    if (delivered_ && now - lastDelivery_ > kStallGap) {
        fit_.Break();
        haveStep_ = false;
    }
    delivered_ = true;
    lastDelivery_ = now;
    if (CurrentMethod() == Method::QuartzWatch) {
        QuartzBuffer(buffer.data, count);
        return;
    }
    // The buffer's last sample has just been recorded: the card's count of time against the
    // computer's. The first buffer sets both clocks' zero.
    if (samples_ == 0.0)
        startTime_ = now - static_cast<double>(count) / kCaptureSampleRate;
    samples_ += count;
    const double elapsed = now - startTime_;
    fit_.Add(elapsed, samples_ / kCaptureSampleRate - elapsed);
    ShowEstimate();
}

void TCardClockForm::QuartzBuffer(const std::int16_t* samples, int count) {
    if (!quartzCalibrated_) {
        if (!analysis_.AddCalibrationSamples(samples, count))
            return;
        int bph = 0;
        double peak = 0.0;
        double rate = 0.0;
        if (!analysis_.FinishCalibration(kQuartzBph, kQuartzLiftAngle, bph, peak, rate)) {
            StopMeasuring();
            ShowStatus(QString::fromStdString(report::CalibrationFailureText(kQuartzBph)) +
                       " This method needs a quartz watch whose seconds hand steps once a "
                       "second, held to the microphone.");
            return;
        }
        quartzCalibrated_ = true;
        ShowStatus("Timing the steps...");
        return;
    }
    analysis_.ProcessTickSamples(samples, count, kQuartzPeriod, {}, 1, false, kQuartzLiftAngle);
    dsp::TickResult result;
    while (analysis_.NextTickResult(result)) {
        // Steps are numbered by the whole seconds between them, so a missed step does not
        // shift the count; a second step within the same second is a stray sound.
        if (haveStep_) {
            const double gap = result.Time - lastStep_;
            const long long steps = std::llround(gap);
            if (steps < 1)
                continue;
            if (gap > kMaxStepGap) {
                // The watch was away too long to count its steps: a new segment.
                fit_.Break();
            } else {
                stepNumber_ += steps;
            }
        }
        haveStep_ = true;
        lastStep_ = result.Time;
        fit_.Add(static_cast<double>(stepNumber_), result.Time - static_cast<double>(stepNumber_));
    }
    ShowEstimate();
}

void TCardClockForm::ShowEstimate() {
    // The zero of the fit's second axis is arbitrary; only its slope is the card's error.
    estimate_ = fit_.Fit();
    resultLabel_->setText(CardClockText(estimate_));
    okButton_->setEnabled(estimate_.valid);
    if (!estimate_.valid)
        return;
    ShowStatus(CardClockStatus(estimate_));
}

void TCardClockForm::ShowStatus(const QString& text) {
    statusLabel_->setText(text);
}

} // namespace tickora
