#pragma once

#include "app/MainForm.h"
#include "app/SettingsFormAccess.h"
#include "app/StartupPicture.h"
#include "app/clock/CardClockForm.h"
#include "app/sequence/SequenceForm.h"
#include "audio/SystemInputs.h"
#include "dsp/DSP.h"
#include "longterm/LongTerm.h"
#include "pages/PageHistory.h"
#include "pages/ui/AnnotationForm.h"
#include "platform/QtDialogs.h"
#include "report/ui/ReportForm.h"
#include "settings/SettingsForm.h"

#include <memory>

namespace tickora {

// The program's windows and its single process-wide instances, made in the order the
// program starts: the start-up picture first, then the main window and the dialogs. A
// QApplication must exist.
class TickoraProgram {
public:
    TickoraProgram();
    TickoraProgram(const TickoraProgram&) = delete;
    TickoraProgram& operator=(const TickoraProgram&) = delete;

    // Shows the main window; its first activation closes the start-up picture.
    void Show();

    TMainForm& Form() { return *form_; }
    TSettingsForm& SettingsForm() { return *settingsForm_; }
    TAnnotationForm& AnnotationForm() { return *annotationForm_; }
    TReportForm& ReportForm() { return *reportForm_; }
    TSequenceForm& SequenceForm() { return *sequenceForm_; }
    TStartupPicture& StartupPicture() { return startupPicture_; }
    platform::QtDialogs& Dialogs() { return dialogs_; }

private:
    platform::QtDialogs dialogs_;
    TStartupPicture startupPicture_;
    // The analysis is large: it lives on the heap.
    std::unique_ptr<dsp::SignalAnalysis> analysis_;
    pages::PageHistory pageHistory_;
    longterm::LongTermAccumulation longTerm_;
    SystemInputs inputs_;
    std::unique_ptr<TMainForm> form_;
    std::unique_ptr<TSettingsForm> settingsForm_;
    std::unique_ptr<SettingsFormAccess> settingsAccess_;
    std::unique_ptr<TAnnotationForm> annotationForm_;
    std::unique_ptr<TReportForm> reportForm_;
    std::unique_ptr<TSequenceForm> sequenceForm_;
    std::unique_ptr<TCardClockForm> cardClockForm_;
};

} // namespace tickora
