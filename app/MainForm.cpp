#include "app/MainForm.h"

#include "app/GainBar.h"
#include "app/StartupPicture.h"
#include "app/plot/BeatShapeView.h"
#include "pages/StateFile.h"
#include "report/ValueTexts.h"
#include "settings/DataFolder.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QScreen>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <cmath>

namespace tickora {

namespace {
constexpr int kStartupPictureMinimum = 2000; // ms the start-up picture stays at least
constexpr int kActivationFallback = 500;     // ms to wait for the first activation
constexpr double kSilenceStop = 10.0;        // s without an onset that ends a test
} // namespace

TMainForm::TMainForm(TMainFormServices services, QWidget* parent)
    : QWidget(parent), services_(services), plotImage_(kPlotWidth, kPlotHeight),
      plotCanvas_(plotImage_), trace_(plotCanvas_), chart_(plotCanvas_),
      gainImage_(kGainBarWidth, 43) {
    // A fixed dialog-style frame: no maximise box, no resizing.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);
    setFixedSize(kClientWidth, kClientHeight);
    setFocusPolicy(Qt::StrongFocus);
    layout_ = BuildMainLayout(this, plotImage_, gainImage_);
    display_ = std::make_unique<TResultDisplay>(layout_, gainImage_);
    toolbar_ = std::make_unique<TToolbar>(layout_.LeftPanel);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());

    toolbar_->SetHandler(ToolbarButton::Start, [this] { StartOrGoOn(); });
    toolbar_->SetHandler(ToolbarButton::Pause, [this] { PauseButtonClick(); });
    toolbar_->SetHandler(ToolbarButton::Resume, [this] { ResumeButtonClick(); });
    toolbar_->SetHandler(ToolbarButton::Stop, [this] { StopButtonClick(); });
    toolbar_->SetHandler(ToolbarButton::LongTerm, [this] { LongTermButtonClick(); });
    toolbar_->SetHandler(ToolbarButton::Scope, [this] { ScopeButtonClick(); });
    toolbar_->SetHandler(ToolbarButton::Annotate, [this] { AnnotateButtonClick(); });
    toolbar_->SetHandler(ToolbarButton::Report, [this] { ReportButtonClick(); });
    toolbar_->SetHandler(ToolbarButton::Export, [this] { ExportButtonClick(); });
    toolbar_->SetHandler(ToolbarButton::Settings, [this] { SettingsButtonClick(); });
    toolbar_->SetHandler(ToolbarButton::Previous, [this] { PreviousButtonClick(); });
    toolbar_->SetHandler(ToolbarButton::Next, [this] { NextButtonClick(); });
    toolbar_->SetHandler(ToolbarButton::Sequence, [this] { SequenceButtonClick(); });
    toolbar_->SetHandler(ToolbarButton::Shapes, [this] { ShapesButtonClick(); });
    toolbar_->SetHandler(ToolbarButton::AnalyseAgain, [this] { AnalyseAgainButtonClick(); });
    shapeArea_ = new ImageView(shapeImage_, layout_.RightPanel);
    shapeArea_->setObjectName("ShapeArea");
    shapeArea_->setGeometry(layout_.PlotArea->geometry());
    shapeArea_->hide();
    layout_.ParametersHeading()->SetHandler([this] { SettingsButtonClick(); });
    layout_.ParametersLabel()->SetHandler([this] { SettingsButtonClick(); });

    trace_.SetCommitPage([this] { CommitTraceScreen(); });
    sequencePrompt_ = std::make_unique<tickora::SequencePrompt>(layout_.PlotArea, sequence_,
                                                                [this] { SequenceGoOn(); });
    services_.Pages.SetPlotSnapshot(this);
    services_.Pages.SetSoundSource(this);

    // FormCreate.
    firstActivation_ = true;
    pageIndex_ = 0;
    longTermActive_ = false;
    scopeShownLast_ = false;
    state_ = MeasurementState::Idle;
    audio_ = std::make_unique<TAudio>(services_.Dialogs, services_.Inputs);
    audio_->SetFailureCallback(&TMainForm::DeliverCaptureFailure);
    trace_.ClearPlot();
    setWindowTitle(QString::fromStdString(applicationTitle_));
}

TMainForm::~TMainForm() {
    // FormDestroy: the device goes before the window it delivers to.
    audio_.reset();
    services_.Pages.SetPlotSnapshot(nullptr);
    services_.Pages.SetSoundSource(nullptr);
}

void TMainForm::SetStartupPicture(TStartupPicture* picture, std::uint64_t shownAt) {
    startupPicture_ = picture;
    startupShownAt_ = shownAt;
}

// ---------------------------------------------------------------- window events

bool TMainForm::event(QEvent* event) {
    switch (event->type()) {
    case QEvent::Show:
        FormShow();
        break;
    case QEvent::WindowActivate:
        FormActivate();
        break;
    case QEvent::KeyPress: {
        // Tab reaches the window as a dialog key, before focus handling takes it.
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab) {
            CMDialogKey(9);
            return true;
        }
        break;
    }
    default:
        break;
    }
    return QWidget::event(event);
}

void TMainForm::FormShow() {
    if (firstActivation_) {
        applicationTitle_ = "Tickora " + std::string(kVersion);
        setWindowTitle(QString::fromStdString(applicationTitle_));
        // Without a window manager the window may never be activated; the start-up work
        // must run all the same.
        QTimer::singleShot(kActivationFallback, this, [this] {
            if (firstActivation_)
                FormActivate();
        });
    }
    UpdateControls();
}

void TMainForm::FormActivate() {
    if (firstActivation_) {
        // The start-up work runs once, whatever the order of events: its message boxes and
        // the settings dialog run nested event loops, in which the fallback timer or a
        // re-activation of this window call here again.
        firstActivation_ = false;
        // The window is laid out before the settings and the device are opened, so a box
        // they show stands over a finished window, not over the design-time layout.
        plotCanvas_.CurrentFont().face = font().family().toStdString();
        toolbar_->PlaceInSlots();
        // The manual-level panel covers the result labels while it shows.
        layout_.ManualLevelPanel->setGeometry(0, 0, layout_.TopPanel->width(),
                                              layout_.TopPanel->height());
        gainStep_ = GainStepFor(display_->PlaceGain());
        HideGain();
        ShowParameters(0);
        // No watch measured yet: no design-time figures in the result labels.
        display_->ClearResults();
        UpdateControls();
        // A box that needs an answer must not open under the start-up picture.
        qApp->installEventFilter(this);
        if (settings_)
            settings_->StartupLoad();
        FillRecord();
        OpenDevice();
        ShowParameters(static_cast<std::int32_t>(report::RoundHalfEven(beatsPerSecond_ * 3600)));
        LoadState();
        UpdateControls();
        repaint();
        if (startupPicture_) {
            // The picture stays up at least its minimum time since it became active.
            while (startupPicture_->isVisible() &&
                   services_.Dialogs.TickCount() - startupShownAt_ <
                       static_cast<std::uint64_t>(kStartupPictureMinimum)) {
                QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents, 20);
                QThread::msleep(10);
            }
            CloseStartupPicture();
        }
        qApp->removeEventFilter(this);
        return;
    }
    // The parameters label keeps what the last action showed (a settings change shows the
    // settings' rate); activation does not redraw it.
    if (startupPicture_ && startupPicture_->isVisible())
        startupPicture_->activateWindow();
}

void TMainForm::CloseStartupPicture() {
    if (startupPicture_) {
        startupPicture_->hide();
        startupPicture_ = nullptr;
    }
}

bool TMainForm::eventFilter(QObject* watched, QEvent* event) {
    // Only installed during the first activation: the first modal window to open (an error
    // box, the settings dialog) ends the start-up picture at once.
    if (event->type() == QEvent::Show && watched->isWidgetType()) {
        auto* widget = static_cast<QWidget*>(watched);
        if (widget->isWindow() && widget->isModal() && widget != startupPicture_)
            CloseStartupPicture();
    }
    return QWidget::eventFilter(watched, event);
}

void TMainForm::closeEvent(QCloseEvent* event) {
    FormClose();
    event->accept();
}

void TMainForm::FormClose() {
    if (toolbar_->Enabled(ToolbarButton::Stop))
        StopButtonClick();
    audio_->CloseDevice();
    FinishPageSounds();
    if (services_.Pages.PagesChanged())
        SaveState();
}

// ---------------------------------------------------------------- helpers

void TMainForm::FillRecord() {
    if (settings_)
        settings_->FillRecord(settingsRecord_);
    if (sequence_.Active()) {
        // The sequence decides when a position ends; the rate found at its first position
        // is verified at the others.
        settingsRecord_.Pause = false;
        if (sequence_.BeatRate() != 0)
            settingsRecord_.Rate = sequence_.BeatRate();
    }
}

void TMainForm::OpenDevice() {
    audio_->OpenDevice(settingsRecord_.InputDevice, kCaptureSampleRate, &TMainForm::DeliverBuffer,
                       this, settingsRecord_.MissingInput);
}

void TMainForm::ShowError(const std::string& text) {
    services_.Dialogs.ShowMessage(text, platform::MessageIcon::Error, platform::MessageButtons::Ok);
}

void TMainForm::RefreshPlot() {
    layout_.PlotArea->update();
}

plot::TraceInputs TMainForm::TraceInputs() const {
    plot::TraceInputs inputs;
    inputs.beatsPerSecond = beatsPerSecond_;
    inputs.scale = settingsRecord_.Scale;
    inputs.gain = settingsRecord_.Gain;
    inputs.pause = settingsRecord_.Pause;
    return inputs;
}

void TMainForm::PlotRawRow(bool flag, double value) {
    trace_.PlotRawRow(TraceInputs(), flag, value);
}

void TMainForm::CommitTraceScreen() {
    // A sequence measures each position into exactly one page, at the position's end, however
    // many screens its trace fills.
    // Analysing a page's sound again makes no page either.
    if (sequence_.Active() || analysingAgain_)
        return;
    if (services_.Pages.CommitPage(settingsRecord_.Angle, settingsRecord_.Period, beatsPerSecond_))
        sequencePages_ = 0;
}

void TMainForm::SnapshotPlot(std::shared_ptr<platform::Image>& slot, bool copy) {
    pages::FitPageImage(slot, plotImage_.Width(), plotImage_.Height());
    if (copy)
        trace_.SnapshotPlot(*slot, true);
}

void TMainForm::RedrawChart(const longterm::LongTermAccumulation& accumulation) {
    chart_.RedrawChart(accumulation);
    RefreshPlot();
}

// State file: loaded at the first activation, saved at close when the pages changed.
void TMainForm::LoadState() {
    pages::StateFileOutcome outcome;
    {
        platform::WaitCursor hourglass(services_.Dialogs);
        outcome = pages::LoadState(services_.Pages, DataFolder());
        // What a run that ended without saving left: its recording and pages' sounds.
        tools::SoundRecorder::RemoveLeftovers(DataFolder());
        pages::RemoveUnsavedSounds(DataFolder());
    }
    if (!outcome.ErrorMessage.empty())
        ShowError(outcome.ErrorMessage);
    if (services_.Pages.PageCount() > 0)
        ShowPage(services_.Pages.PageCount());
}

void TMainForm::SaveState() {
    pages::StateFileOutcome outcome;
    {
        platform::WaitCursor hourglass(services_.Dialogs);
        outcome = pages::SaveState(services_.Pages, DataFolder());
    }
    if (!outcome.ErrorMessage.empty())
        ShowError(outcome.ErrorMessage);
}

// ---------------------------------------------------------------- buffer dispatch

void TMainForm::DeliverBuffer(void* owner, const CaptureBuffer& buffer) {
    static_cast<TMainForm*>(owner)->ProcessAudioBuffer(buffer);
}

void TMainForm::ProcessAudioBuffer(const CaptureBuffer& buffer) {
    const int count = buffer.data ? buffer.SampleCount() : 0;
    switch (state_) {
    case MeasurementState::Idle:
    case MeasurementState::Detecting:
    case MeasurementState::Paused:
        break;
    case MeasurementState::Calibrating:
        CalibrationBuffer(buffer.data, count);
        break;
    case MeasurementState::ManualLevel:
        SweepScope(buffer.data, count, MeasurementState::ManualLevel);
        break;
    case MeasurementState::Testing:
        TestingBuffer(buffer.data, count);
        break;
    case MeasurementState::Scope:
        ScopeBuffer(buffer.data, count);
        break;
    case MeasurementState::Busy:
        AudioOverrun();
        break;
    }
}

void TMainForm::CalibrationBuffer(const std::int16_t* samples, int count) {
    dsp::SignalAnalysis& analysis = services_.Analysis;
    RecordSound(samples, count);
    if (analysis.AddCalibrationSamples(samples, count)) {
        state_ = MeasurementState::Detecting;
        int bph = 0;
        double peakLevel = 0.0;
        double initialRate = 0.0;
        if (analysis.FinishCalibration(settingsRecord_.Rate, settingsRecord_.Angle, bph, peakLevel,
                                       initialRate)) {
            ShowParameters(bph);
            ShowRate(false, initialRate);
            beatsPerSecond_ = bph / 3600.0;
            if (sequence_.Active() && sequence_.BeatRate() == 0)
                sequence_.SetBeatRate(bph);
            if (settingsRecord_.Manual) {
                // One sweep spans two beats, a tick and a tock.
                PrepareScopeView(peakLevel * 1.5, beatsPerSecond_ / 2);
                state_ = MeasurementState::ManualLevel;
            } else {
                BeginTesting();
            }
        } else {
            state_ = MeasurementState::Idle;
            // A long-term test that never began ends with its calibration, and so does a
            // sequence: the pages measured so far stay.
            longTermActive_ = false;
            if (sequence_.Active())
                EndSequence();
            audio_->StopCapture(true);
            recorder_.Stop();
            ShowError(report::CalibrationFailureText(settingsRecord_.Rate));
        }
        UpdateControls();
    }
    layout_.CalibrationProgressBar->setValue(static_cast<int>(report::RoundHalfEven(
        analysis.CalibrationProgress() * layout_.CalibrationProgressBar->maximum())));
}

void TMainForm::TestingBuffer(const std::int16_t* samples, int count) {
    dsp::SignalAnalysis& analysis = services_.Analysis;
    state_ = MeasurementState::Busy;
    busyFrom_ = MeasurementState::Testing;
    RecordSound(samples, count);
    if (longTermActive_ && awaitingFirstChartPoint_)
        longTermSamples_ += count;
    if (sequence_.CurrentStep() == PositionSequence::Step::Measuring)
        sequenceSeconds_ += static_cast<double>(count) / kCaptureSampleRate;
    const bool plotRaw = settingsRecord_.PlotRaw && !longTermActive_;
    const bool completed =
        analysis.ProcessTickSamples(samples, count, settingsRecord_.Period,
                                    dsp::PlotRawCallback::Bind<&TMainForm::PlotRawRow>(this),
                                    kPlotHeight, plotRaw, settingsRecord_.Angle);
    if (completed) {
        dsp::TickResult r;
        // Pause (or an overrun's stop) ends the loop; the rest waits for Resume.
        while (state_ == MeasurementState::Busy && analysis.NextTickResult(r)) {
            const bool complete = dsp::IsSettled(r, settingsRecord_.Period);
            if (r.Valid)
                display_->ShowSignal(r, settingsRecord_.Period);
            if (longTermActive_) {
                double rate = r.Rate;
                double amplitude = r.Amplitude;
                double beatError = r.BeatError;
                const bool point =
                    services_.LongTerm.AddLongTermResult(rate, amplitude, beatError, r.Time);
                if (point) {
                    awaitingFirstChartPoint_ = false;
                    services_.Pages.RecordResult(complete, rate, amplitude, beatError);
                }
                if (point || (r.Valid && (awaitingFirstChartPoint_ || !complete)))
                    ShowResults(complete, rate, amplitude, beatError);
            } else {
                services_.Pages.RecordResult(complete, r.Rate, r.Amplitude, r.BeatError);
                if (!settingsRecord_.PlotRaw)
                    trace_.PlotTick(TraceInputs(), complete, r.Span, r.Time);
                if (r.Valid)
                    ShowResults(complete, r.Rate, r.Amplitude, r.BeatError);
                if (sequence_.CurrentStep() == PositionSequence::Step::Measuring) {
                    if (sequence_.ResultArrived(complete, sequenceSeconds_))
                        FinishSequencePosition();
                } else if (complete && settingsRecord_.Pause) {
                    PauseButtonClick();
                }
            }
        }
    } else if (analysis.SecondsSinceOnset() > kSilenceStop) {
        StopButtonClick();
    }
    if (state_ != MeasurementState::Paused && state_ != MeasurementState::Idle)
        state_ = MeasurementState::Testing;
    if (state_ == MeasurementState::Testing && longTermActive_ && awaitingFirstChartPoint_)
        ShowFirstPointWait();
    if (shapesShown_)
        DrawShapes();
    RefreshPlot();
}

// W: the beat shapes over the plot area, or the trace again.
void TMainForm::ShapesButtonClick() {
    shapesShown_ = !shapesShown_;
    if (shapesShown_)
        DrawShapes();
    shapeArea_->setVisible(shapesShown_);
    UpdateControls();
}

void TMainForm::DrawShapes() {
    plot::DrawBeatShapes(shapeCanvas_, services_.Analysis, settingsRecord_.Angle);
    shapeArea_->update();
}

void TMainForm::ShowFirstPointWait() {
    const double interval = services_.LongTerm.Interval();
    const double tested = static_cast<double>(longTermSamples_) / kCaptureSampleRate;
    const int left = std::max(0, static_cast<int>(std::ceil(interval - tested)));
    if (left == firstPointSecondsShown_)
        return;
    firstPointSecondsShown_ = left;
    chart_.DrawAwaitingFirstPoint(left, interval);
    RefreshPlot();
}

void TMainForm::ScopeBuffer(const std::int16_t* samples, int count) {
    state_ = MeasurementState::Busy;
    busyFrom_ = MeasurementState::Scope;
    SweepScope(samples, count, MeasurementState::Busy);
    if (state_ == MeasurementState::Busy)
        state_ = MeasurementState::Scope;
}

// Both scope views sweep the filtered level across the plot, until the buffer ends or the
// state leaves `during` (a nested event loop ended the view).
void TMainForm::SweepScope(const std::int16_t* samples, int count, MeasurementState during) {
    for (int i = 0; i < count && state_ == during; ++i) {
        const dsp::ScopePoint point = services_.Analysis.ScopeSample(samples[i]);
        trace_.PlotScopeSample(settingsRecord_.Gain, point.Time, point.Level);
    }
    RefreshPlot();
}

void TMainForm::AudioOverrun() {
    // A buffer arrived while the previous one was still being handled (a nested event loop).
    // The measurement ends as Stop ends it, so its result is kept as a page.
    state_ = busyFrom_;
    StopButtonClick();
    ShowError("Audio data overrun.");
}

void TMainForm::DeliverCaptureFailure(void* owner) {
    static_cast<TMainForm*>(owner)->CaptureFailed();
}

void TMainForm::CaptureFailed() {
    // The device failed or went away and recording has stopped; no buffer will come to end
    // the measurement, so it ends here as Stop ends it and its result is kept as a page.
    // TAudio shows the error next. The notice may arrive inside a buffer's nested event
    // loop, while Busy.
    if (state_ == MeasurementState::Busy)
        state_ = busyFrom_;
    if (state_ != MeasurementState::Idle && state_ != MeasurementState::Paused)
        StopButtonClick();
}

void TMainForm::ShowResults(bool complete, double rate, double amplitude, double beatError) {
    ShowRate(complete, rate);
    ShowAmplitude(complete, amplitude);
    ShowBeatError(complete, beatError);
}

// ---------------------------------------------------------------- buttons

void TMainForm::StartButtonClick() {
    StartTest(false);
}

// The start of an ordinary or a long-term test: a new one calibrates first, a paused one goes
// on with its own parameters.
void TMainForm::StartTest(bool longTerm) {
    const bool resuming = state_ == MeasurementState::Paused;
    const int shownBefore = pageIndex_;
    services_.Analysis.ResetFilter();
    trace_.ClearPlot();
    if (resuming) {
        ContinuePausedTest();
    } else {
        FillRecord();
        StartRecording();
        // Nothing is known of the new test yet: the settings' parameters, no results.
        ShowParameters(0);
        display_->ClearResults();
        display_->ClearSignal();
    }
    display_->ShowSignalFigure(true);
    if (!longTerm)
        pageIndex_ = services_.Pages.PageCount();
    longTermActive_ = longTerm;
    awaitingFirstChartPoint_ = longTerm;
    if (!resuming) {
        StartCalibration();
        state_ = MeasurementState::Calibrating;
    } else if (settingsRecord_.Manual && !longTerm) {
        trace_.DrawThresholdLine(services_.Analysis.ThresholdLevel(), settingsRecord_.Gain);
        state_ = MeasurementState::ManualLevel;
    } else {
        if (longTerm) {
            services_.LongTerm.StartLongTerm(this);
            longTermSamples_ = 0;
            firstPointSecondsShown_ = 0;
        } else {
            trace_.DrawReferenceLine(trace_.ReferenceRow());
        }
        services_.Analysis.ResetTickDetector();
        state_ = MeasurementState::Testing;
    }
    if (!audio_->StartCapture()) {
        state_ = MeasurementState::Idle;
        recorder_.Stop();
        if (longTerm) {
            services_.LongTerm.StopLongTerm();
            longTermActive_ = false;
        }
        // Nothing was measured: the window goes back to what it showed, a page with its
        // results rather than an empty screen under the page's caption.
        awaitingFirstChartPoint_ = false;
        signalOfNewest_ = signalOfNewest_ && resuming;
        pageIndex_ = shownBefore;
        if (PageShown()) {
            ShowPage(pageIndex_);
            return;
        }
    }
    // The manual threshold view always shows the gain it draws with.
    if (state_ == MeasurementState::ManualLevel)
        ShowGain(settingsRecord_.Gain);
    if (longTermActive_ && state_ == MeasurementState::Testing)
        ShowFirstPointWait();
    UpdateControls();
    RefreshPlot();
}

void TMainForm::PauseButtonClick() {
    state_ = MeasurementState::Paused;
    audio_->StopCapture(true);
    // Paused before the first result, the screen is still the live one, not a page.
    const bool committed =
        services_.Pages.CommitPage(settingsRecord_.Angle, settingsRecord_.Period, beatsPerSecond_);
    if (committed) {
        sequencePages_ = 0;
        signalOfNewest_ = true;
    }
    pageIndex_ = services_.Pages.PageCount() + (committed ? 0 : 1);
    UpdateControls();
}

void TMainForm::ContinuePausedTest() {
    // A page shown meanwhile showed its own parameters; the test's are back.
    ShowParameters(static_cast<std::int32_t>(report::RoundHalfEven(beatsPerSecond_ * 3600)));
}

void TMainForm::StopButtonClick() {
    // A page committed here belongs to the sequence when it ends the sequence's measurement.
    const bool ofSequence = sequence_.Active();
    if (sequence_.Active() && !sequenceStopping_) {
        // Stop ends a sequence at any point. Between positions there is no measurement to
        // stop; during one, it ends as any test ends and its page is kept.
        const bool measuring = sequence_.CurrentStep() == PositionSequence::Step::Measuring;
        EndSequence();
        if (!measuring)
            return;
    }
    const bool paused = state_ == MeasurementState::Paused;
    scopeShownLast_ = state_ == MeasurementState::Scope || state_ == MeasurementState::ManualLevel;
    HideGain();
    state_ = MeasurementState::Idle;
    audio_->StopCapture(true);
    pages::PageHistory& pages = services_.Pages;
    bool committed = false;
    if (longTermActive_) {
        services_.LongTerm.StopLongTerm();
        if (awaitingFirstChartPoint_) {
            // No chart and no page: the countdown goes, the live screen stays empty.
            trace_.ClearPlot();
            pageIndex_ = pages.PageCount() + 1;
        } else {
            pages.CommitLongTermPage(settingsRecord_.Angle, settingsRecord_.Period,
                                     beatsPerSecond_);
            pageIndex_ = pages.PageCount();
            committed = true;
        }
        longTermActive_ = false;
    } else if (pages.CommitPage(settingsRecord_.Angle, settingsRecord_.Period, beatsPerSecond_)) {
        pageIndex_ = pages.PageCount();
        committed = true;
    } else if (!paused) {
        // No result, no page (stopped during calibration, say): the window goes on showing
        // the live screen, and the page keys, Annotate and the export treat it as such.
        pageIndex_ = pages.PageCount() + 1;
    }
    if (committed) {
        sequencePages_ = ofSequence ? sequencePages_ + 1 : 0;
        signalOfNewest_ = true;
    }
    recorder_.Stop(); // the pages made keep their own sound
    if (settings_)
        settings_->StoreBack(settingsRecord_);
    // The test's page shows as the page keys show it, caption and all, so that it is plain
    // the test was kept.
    if (PageShown()) {
        ShowPage(pageIndex_);
        return;
    }
    UpdateControls();
    RefreshPlot();
}

void TMainForm::ScopeButtonClick() {
    recorder_.Stop(); // a paused test ends here
    services_.Analysis.ResetFilter();
    PrepareScopeView(-1.0, settingsRecord_.SweepRate); // level -1 keeps the gain
    pageIndex_ = services_.Pages.PageCount() + 1;
    state_ = MeasurementState::Scope;
    if (!audio_->StartCapture())
        state_ = MeasurementState::Idle;
    UpdateControls();
    RefreshPlot();
}

void TMainForm::LongTermButtonClick() {
    StartTest(true);
}

void TMainForm::ManualBeginTesting() {
    services_.Analysis.ResetTickDetector();
    HideGain();
    trace_.ClearPlot();
    BeginTesting();
    UpdateControls();
    RefreshPlot();
}

void TMainForm::BeginTesting() {
    if (longTermActive_) {
        services_.LongTerm.StartLongTerm(this);
        longTermSamples_ = 0;
        firstPointSecondsShown_ = 0;
        ShowFirstPointWait();
    } else {
        trace_.DrawReferenceLine(
            static_cast<int>(report::RoundHalfEven((plotImage_.Height() - 1) / 2.0)));
    }
    state_ = MeasurementState::Testing;
}

void TMainForm::StartCalibration() {
    services_.Analysis.BeginCalibration(settingsRecord_.Settling, settingsRecord_.Filtering,
                                        settingsRecord_.Calibration);
    layout_.CalibrationProgressBar->setValue(0);
    const std::string text = std::string(settingsRecord_.Manual ? "Presetting" : "Adjusting") +
                             " Levels and " +
                             (settingsRecord_.Rate != 0 ? "Verifying" : "Detecting") + " Rate";
    QLabel* label = layout_.CalibrationLabel;
    label->setText(QString::fromStdString(text));
    label->adjustSize();
    label->move((layout_.CalibrationProgressPanel->width() - label->width()) / 2, label->y());
}

void TMainForm::PrepareScopeView(double level, double sweepRate) {
    double gain = settingsRecord_.Gain;
    if (level <= 0)
        gain = settingsRecord_.Gain;
    else if (level < 1.0 / 256)
        gain = 256;
    else if (level <= 1)
        gain = 1 / level;
    else
        gain = 1;
    if (gain != settingsRecord_.Gain) {
        settingsRecord_.Gain = gain;
        settingsRecord_.Changed = true;
    }
    ShowGain(gain);
    services_.Analysis.StartSampleClock(settingsRecord_.Filtering, settingsRecord_.Calibration);
    trace_.ClearPlot();
    if (services_.Analysis.ThresholdLevel() > 0)
        trace_.DrawThresholdLine(services_.Analysis.ThresholdLevel(), settingsRecord_.Gain);
    DimResults();
    trace_.StartScopeSweep(sweepRate);
}

// ---------------------------------------------------------------- result display

void TMainForm::ShowRate(bool complete, double rate) {
    display_->ShowRate(complete, rate, longTermActive_, awaitingFirstChartPoint_);
}

void TMainForm::ShowAmplitude(bool complete, double amplitude) {
    display_->ShowAmplitude(complete, amplitude, longTermActive_, awaitingFirstChartPoint_);
}

void TMainForm::ShowBeatError(bool complete, double beatError) {
    display_->ShowBeatError(complete, beatError);
}

void TMainForm::ShowParameters(std::int32_t bph) {
    display_->ShowParameters(report::ParametersText(bph, settingsRecord_.Rate,
                                                    settingsRecord_.Angle, settingsRecord_.Period));
}

bool TMainForm::PageShown() const {
    const bool still = state_ == MeasurementState::Idle || state_ == MeasurementState::Paused;
    return still && !scopeShownLast_ && pageIndex_ >= 1 &&
           pageIndex_ <= services_.Pages.PageCount();
}

// The label names the parameters of what the window shows: a page's own over a page, the
// settings' (with a running test's detected rate) on the live screen. Showing a page leaves
// the settings record alone.
void TMainForm::ShowShownParameters() {
    if (PageShown()) {
        const pages::TPageInfo page = services_.Pages.GetPage(pageIndex_);
        display_->ShowParameters(report::ParametersText(
            static_cast<std::int32_t>(report::RoundHalfEven(page.BeatsPerSecond * 3600)), 0,
            page.LiftAngle, page.AveragingPeriod));
        return;
    }
    ShowParameters(state_ == MeasurementState::Idle
                       ? 0
                       : static_cast<std::int32_t>(report::RoundHalfEven(beatsPerSecond_ * 3600)));
}

void TMainForm::DimResults() {
    display_->DimResults();
}

void TMainForm::ShowGain(double gain) {
    display_->ShowGain(gain);
}

void TMainForm::HideGain() {
    display_->HideGain();
}

std::string TMainForm::PageCaption(const pages::TPageInfo& page) const {
    return report::PageCaptionText(page.Annotation, pageIndex_, services_.Pages.PageCount(),
                                   page.Timestamp);
}

void TMainForm::DrawPageCaption(const pages::TPageInfo& page) {
    plotCanvas_.SetFont(CaptionFont(plotCanvas_.CurrentFont().face, plotCanvas_.PixelsPerInch()));
    const std::string caption = PageCaption(page);
    plotCanvas_.TextOut(plotImage_.Width() - plotCanvas_.TextWidth(caption) - 4,
                        plotImage_.Height() - plotCanvas_.TextHeight(caption) - 2, caption);
}

// ---------------------------------------------------------------- pages

void TMainForm::ClearPages() {
    services_.Pages.ResetPages();
    sequencePages_ = 0;
    signalOfNewest_ = false;
    display_->ClearSignal();
    pageIndex_ = 0;
    trace_.ClearPlot();
    scopeShownLast_ = false;
    RefreshPlot();
}

} // namespace tickora
