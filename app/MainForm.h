#pragma once

#include "app/MainLayout.h"
#include "app/MeasurementState.h"
#include "app/ResultDisplay.h"
#include "app/SettingsAccess.h"
#include "app/Toolbar.h"
#include "app/plot/LongTermChart.h"
#include "app/plot/TracePlot.h"
#include "app/sequence/PositionSequence.h"
#include "app/sequence/SequencePrompt.h"
#include "audio/TAudio.h"
#include "dsp/DSP.h"
#include "longterm/LongTerm.h"
#include "pages/PageHistory.h"
#include "platform/Canvas.h"
#include "platform/Dialogs.h"
#include "platform/Image.h"
#include "settings/SettingsRecord.h"
#include "tools/SoundRecorder.h"

#include <QLabel>
#include <QTimer>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace tickora {

class TStartupPicture;

// A file name ending in .flac or .wav (any case): the export saves a page's sound under it.
bool IsSoundFileName(const std::string& name);

// The process-wide services the main window works with; main() creates them, tests make
// fresh ones.
struct TMainFormServices {
    platform::Dialogs& Dialogs;
    dsp::SignalAnalysis& Analysis;
    pages::PageHistory& Pages;
    longterm::LongTermAccumulation& LongTerm;
    InputCatalog& Inputs; // the audio inputs: sound cards, simulated watches, scripted input
};

// The main window: runs every measurement, dispatches each captured buffer by state, and
// coordinates the result strip, the toolbar and the plot. Everything here runs on the GUI
// thread; buffers arrive as queued calls from TAudio, so no two handlers run at once.
class TMainForm : public QWidget,
                  private pages::PlotSnapshot,
                  private pages::PageSoundSource,
                  private longterm::LongTermChartTarget {
public:
    static constexpr const char* kVersion = "1.4";

    explicit TMainForm(TMainFormServices services, QWidget* parent = nullptr);
    ~TMainForm() override;

    // Wiring done by main() once the dialogs exist. Without settings the record's defaults
    // are used; without an annotation editor or report the buttons do nothing.
    void SetSettings(SettingsAccess* settings) { settings_ = settings; }
    // Edits an annotation in place; true on OK.
    void SetAnnotationEditor(std::function<bool(std::string&)> editor) {
        annotationEditor_ = std::move(editor);
    }
    void SetReportViewer(std::function<void()> viewer) { reportViewer_ = std::move(viewer); }
    // Edits the position sequence's plan in its dialog; true on OK.
    void SetSequenceEditor(std::function<bool(SequencePlan&)> editor) {
        sequenceEditor_ = std::move(editor);
    }
    // The start-up picture to close after the first activation (at least 2000 ms after
    // shownAt, a tick count in ms).
    void SetStartupPicture(TStartupPicture* picture, std::uint64_t shownAt);

    // Window events.
    void FormShow();
    void FormActivate();
    void FormClose();

    // Measurement.
    void ProcessAudioBuffer(const CaptureBuffer& buffer);
    void StartButtonClick();
    void ResumeButtonClick() { StartButtonClick(); }
    void PauseButtonClick();
    void StopButtonClick();
    void ScopeButtonClick();
    void LongTermButtonClick();
    void StartCalibration();
    void PrepareScopeView(double level, double sweepRate);
    void BeginTesting();
    void ManualBeginTesting();

    // Result display.
    void ShowRate(bool complete, double rate);
    void ShowAmplitude(bool complete, double amplitude);
    void ShowBeatError(bool complete, double beatError);
    void ShowParameters(std::int32_t bph);
    void ShowShownParameters();
    // A stored page fills the plot (not the live screen or a scope view).
    bool PageShown() const;
    void DimResults();
    void ShowGain(double gain);
    void HideGain();
    std::string PageCaption(const pages::TPageInfo& page) const;
    void DrawPageCaption(const pages::TPageInfo& page);

    // Keyboard, toolbar, pages and export.
    void UpdateControls();
    // key: a virtual-key code (KeyCodes.h).
    void FormKeyDown(std::uint16_t key, bool shift);
    void CMDialogKey(std::uint16_t key);
    void SettingsButtonClick();
    void ShapesButtonClick();
    bool ShapesShown() const { return shapesShown_; }
    void PreviousButtonClick() { ShowPage(pageIndex_ - 1); }
    void NextButtonClick() { ShowPage(pageIndex_ + 1); }
    void AnnotateButtonClick();
    void ReportButtonClick();
    void ExportButtonClick();
    void SequenceButtonClick();
    // G: the shown page's sound analysed again with the settings as they are now; the page's
    // results, parameters and picture are replaced, its name, time and sound stay.
    void AnalyseAgainButtonClick();
    // The page shown keeps a sound that can be analysed again.
    bool PageSoundShown() const;
    void ShowPage(std::int32_t index);
    void RenderExportImage(platform::Image& bitmap);

    // Lends the input to the sound card clock assistant (`use`): the window's own device is
    // closed meanwhile and opened again after. Refused, with a message, while a measurement
    // runs.
    std::optional<double> LendInput(const std::function<std::optional<double>()>& use);

    // Used by the settings dialog's Clear Pages button.
    void ClearPages();

    // State, for the dialogs, the report and tests.
    MeasurementState State() const { return state_; }
    double BeatsPerSecond() const { return beatsPerSecond_; }
    double GainStep() const { return gainStep_; }
    bool LongTermActive() const { return longTermActive_; }
    bool AwaitingFirstChartPoint() const { return awaitingFirstChartPoint_; }
    bool ScopeShownLast() const { return scopeShownLast_; }
    std::int32_t PageIndex() const { return pageIndex_; }
    const TSettingsRecord& Settings() const { return settingsRecord_; }
    const std::string& ApplicationTitle() const { return applicationTitle_; }
    const platform::Image& Plot() const { return plotImage_; }
    const platform::Image& GainBarImage() const { return gainImage_; }
    plot::TracePlot& Trace() { return trace_; }
    TAudio& AudioCapture() { return *audio_; }
    TToolbar& Toolbar() { return *toolbar_; }
    const TMainLayout& Layout() const { return layout_; }
    const PositionSequence& Sequence() const { return sequence_; }
    // The prompt shown over the plot between the positions of a sequence; empty when hidden.
    std::string SequencePrompt() const;
    // How many of the latest pages the last sequence measured, for the report to weigh only
    // those; 0 once any other page has followed them (the report then weighs as usual).
    std::int32_t SequencePages() const { return sequencePages_; }

protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    static void DeliverBuffer(void* owner, const CaptureBuffer& buffer);
    static void DeliverCaptureFailure(void* owner);
    void CaptureFailed();
    void CloseStartupPicture();
    void StartTest(bool longTerm);
    void ContinuePausedTest();
    void CalibrationBuffer(const std::int16_t* samples, int count);
    void TestingBuffer(const std::int16_t* samples, int count);
    void ScopeBuffer(const std::int16_t* samples, int count);
    void SweepScope(const std::int16_t* samples, int count, MeasurementState during);
    void AudioOverrun();
    void PlotRawRow(bool flag, double value);
    void CommitTraceScreen();
    plot::TraceInputs TraceInputs() const;
    void ShowResults(bool complete, double rate, double amplitude, double beatError);
    void DrawShapes();
    void FillRecord();
    void OpenDevice();
    void ShowError(const std::string& text);
    void AdjustThresholdBy(int pixels);
    void ChangeGain(bool raise);
    void RefreshPlot();
    // Until a long-term test's first point: the chart area says when it comes.
    void ShowFirstPointWait();
    void LoadState();
    void SaveState();
    void StartOrGoOn();
    void SequenceGoOn();
    void FinishSequencePosition();
    void EndSequence();
    // The test's sound (MainFormSound.cpp).
    void StartRecording();
    void RecordSound(const std::int16_t* samples, int count);
    void RecordingFailed();
    // Waits for the pages' sounds still being written, before one is read or saved.
    void FinishPageSounds();
    bool SaveSound(const std::string& source, const std::string& name);

    // pages::PlotSnapshot
    void SnapshotPlot(std::shared_ptr<platform::Image>& slot, bool copy) override;
    // pages::PageSoundSource
    std::string TakePageSound() override;
    // longterm::LongTermChartTarget
    void RedrawChart(const longterm::LongTermAccumulation& accumulation) override;

    TMainFormServices services_;
    SettingsAccess* settings_ = nullptr;
    std::function<bool(std::string&)> annotationEditor_;
    std::function<void()> reportViewer_;
    std::function<bool(SequencePlan&)> sequenceEditor_;
    TStartupPicture* startupPicture_ = nullptr;
    std::uint64_t startupShownAt_ = 0; // ms

    // Measurement fields.
    bool firstActivation_ = true;
    MeasurementState state_ = MeasurementState::Idle;
    MeasurementState busyFrom_ = MeasurementState::Idle; // Testing or Scope while Busy
    double beatsPerSecond_ = 0.0;                        // beats/s
    double gainStep_ = 1.0;
    bool longTermActive_ = false;
    bool awaitingFirstChartPoint_ = false;
    std::int64_t longTermSamples_ = 0; // tested since the long-term test began testing
    int firstPointSecondsShown_ = 0;   // the countdown on the plot
    bool scopeShownLast_ = false;
    std::int32_t pageIndex_ = 0;     // 1-based; PageCount + 1 is the live screen
    TSettingsRecord settingsRecord_; // the settings; a page shown never writes into it
    std::string applicationTitle_ = "Tickora";

    // Drawing surfaces: the plot area's raster, the gain bar's raster.
    platform::Image plotImage_;
    platform::Canvas plotCanvas_;
    // The beat-shape view, shown over the plot area while W has it on.
    platform::Image shapeImage_{kPlotWidth, kPlotHeight};
    platform::Canvas shapeCanvas_{shapeImage_};
    ImageView* shapeArea_ = nullptr;
    bool shapesShown_ = false;
    plot::TracePlot trace_;
    plot::LongTermChart chart_;
    platform::Image gainImage_;

    TMainLayout layout_;
    std::unique_ptr<TResultDisplay> display_;
    std::unique_ptr<TToolbar> toolbar_;
    std::unique_ptr<TAudio> audio_;

    // The position sequence: its plan as last chosen, its progress, the prompt over the
    // plot and the countdown between positions.
    SequencePlan sequencePlan_;
    PositionSequence sequence_;
    std::unique_ptr<tickora::SequencePrompt> sequencePrompt_;
    double sequenceSeconds_ = 0.0;  // s of testing in the current position
    bool sequenceStopping_ = false; // the sequence itself is ending a measurement
    std::int32_t sequencePages_ = 0;
    bool signalOfNewest_ = false; // the signal figure shown is that of the newest page's test

    // The running test's sound, from which each of its pages takes its own.
    tools::SoundRecorder recorder_;
    bool analysingAgain_ = false;       // a page's sound is being analysed again: no page is made
    bool recordingFailureTold_ = false; // told once a run; later tests still try to record
};

} // namespace tickora
