// The guided position sequence: its prompts between positions, the start of each position's
// test, and the page committed and annotated at its end.
#include "app/MainForm.h"

#include "platform/QtFont.h"

#include <QTextDocumentFragment>

namespace tickora {

namespace {
constexpr int kPromptPixels = 20; // the prompt's first line
constexpr int kPlacePixels = 14;  // its second line
} // namespace

void TMainForm::BuildSequencePrompt() {
    sequencePrompt_ = new QLabel(layout_.PlotArea);
    sequencePrompt_->setObjectName("SequencePrompt");
    platform::Font font;
    font.face = "Arial";
    font.pixelHeight = kPromptPixels;
    font.bold = true;
    sequencePrompt_->setFont(platform::ToQFont(font));
    sequencePrompt_->setAlignment(Qt::AlignCenter);
    sequencePrompt_->setTextFormat(Qt::RichText);
    // The program's dark purple, so the prompt reads as the program speaking, not a result.
    sequencePrompt_->setStyleSheet("QLabel { background: rgb(128, 41, 113); color: white;"
                                   " border-radius: 8px; padding: 14px 24px; }");
    sequencePrompt_->hide();
}

std::string TMainForm::SequencePrompt() const {
    if (sequencePrompt_->isHidden())
        return {};
    // The first line, as plain text.
    return QTextDocumentFragment::fromHtml(sequencePrompt_->text().section("<br>", 0, 0))
        .toPlainText()
        .toStdString();
}

void TMainForm::ShowPromptText() {
    // The instruction large, the place in the sequence and the way out smaller under it.
    const QString place = QString("Position %1 of %2. Esc ends the sequence.")
                              .arg(sequence_.Place())
                              .arg(sequence_.Count());
    sequencePrompt_->setText(
        QString("%1<br><span style=\"font-size: %2px; font-weight: normal;\">%3</span>")
            .arg(QString::fromStdString(sequence_.PromptText(countdownLeft_)).toHtmlEscaped())
            .arg(kPlacePixels)
            .arg(place));
    sequencePrompt_->adjustSize();
    // In the upper part of the plot, clear of the reference line where the trace runs.
    sequencePrompt_->move((layout_.PlotArea->width() - sequencePrompt_->width()) / 2,
                          layout_.PlotArea->height() / 5);
}

void TMainForm::SequenceButtonClick() {
    if (!sequenceEditor_ || !sequenceEditor_(sequencePlan_))
        return;
    if (!sequence_.Begin(sequencePlan_))
        return;
    sequencePages_ = 0;
    // The first prompt stands over a fresh live screen, not over the last test's results.
    display_->ClearResults();
    layout_.SignalLabel->clear();
    trace_.ClearPlot();
    pageIndex_ = services_.Pages.PageCount() + 1;
    ShowShownParameters();
    RefreshPlot();
    ShowSequencePrompt();
    UpdateControls();
}

void TMainForm::StartOrGoOn() {
    if (sequence_.CurrentStep() == PositionSequence::Step::Prompt)
        SequenceGoOn();
    else
        StartButtonClick();
}

void TMainForm::ShowSequencePrompt() {
    countdownLeft_ = sequence_.Plan().countdownSeconds;
    ShowPromptText();
    sequencePrompt_->show();
    sequencePrompt_->raise();
    if (sequence_.Plan().countdown)
        sequenceCountdown_->start();
}

void TMainForm::SequenceCountdownTick() {
    if (sequence_.CurrentStep() != PositionSequence::Step::Prompt) {
        sequenceCountdown_->stop();
        return;
    }
    if (--countdownLeft_ <= 0) {
        SequenceGoOn();
        return;
    }
    ShowPromptText();
}

void TMainForm::SequenceGoOn() {
    sequenceCountdown_->stop();
    sequencePrompt_->hide();
    sequence_.MeasurementStarted();
    sequenceSeconds_ = 0.0;
    StartButtonClick();
    // Without its input the sequence cannot go on (the message has been shown).
    if (state_ == MeasurementState::Idle && sequence_.Active())
        EndSequence();
}

void TMainForm::FinishSequencePosition() {
    // Exactly what the user would do by hand: stop, annotate the new page with the
    // position's name, show it.
    sequenceStopping_ = true;
    StopButtonClick();
    sequenceStopping_ = false;
    pages::PageHistory& pages = services_.Pages;
    const std::int32_t page = pages.PageCount();
    pages.SetPageAnnotation(page, sequence_.PositionName());
    ShowPage(page);
    if (sequence_.Advance()) {
        ShowSequencePrompt();
        UpdateControls();
        return;
    }
    EndSequence();
    // The report over the new pages opens once the buffer that ended the last position has
    // been handled.
    QTimer::singleShot(0, this, [this] {
        if (state_ == MeasurementState::Idle && !sequence_.Active())
            ReportButtonClick();
    });
}

void TMainForm::EndSequence() {
    sequence_.End();
    sequenceCountdown_->stop();
    sequencePrompt_->hide();
    UpdateControls();
}

} // namespace tickora
