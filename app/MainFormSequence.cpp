// The main window's part in the guided position sequence: the start of each position's test
// and the page committed and annotated at its end. The bookkeeping and the prompt live in
// app/sequence/.
#include "app/MainForm.h"

namespace tickora {

std::string TMainForm::SequencePrompt() const {
    return sequencePrompt_->Text();
}

void TMainForm::SequenceButtonClick() {
    if (!sequenceEditor_ || !sequenceEditor_(sequencePlan_))
        return;
    if (!sequence_.Begin(sequencePlan_))
        return;
    sequencePages_ = 0;
    // The first prompt stands over a fresh live screen, not over the last test's results.
    display_->ClearResults();
    display_->ClearSignal();
    trace_.ClearPlot();
    pageIndex_ = services_.Pages.PageCount() + 1;
    ShowShownParameters();
    RefreshPlot();
    sequencePrompt_->Show();
    UpdateControls();
}

void TMainForm::StartOrGoOn() {
    if (sequence_.CurrentStep() == PositionSequence::Step::Prompt)
        SequenceGoOn();
    else
        StartButtonClick();
}

void TMainForm::SequenceGoOn() {
    sequencePrompt_->Hide();
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
        sequencePrompt_->Show();
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
    sequencePrompt_->Hide();
    UpdateControls();
}

} // namespace tickora
