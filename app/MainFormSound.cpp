// The main window's part in every page keeping its sound: recording the test's sound,
// analysing a page's sound again and saving it for others.
#include "app/MainForm.h"

#include "pages/StateFile.h"
#include "report/ValueTexts.h"
#include "settings/DataFolder.h"
#include "tools/SoundFileReader.h"
#include "tools/SoundFileWriter.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include <algorithm>
#include <array>
#include <cctype>
#include <filesystem>

namespace tickora {

namespace {
constexpr double kSilenceStop = 10.0; // s without an onset that ends a test
constexpr int kBufferSamples = 4096;  // one capture buffer, as the test analysed it
constexpr int kRepaintEvery = 64;     // buffers (6 s of sound) between progress repaints

std::string LowerEnding(const std::string& name) {
    std::string ending = std::filesystem::path(name).extension().string();
    std::transform(ending.begin(), ending.end(), ending.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return ending;
}
} // namespace

bool IsSoundFileName(const std::string& name) {
    const std::string ending = LowerEnding(name);
    return ending == ".flac" || ending == ".wav";
}

// ---------------------------------------------------------------- recording

void TMainForm::StartRecording() {
    if (!recorder_.Start(DataFolder()))
        RecordingFailed();
}

void TMainForm::RecordSound(const std::int16_t* samples, int count) {
    if (recorder_.Recording() && count > 0 &&
        !recorder_.Append(samples, static_cast<std::size_t>(count)))
        RecordingFailed();
}

// Told once a run, after the buffer being handled: a message box opened inside a buffer would
// make the next one an overrun and end the test, which goes on without its sound.
void TMainForm::RecordingFailed() {
    if (recordingFailureTold_)
        return;
    recordingFailureTold_ = true;
    const std::string text = "The sound of this test cannot be recorded in " + DataFolder() + " (" +
                             recorder_.Error() +
                             "). The test goes on, and its page keeps no sound.";
    QTimer::singleShot(0, this, [this, text] { ShowError(text); });
}

void TMainForm::FinishPageSounds() {
    bool done = true;
    {
        platform::WaitCursor hourglass(services_.Dialogs);
        done = recorder_.WaitForCopies();
    }
    // No test runs here, so the message may show at once.
    if (!done && !recordingFailureTold_) {
        recordingFailureTold_ = true;
        ShowError("The sound of a page could not be written in " + DataFolder() + " (" +
                  recorder_.Error() + "); that page keeps no sound.");
    }
}

std::string TMainForm::TakePageSound() {
    if (!recorder_.Recording())
        return {};
    const std::string path = pages::NewPageSoundFile(DataFolder());
    if (!path.empty() && recorder_.CopyLastSound(path))
        return path;
    std::error_code ignored;
    if (!path.empty())
        std::filesystem::remove(path, ignored);
    if (!recorder_.Recording())
        RecordingFailed();
    return {};
}

// ---------------------------------------------------------------- analyse again

bool TMainForm::PageSoundShown() const {
    if (!PageShown())
        return false;
    const pages::TPageInfo page = services_.Pages.GetPage(pageIndex_);
    return !page.Sound.empty() && !page.LongTerm;
}

void TMainForm::AnalyseAgainButtonClick() {
    FinishPageSounds();
    const std::int32_t index = pageIndex_;
    const pages::TPageInfo page = services_.Pages.GetPage(index);
    if (page.Sound.empty() || page.LongTerm)
        return;
    tools::SoundFileReader reader;
    if (!reader.Open(page.Sound)) {
        ShowError("Unable to read the sound of this page from " + page.Sound + " (" +
                  reader.Error() + ").");
        return;
    }
    FillRecord(); // the settings as they are now
    const TSettingsRecord& settings = settingsRecord_;
    dsp::SignalAnalysis& analysis = services_.Analysis;

    // The calibration's progress panel tells how far the sound has been read.
    QProgressBar* bar = layout_.CalibrationProgressBar;
    const double frames = static_cast<double>(std::max<std::int64_t>(1, reader.SourceFrames())) *
                          tools::SoundFileReader::kSampleRate / std::max(1, reader.SourceRate());
    QLabel* label = layout_.CalibrationLabel;
    label->setText("Analysing the Page's Sound Again");
    label->adjustSize();
    label->move((layout_.CalibrationProgressPanel->width() - label->width()) / 2, label->y());
    bar->setValue(0);
    layout_.CalibrationProgressPanel->show();
    layout_.CalibrationProgressPanel->raise();
    platform::WaitCursor hourglass(services_.Dialogs);

    // The test's own path, buffer by buffer, at full speed and with no page made.
    analysingAgain_ = true;
    analysis.ResetFilter();
    trace_.ClearPlot();
    analysis.BeginCalibration(settings.Settling, settings.Filtering, settings.Calibration);
    std::array<std::int16_t, kBufferSamples> buffer{};
    bool calibrating = true;
    bool calibrationFailed = false;
    int bph = 0;
    bool haveResult = false;
    bool complete = false;
    dsp::TickResult last;
    dsp::TickResult lastValid;
    std::int64_t read = 0;
    for (int n = 1;; ++n) {
        const auto count = static_cast<int>(reader.Read(buffer.data(), buffer.size()));
        if (count == 0)
            break;
        read += count;
        if (n % kRepaintEvery == 0) {
            bar->setValue(static_cast<int>(std::min(1.0, read / frames) * bar->maximum()));
            QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        }
        if (calibrating) {
            if (!analysis.AddCalibrationSamples(buffer.data(), count))
                continue;
            double peakLevel = 0.0;
            double initialRate = 0.0;
            if (!analysis.FinishCalibration(settings.Rate, settings.Angle, bph, peakLevel,
                                            initialRate)) {
                calibrationFailed = true;
                break;
            }
            calibrating = false;
            beatsPerSecond_ = bph / 3600.0;
            trace_.DrawReferenceLine(
                static_cast<int>(report::RoundHalfEven((plotImage_.Height() - 1) / 2.0)));
            continue;
        }
        const bool completed =
            analysis.ProcessTickSamples(buffer.data(), count, settings.Period,
                                        dsp::PlotRawCallback::Bind<&TMainForm::PlotRawRow>(this),
                                        kPlotHeight, settings.PlotRaw, settings.Angle);
        if (completed) {
            // As in the test, the page takes every result handed out. The sound ends where
            // the page was made (a pause, a full screen, Stop), so it is read to its end.
            dsp::TickResult r;
            while (analysis.NextTickResult(r)) {
                complete = dsp::IsSettled(r, settings.Period);
                last = r;
                haveResult = true;
                if (r.Valid)
                    lastValid = r;
                if (!settings.PlotRaw)
                    trace_.PlotTick(TraceInputs(), complete, r.Span, r.Time);
            }
        } else if (analysis.SecondsSinceOnset() > kSilenceStop) {
            break;
        }
    }
    analysingAgain_ = false;
    layout_.CalibrationProgressPanel->hide();
    const std::string error = reader.Error();

    if (calibrationFailed || calibrating || !haveResult || !error.empty()) {
        // The page stays as it was.
        ShowPage(index);
        if (!error.empty())
            ShowError("Unable to read the sound of this page from " + page.Sound + " (" + error +
                      ").");
        else if (calibrationFailed)
            ShowError(report::CalibrationFailureText(settings.Rate));
        else
            ShowError("The sound of this page ends before the analysis found a result; the "
                      "page stays as it was.");
        return;
    }
    pages::TPageInfo again;
    again.Valid = true;
    again.Complete = complete;
    again.DailyRate = last.Rate;
    again.Amplitude = last.Amplitude;
    again.BeatError = last.BeatError;
    again.BeatsPerSecond = bph / 3600.0;
    again.LiftAngle = settings.Angle;
    again.AveragingPeriod = settings.Period;
    services_.Pages.ReplaceAnalysis(index, again);
    if (index == services_.Pages.PageCount() && signalOfNewest_ && lastValid.Valid)
        display_->ShowSignal(lastValid, settings.Period);
    ShowPage(index);
}

// ---------------------------------------------------------------- saving a page's sound

// The page's sound as FLAC (the file itself) or as 16-bit WAV, by the name's ending.
bool TMainForm::SaveSound(const std::string& source, const std::string& name) {
    FinishPageSounds();
    std::error_code error;
    if (LowerEnding(name) == ".flac") {
        std::filesystem::copy_file(source, name, std::filesystem::copy_options::overwrite_existing,
                                   error);
        return !error;
    }
    tools::SoundFileReader reader;
    tools::SoundFileWriter writer;
    if (!reader.Open(source) || !writer.Open(name, tools::SoundFileReader::kSampleRate))
        return false;
    std::array<std::int16_t, 8192> buffer{};
    while (const std::size_t count = reader.Read(buffer.data(), buffer.size())) {
        if (!writer.Write(buffer.data(), count))
            return false;
    }
    return writer.Close() && reader.Error().empty();
}

} // namespace tickora
