#include "app/Program.h"

#include <QApplication>

namespace tickora {

TickoraProgram::TickoraProgram() {
    QApplication::setApplicationName("Tickora");

    startupPicture_.show();
    startupPicture_.repaint();
    QApplication::processEvents();
    const std::uint64_t shownAt = dialogs_.TickCount();

    analysis_ = std::make_unique<dsp::SignalAnalysis>();
    form_ = std::make_unique<TMainForm>(
        TMainFormServices{dialogs_, *analysis_, pageHistory_, longTerm_, inputs_});
    dialogs_.SetParent(form_.get());

    SettingsFormHost host;
    host.pageCount = [this] { return pageHistory_.PageCount(); };
    host.clearPages = [this] { form_->ClearPages(); };
    host.showAbout = [this] { startupPicture_.ShowAsAbout(); };
    host.listInputDevices = [this] {
        std::vector<std::string> items;
        form_->AudioCapture().ListInputDevices(items);
        return items;
    };
    host.measureCardClock = [this](int device) {
        return form_->LendInput([this, device] {
            if (!cardClockForm_)
                cardClockForm_ = std::make_unique<TCardClockForm>(dialogs_, inputs_, *analysis_,
                                                                  settingsForm_.get());
            return cardClockForm_->Measure(device);
        });
    };
    settingsForm_ = std::make_unique<TSettingsForm>(dialogs_, host, form_.get());
    settingsAccess_ = std::make_unique<SettingsFormAccess>(*settingsForm_);
    form_->SetSettings(settingsAccess_.get());
    form_->SetStartupPicture(&startupPicture_, shownAt);
    // The annotation dialog and the report are wired here as they come.
    annotationForm_ = std::make_unique<TAnnotationForm>(form_.get());
    form_->SetAnnotationEditor(
        [this](std::string& text) { return annotationForm_->EditAnnotation(text); });
    TReportFormHost reportHost;
    reportHost.pageCount = [this] { return pageHistory_.PageCount(); };
    reportHost.getPage = [this](std::int32_t index) { return pageHistory_.GetPage(index); };
    reportHost.fillRecord = [this](TSettingsRecord& record) { settingsForm_->FillRecord(record); };
    reportHost.storeBack = [this](TSettingsRecord& record) { settingsForm_->StoreBack(record); };
    reportHost.showPage = [this](std::int32_t index) { form_->ShowPage(index); };
    reportHost.plotArea = [this] { return &form_->Plot(); };
    reportHost.applicationTitle = [this] { return form_->ApplicationTitle(); };
    reportHost.weighedLatest = [this] { return form_->SequencePages(); };
    reportForm_ = std::make_unique<TReportForm>(dialogs_, reportHost, form_.get());
    form_->SetReportViewer([this] { reportForm_->ShowReport(); });
    sequenceForm_ = std::make_unique<TSequenceForm>(form_.get());
    form_->SetSequenceEditor([this](SequencePlan& plan) { return sequenceForm_->EditPlan(plan); });
}

void TickoraProgram::Show() {
    form_->show();
    form_->raise();
    form_->activateWindow();
}

} // namespace tickora
