// The main window's toolbar states, keyboard, page navigation and image export.
#include "app/MainForm.h"

#include "app/ExportImage.h"
#include "app/KeyCodes.h"
#include "report/ValueTexts.h"

#include <QKeyEvent>

#include <algorithm>

namespace tickora {

void TMainForm::UpdateControls() {
    ToolbarInputs in;
    in.state = state_;
    in.deviceOpen = audio_->IsOpen();
    in.longTermActive = longTermActive_;
    in.pageCount = services_.Pages.PageCount();
    in.pageIndex = pageIndex_;
    in.sequenceActive = sequence_.Active();
    in.pageSound = PageSoundShown();
    toolbar_->Apply(ComputeToolbar(in));
    if (shapesShown_ && !toolbar_->Enabled(ToolbarButton::Shapes)) {
        // The shapes belong to a running or paused test; the trace comes back with its end.
        shapesShown_ = false;
        shapeArea_->hide();
    }

    const bool manual = state_ == MeasurementState::ManualLevel;
    layout_.ManualLevelPanel->setVisible(manual);
    display_->SetGainParent(manual);
    layout_.CalibrationProgressPanel->setVisible(state_ == MeasurementState::Calibrating);
    if (layout_.CalibrationProgressPanel->isVisible())
        layout_.CalibrationProgressPanel->raise();
    std::string caption = applicationTitle_;
    if (state_ == MeasurementState::Paused)
        caption += " (PAUSED)";
    if (sequence_.Active())
        caption += " - " + sequence_.PositionName() + " (" + std::to_string(sequence_.Place()) +
                   "/" + std::to_string(sequence_.Count()) + ")";
    setWindowTitle(QString::fromStdString(caption));
}

void TMainForm::keyPressEvent(QKeyEvent* event) {
    const bool keypad = event->modifiers() & Qt::KeypadModifier;
    const std::uint16_t key = VirtualKeyOf(event->key(), keypad);
    if (key == 0) {
        QWidget::keyPressEvent(event);
        return;
    }
    FormKeyDown(key, event->modifiers() & Qt::ShiftModifier);
}

void TMainForm::CMDialogKey(std::uint16_t key) {
    if (key == vk::Tab && toolbar_->Enabled(ToolbarButton::Settings))
        SettingsButtonClick();
}

void TMainForm::FormKeyDown(std::uint16_t key, bool shift) {
    const TToolbar& bar = *toolbar_;
    auto click = [&bar](ToolbarButton button, void (TMainForm::*handler)(), TMainForm* form) {
        if (bar.Enabled(button))
            (form->*handler)();
    };
    const bool scopeView =
        state_ == MeasurementState::Scope || state_ == MeasurementState::ManualLevel;
    switch (key) {
    case vk::Back:
    case vk::Escape:
        click(ToolbarButton::Stop, &TMainForm::StopButtonClick, this);
        break;
    case vk::Tab:
        click(ToolbarButton::Settings, &TMainForm::SettingsButtonClick, this);
        break;
    case vk::Return:
    case vk::Space:
        if (state_ == MeasurementState::ManualLevel)
            ManualBeginTesting();
        else if (bar.Enabled(ToolbarButton::Start))
            StartOrGoOn();
        else if (bar.Enabled(ToolbarButton::Pause))
            PauseButtonClick();
        else if (bar.Enabled(ToolbarButton::Resume))
            ResumeButtonClick();
        break;
    case vk::Left:
        click(ToolbarButton::Previous, &TMainForm::PreviousButtonClick, this);
        break;
    case vk::Right:
        click(ToolbarButton::Next, &TMainForm::NextButtonClick, this);
        break;
    case vk::Up:
    case vk::Down:
        if (state_ == MeasurementState::ManualLevel) {
            const int step = shift ? 5 : 1; // pixels
            AdjustThresholdBy(key == vk::Up ? step : -step);
        }
        break;
    case vk::A:
        click(ToolbarButton::Annotate, &TMainForm::AnnotateButtonClick, this);
        break;
    case vk::F:
        click(ToolbarButton::Export, &TMainForm::ExportButtonClick, this);
        break;
    case vk::G:
        click(ToolbarButton::AnalyseAgain, &TMainForm::AnalyseAgainButtonClick, this);
        break;
    case vk::L:
        click(ToolbarButton::LongTerm, &TMainForm::LongTermButtonClick, this);
        break;
    case vk::P:
    case vk::R:
        click(ToolbarButton::Report, &TMainForm::ReportButtonClick, this);
        break;
    case vk::Q:
        click(ToolbarButton::Sequence, &TMainForm::SequenceButtonClick, this);
        break;
    case vk::S:
        click(ToolbarButton::Scope, &TMainForm::ScopeButtonClick, this);
        break;
    case vk::W:
        click(ToolbarButton::Shapes, &TMainForm::ShapesButtonClick, this);
        break;
    case vk::Add:
    case vk::OemPlus:
        if (scopeView)
            ChangeGain(true);
        break;
    case vk::Subtract:
    case vk::OemMinus:
        if (scopeView)
            ChangeGain(false);
        break;
    default:
        break;
    }
}

void TMainForm::AdjustThresholdBy(int pixels) {
    const double level = services_.Analysis.AdjustThreshold(
        static_cast<double>(pixels) / plotImage_.Height() / settingsRecord_.Gain);
    trace_.SetThresholdRow(level, settingsRecord_.Gain);
}

void TMainForm::ChangeGain(bool raise) {
    double& gain = settingsRecord_.Gain;
    if (raise) {
        if (!(gain < 256))
            return;
        gain = std::min(gain * gainStep_, 256.0);
    } else {
        if (!(gain > 1))
            return;
        gain = std::max(gain / gainStep_, 1.0);
    }
    settingsRecord_.Changed = true;
    trace_.SetThresholdRow(services_.Analysis.ThresholdLevel(), gain);
    ShowGain(gain);
}

void TMainForm::SettingsButtonClick() {
    const std::int32_t device = settingsRecord_.InputDevice;
    const std::string missingInput = settingsRecord_.MissingInput;
    if (settings_)
        settings_->ShowSettings();
    FillRecord();
    // A device given up as failed is tried again too, and a saved input that had gone: its
    // sound server or its microphone may be back.
    if (settingsRecord_.InputDevice != device || settingsRecord_.MissingInput != missingInput ||
        audio_->GivenUp() || (!audio_->IsOpen() && !missingInput.empty())) {
        // A measurement cannot go on without its input: it ends as Stop ends it.
        if (state_ != MeasurementState::Idle)
            StopButtonClick();
        audio_->CloseDevice();
        OpenDevice();
    }
    ShowShownParameters();
    UpdateControls();
}

std::optional<double> TMainForm::LendInput(const std::function<std::optional<double>()>& use) {
    if (state_ != MeasurementState::Idle) {
        ShowError("Stop the measurement before measuring the sound card's clock.");
        return std::nullopt;
    }
    audio_->CloseDevice();
    const std::optional<double> result = use();
    OpenDevice();
    UpdateControls();
    return result;
}

void TMainForm::AnnotateButtonClick() {
    std::string text = services_.Pages.GetPage(pageIndex_).Annotation;
    // The annotation dialog edits the text; OK stores it and redraws the caption.
    if (annotationEditor_ && annotationEditor_(text)) {
        services_.Pages.SetPageAnnotation(pageIndex_, text);
        ShowPage(pageIndex_);
    }
}

void TMainForm::ReportButtonClick() {
    const std::int32_t shown = pageIndex_;
    // The report dialog; its printing shows pages, so the page shown is restored after.
    if (reportViewer_)
        reportViewer_();
    if (pageIndex_ != shown)
        ShowPage(shown);
}

void TMainForm::ShowPage(std::int32_t index) {
    if (shapesShown_) {
        shapesShown_ = false; // a page shows its trace
        shapeArea_->hide();
    }
    const pages::TPageInfo page = services_.Pages.GetPage(index);
    const platform::Image* image = page.Image.get();
    if (!image || image->Height() < plotImage_.Height() || image->Width() < plotImage_.Width())
        plotImage_.Fill(platform::kWhite);
    if (image && !image->IsEmpty())
        plotCanvas_.CopyRect(0, 0, plotImage_.Width(), plotImage_.Height(), *image, 0, 0,
                             plotImage_.Width(), plotImage_.Height());
    // A stored long-term page keeps its long-term colours; it always has a chart point.
    display_->ShowRate(page.Complete, page.DailyRate, page.LongTerm, false);
    display_->ShowAmplitude(page.Complete, page.Amplitude, page.LongTerm, false);
    display_->ShowBeatError(page.Complete, page.BeatError);
    pageIndex_ = index;
    display_->ShowSignalFigure(signalOfNewest_ && index == services_.Pages.PageCount());
    DrawPageCaption(page);
    scopeShownLast_ = false;
    ShowShownParameters();
    UpdateControls();
    RefreshPlot();
}

void TMainForm::RenderExportImage(platform::Image& bitmap) {
    ExportContent content;
    content.scopeShownLast = scopeShownLast_;
    content.plot = &plotImage_;
    content.topPanelHeight = layout_.TopPanel->height();
    content.title = applicationTitle_;
    content.captionFont = CaptionFont(plotCanvas_.CurrentFont().face, plotCanvas_.PixelsPerInch());
    const pages::TPageInfo page = services_.Pages.GetPage(pageIndex_);
    if (shapesShown_) {
        // The beat shapes as they show, with the results beside them.
        content.scopeShownLast = false;
        content.labels = display_->LabelsForExport();
        content.plot = &shapeImage_;
        content.pageImage = &shapeImage_;
        content.caption = "Beat Shapes";
    } else if (scopeShownLast_) {
        content.caption = "Scope Mode";
    } else {
        content.labels = display_->LabelsForExport();
        // A page is saved from its own picture, without the caption drawn on the plot. The
        // live screen (after a test that made no page, or before any) is no page: the plot
        // as it shows, with no page caption (an empty record would read "Page 2/1 -
        // 1899-12-30 00:00").
        const std::int32_t count = services_.Pages.PageCount();
        if (count > 0 && pageIndex_ >= 0 && pageIndex_ <= count) {
            content.pageImage = page.Image.get();
            content.caption = PageCaption(page);
        } else {
            content.pageImage = &plotImage_;
        }
    }
    tickora::RenderExportImage(bitmap, content);
}

void TMainForm::ExportButtonClick() {
    // A page that keeps its sound offers it too, to be listened to or analysed elsewhere.
    const std::string sound = PageShown() ? services_.Pages.GetPage(pageIndex_).Sound : "";
    std::string filter = "PNG Image File (*.png);;JPEG Image file (*.jpg, *.jpeg)";
    if (!sound.empty())
        filter += ";;FLAC Sound File (*.flac);;WAV Sound File (*.wav)";
    const auto name = services_.Dialogs.AskSaveFileName("Save Image", "png", filter);
    if (!name)
        return;
    if (!sound.empty() && IsSoundFileName(*name)) {
        bool saved = false;
        {
            platform::WaitCursor hourglass(services_.Dialogs);
            saved = SaveSound(sound, *name);
        }
        if (!saved)
            ShowError("Unable to save the sound to " + *name + ".");
        return;
    }
    platform::Image bitmap;
    RenderExportImage(bitmap);
    if (!SaveExportImage(bitmap, *name))
        ShowError("Unable to save the image to " + *name + ".");
}

} // namespace tickora
