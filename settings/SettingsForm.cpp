#include "settings/SettingsForm.h"

#include "platform/Dialogs.h"
#include "platform/QtDialogs.h"
#include "settings/ManualPaths.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QEvent>
#include <QFocusEvent>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTimer>

#include <filesystem>

// The installed manual: relative to the executable's folder (any install prefix), then where
// the build's own install prefix puts it.
#ifndef TICKORA_MANUAL_RELATIVE_DIR
#define TICKORA_MANUAL_RELATIVE_DIR ""
#endif
#ifndef TICKORA_MANUAL_DIR
#define TICKORA_MANUAL_DIR ""
#endif

namespace tickora {

namespace {

std::string Text(const QComboBox* box) {
    return box->currentText().toStdString();
}
QString ToQString(const std::string& text) {
    return QString::fromStdString(text);
}

} // namespace

TSettingsForm::TSettingsForm(platform::Dialogs& dialogs, SettingsFormHost host, QWidget* parent)
    : QDialog(parent), dialogs_(dialogs), host_(std::move(host)) {
    BuildControls();
    store_.SetErrorReporter([this](const std::string& message) { ReportFileError(message); });

    QWidget* order[] = {rateComboBox_,      angleComboBox_,   periodComboBox_, pauseCheckBox_,
                        settlingComboBox_,  manualCheckBox_,  scaleComboBox_,  plotRawCheckBox_,
                        sweepComboBox_,     calibrationEdit_, measureButton_,  inputDeviceComboBox_,
                        filteringComboBox_, okButton_,        cancelButton_,   helpButton_,
                        aboutButton_,       clearPagesButton_};
    for (std::size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);

    for (int i = 0; i <= static_cast<int>(SettingsField::Sweep); ++i)
        FieldWidget(static_cast<SettingsField>(i))->installEventFilter(this);

    connect(okButton_, &QPushButton::clicked, this, &TSettingsForm::OKButtonClick);
    connect(cancelButton_, &QPushButton::clicked, this, &TSettingsForm::CancelButtonClick);
    connect(helpButton_, &QPushButton::clicked, this, &TSettingsForm::HelpButtonClick);
    connect(aboutButton_, &QPushButton::clicked, this, &TSettingsForm::AboutButtonClick);
    connect(clearPagesButton_, &QPushButton::clicked, this, &TSettingsForm::ClearPagesButtonClick);
    connect(measureButton_, &QPushButton::clicked, this, &TSettingsForm::MeasureButtonClick);
    connect(plotRawCheckBox_, &QCheckBox::toggled, this, &TSettingsForm::PlotRawCheckBoxClick);
    // An input picked by hand replaces a saved one that has gone (Cancel reads it back).
    connect(inputDeviceComboBox_, &QComboBox::activated, this,
            [this] { store_.Values().MissingInput.clear(); });

    ValuesToControls();
    FillDeviceList();
}

void TSettingsForm::SetHost(SettingsFormHost host) {
    host_ = std::move(host);
    FillDeviceList();
}

QWidget* TSettingsForm::FieldWidget(SettingsField field) const {
    switch (field) {
    case SettingsField::Rate:
        return rateComboBox_;
    case SettingsField::Angle:
        return angleComboBox_;
    case SettingsField::Period:
        return periodComboBox_;
    case SettingsField::Scale:
        return scaleComboBox_;
    case SettingsField::Settling:
        return settlingComboBox_;
    case SettingsField::Calibration:
        return calibrationEdit_;
    case SettingsField::Sweep:
        return sweepComboBox_;
    }
    return rateComboBox_;
}

void TSettingsForm::FillDeviceList() {
    std::vector<std::string> entries;
    if (host_.listInputDevices)
        entries = host_.listInputDevices();
    if (entries.empty())
        entries.emplace_back(kInputMapperEntry);
    const QString selected = inputDeviceComboBox_->currentText();
    inputDeviceComboBox_->clear();
    for (const std::string& entry : entries)
        inputDeviceComboBox_->addItem(ToQString(entry));
    const int index = inputDeviceComboBox_->findText(selected);
    inputDeviceComboBox_->setCurrentIndex(index >= 0 ? index : 0);
    store_.Values().InputDevices = entries;
    store_.Values().InputDevice = inputDeviceComboBox_->currentIndex();
}

void TSettingsForm::ControlsToValues() {
    SettingsValues& values = store_.Values();
    values.Rate = Text(rateComboBox_);
    values.Angle = Text(angleComboBox_);
    values.Period = Text(periodComboBox_);
    values.Pause = pauseCheckBox_->isChecked();
    values.Settling = Text(settlingComboBox_);
    values.Manual = manualCheckBox_->isChecked();
    values.Scale = Text(scaleComboBox_);
    values.PlotRaw = plotRawCheckBox_->isChecked();
    values.Sweep = Text(sweepComboBox_);
    values.Calibration = calibrationEdit_->text().toStdString();
    values.InputDevice = inputDeviceComboBox_->currentIndex();
    values.Filtering = filteringComboBox_->currentIndex();
}

void TSettingsForm::ValuesToControls() {
    const SettingsValues& values = store_.Values();
    rateComboBox_->setCurrentText(ToQString(values.Rate));
    angleComboBox_->setCurrentText(ToQString(values.Angle));
    periodComboBox_->setCurrentText(ToQString(values.Period));
    pauseCheckBox_->setChecked(values.Pause);
    settlingComboBox_->setCurrentText(ToQString(values.Settling));
    manualCheckBox_->setChecked(values.Manual);
    scaleComboBox_->setCurrentText(ToQString(values.Scale));
    plotRawCheckBox_->setChecked(values.PlotRaw);
    sweepComboBox_->setCurrentText(ToQString(values.Sweep));
    calibrationEdit_->setText(ToQString(values.Calibration));
    calibrationEdit_->setCursorPosition(0);
    inputDeviceComboBox_->setCurrentIndex(values.InputDevice);
    filteringComboBox_->setCurrentIndex(values.Filtering);
    PlotRawCheckBoxClick(); // also when the check state did not change
}

void TSettingsForm::ReportFileError(const std::string& message) {
    dialogs_.ShowMessage(message, platform::MessageIcon::Error, platform::MessageButtons::Ok);
}

void TSettingsForm::LoadSettings() {
    ControlsToValues();
    store_.LoadSettings();
    ValuesToControls();
}

bool TSettingsForm::SaveSettings() {
    ControlsToValues();
    return store_.SaveSettings();
}

void TSettingsForm::FillRecord(TSettingsRecord& record) {
    ControlsToValues();
    store_.FillRecord(record);
}

void TSettingsForm::StoreBack(TSettingsRecord& record) {
    ControlsToValues();
    store_.StoreBack(record);
}

void TSettingsForm::StartupLoad() {
    LoadSettings();
    if (!ValidateFields() && !isVisible())
        ShowSettings();
}

void TSettingsForm::ShowSettings() {
    exec();
}

bool TSettingsForm::ValidateFields(std::optional<SettingsField> sender) {
    ControlsToValues();
    const ValidationResult result = tickora::ValidateFields(store_.Values(), sender);
    validating_ = true; // the message box takes the focus; that is no field exit
    for (const ValidationMessage& message : result.messages)
        dialogs_.ShowMessage(message.text, platform::MessageIcon::Error,
                             platform::MessageButtons::Ok);
    validating_ = false;
    if (result.failedField) {
        QWidget* field = FieldWidget(*result.failedField);
        if (isVisible())
            field->setFocus(Qt::OtherFocusReason);
        else
            pendingFocus_ = result.failedField;
    }
    allPassed_ = result.allPassed;
    return allPassed_;
}

bool TSettingsForm::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusOut && !validating_) {
        const auto reason = static_cast<QFocusEvent*>(event)->reason();
        // Switching windows or opening the list's popup does not leave the field.
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason) {
            for (int i = 0; i <= static_cast<int>(SettingsField::Sweep); ++i) {
                const auto field = static_cast<SettingsField>(i);
                if (FieldWidget(field) == watched) {
                    // Checked once the focus has settled in the next control, so the message
                    // box and the return of the focus do not run inside the focus change.
                    QTimer::singleShot(0, this, [this, field] {
                        if (isVisible())
                            ValidateFields(field);
                    });
                    break;
                }
            }
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TSettingsForm::PlotRawCheckBoxClick() {
    scaleComboBox_->setEnabled(!plotRawCheckBox_->isChecked());
}

void TSettingsForm::OKButtonClick() {
    if (!ValidateFields())
        return;
    SaveSettings();
    // Everything passed just now: closing needs no second round of checks (and warnings).
    CloseDialog(QDialog::Accepted);
}

void TSettingsForm::CancelButtonClick() {
    // Back to the saved values; without a file, back to those the dialog opened with.
    ControlsToValues();
    if (std::filesystem::exists(store_.FilePath())) {
        LoadSettings();
    } else {
        const double gain = store_.Values().Gain;
        const auto weights = store_.Values().Weights;
        store_.Values() = shownValues_;
        store_.Values().Gain = gain;
        store_.Values().Weights = weights;
        ValuesToControls();
    }
    if (FormCloseQuery())
        CloseDialog(QDialog::Rejected);
}

void TSettingsForm::reject() {
    CancelButtonClick();
}

bool TSettingsForm::FormCloseQuery() {
    return ValidateFields();
}

void TSettingsForm::closeEvent(QCloseEvent* event) {
    if (FormCloseQuery()) {
        event->accept();
        QDialog::done(QDialog::Rejected);
    } else {
        event->ignore();
    }
}

void TSettingsForm::CloseDialog(int result) {
    QDialog::done(result);
}

void TSettingsForm::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    platform::CentreOnOwner(*this);
    clearPagesButton_->setEnabled(host_.pageCount && host_.pageCount() >= 1);
    ControlsToValues();
    shownValues_ = store_.Values();
    if (pendingFocus_) {
        FieldWidget(*pendingFocus_)->setFocus(Qt::OtherFocusReason);
        pendingFocus_.reset();
    }
}

void TSettingsForm::HelpButtonClick() {
    const std::string executableDir = programFolder_.empty()
                                          ? QCoreApplication::applicationDirPath().toStdString()
                                          : programFolder_;
    const std::vector<std::string> candidates =
        ManualCandidates(executableDir, {TICKORA_MANUAL_RELATIVE_DIR, TICKORA_MANUAL_DIR});
    std::string found; // the first manual found, the one to name when none opens
    for (const std::string& candidate : candidates) {
        if (FindManual({candidate}).empty())
            continue;
        if (found.empty())
            found = candidate;
        // The desktop's opener may find no program for it only after it started.
        const QPointer<TSettingsForm> form(this);
        if (dialogs_.OpenDocumentWatched(candidate, [form, candidate] {
                if (form)
                    form->ManualNotOpened(candidate);
            }))
            return;
    }
    // Without a web browser (or without the manual) Help would otherwise do nothing visible.
    if (!found.empty()) {
        ManualNotOpened(found);
        return;
    }
    std::string message = "Unable to find the manual. It belongs in one of these files:";
    for (const std::string& candidate : candidates)
        message += "\n" + candidate;
    dialogs_.ShowMessage(message, platform::MessageIcon::Error, platform::MessageButtons::Ok);
}

void TSettingsForm::ManualNotOpened(const std::string& path) {
    dialogs_.ShowMessage("Unable to open the manual: no program to show it was found. Open this "
                         "file in a web browser:\n" +
                             path,
                         platform::MessageIcon::Error, platform::MessageButtons::Ok);
}

void TSettingsForm::AboutButtonClick() {
    // A refused value keeps the dialog open: About is refused rather than leaving a hidden
    // dialog that cannot close.
    if (!ValidateFields())
        return;
    hide();
    if (host_.showAbout)
        host_.showAbout();
    CloseDialog(QDialog::Rejected);
}

void TSettingsForm::MeasureButtonClick() {
    if (!host_.measureCardClock)
        return;
    // The input chosen here, applied or not: the card to be corrected is the one in use.
    const auto correction = host_.measureCardClock(inputDeviceComboBox_->currentIndex() - 1);
    if (!correction)
        return;
    calibrationEdit_->setText(QString::number(*correction, 'f', 2));
    // The measured value passes the field's own check, as a typed one does.
    ValidateFields(SettingsField::Calibration);
}

void TSettingsForm::ClearPagesButtonClick() {
    const int count = host_.pageCount ? host_.pageCount() : 0;
    const std::string object =
        count == 1 ? std::string("the trace and timing information")
                   : std::to_string(count) + " pages of traces and timing information";
    const auto answer =
        dialogs_.ShowMessage("Are you sure you want to clear " + object + "?",
                             platform::MessageIcon::Question, platform::MessageButtons::OkCancel);
    if (answer != platform::MessageResult::Ok)
        return;
    if (host_.clearPages)
        host_.clearPages();
    clearPagesButton_->setEnabled(false);
}

} // namespace tickora
