#pragma once

#include "settings/SettingsFormHost.h"
#include "settings/SettingsRecord.h"
#include "settings/SettingsStore.h"
#include "settings/SettingsValidation.h"

#include <QDialog>

#include <array>
#include <optional>
#include <string>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class QWidget;

namespace platform {
class Dialogs;
}

namespace tickora {

// The settings dialog. It holds the settings for the program's lifetime: the controls' texts
// are the values; the gain and the report weights are kept beside them. Checks run when a
// value field is left and when the dialog closes; messages go through platform::Dialogs.
// GUI thread only.
class TSettingsForm : public QDialog {
public:
    explicit TSettingsForm(platform::Dialogs& dialogs, SettingsFormHost host = {},
                           QWidget* parent = nullptr);

    // Sets the hooks and refills the device list from them.
    void SetHost(SettingsFormHost host);

    // The file: "Settings.ini" in the data folder unless set otherwise (tests).
    void SetFilePath(std::string path) { store_.SetFilePath(std::move(path)); }
    std::string FilePath() const { return store_.FilePath(); }
    // The folder Help looks for the manual from: the executable's unless set (tests).
    void SetProgramFolder(std::string folder) { programFolder_ = std::move(folder); }

    // Loads the file and checks it; refused values open the dialog so the user corrects them.
    void StartupLoad();
    // Shows the dialog modally and returns when it has closed.
    void ShowSettings();

    void LoadSettings();
    bool SaveSettings();
    void FillRecord(TSettingsRecord& record);
    void StoreBack(TSettingsRecord& record);

    // Runs the checks of one field, or of all of them when sender is empty; shows the
    // messages and moves the focus to a refused field. True when every check passed.
    bool ValidateFields(std::optional<SettingsField> sender = std::nullopt);
    bool AllPassed() const { return allPassed_; }

    // Button and event handlers.
    void OKButtonClick();
    void CancelButtonClick();
    void HelpButtonClick();
    // The manual was found but nothing could show it: an error box names its file.
    void ManualNotOpened(const std::string& path);
    void AboutButtonClick();
    void ClearPagesButtonClick();
    void MeasureButtonClick();
    void PlotRawCheckBoxClick();
    bool FormCloseQuery();

    // The controls, for tests and the screenshot tool.
    QComboBox* RateComboBox() const { return rateComboBox_; }
    QComboBox* AngleComboBox() const { return angleComboBox_; }
    QComboBox* PeriodComboBox() const { return periodComboBox_; }
    QCheckBox* PauseCheckBox() const { return pauseCheckBox_; }
    QComboBox* SettlingComboBox() const { return settlingComboBox_; }
    QCheckBox* ManualCheckBox() const { return manualCheckBox_; }
    QComboBox* ScaleComboBox() const { return scaleComboBox_; }
    QCheckBox* PlotRawCheckBox() const { return plotRawCheckBox_; }
    QComboBox* SweepComboBox() const { return sweepComboBox_; }
    QLineEdit* CalibrationEdit() const { return calibrationEdit_; }
    QComboBox* InputDeviceComboBox() const { return inputDeviceComboBox_; }
    QComboBox* FilteringComboBox() const { return filteringComboBox_; }
    QPushButton* OKButton() const { return okButton_; }
    QPushButton* CancelButton() const { return cancelButton_; }
    QPushButton* HelpButton() const { return helpButton_; }
    QPushButton* AboutButton() const { return aboutButton_; }
    QPushButton* ClearPagesButton() const { return clearPagesButton_; }
    QPushButton* MeasureButton() const { return measureButton_; }
    QWidget* FieldWidget(SettingsField field) const;

    // Client area, pixels.
    static constexpr int kWidth = 665;
    static constexpr int kHeight = 349;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void reject() override; // Escape
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildControls();
    void ControlsToValues();
    void ValuesToControls();
    void FillDeviceList();
    void ReportFileError(const std::string& message);
    void CloseDialog(int result);

    platform::Dialogs& dialogs_;
    SettingsFormHost host_;
    SettingsStore store_;
    std::string programFolder_;
    SettingsValues shownValues_; // as they were when the dialog was last shown
    bool allPassed_ = true;
    bool validating_ = false;
    std::optional<SettingsField> pendingFocus_;

    QComboBox* rateComboBox_ = nullptr;
    QComboBox* angleComboBox_ = nullptr;
    QComboBox* periodComboBox_ = nullptr;
    QCheckBox* pauseCheckBox_ = nullptr;
    QComboBox* settlingComboBox_ = nullptr;
    QCheckBox* manualCheckBox_ = nullptr;
    QComboBox* scaleComboBox_ = nullptr;
    QCheckBox* plotRawCheckBox_ = nullptr;
    QComboBox* sweepComboBox_ = nullptr;
    QLineEdit* calibrationEdit_ = nullptr;
    QComboBox* inputDeviceComboBox_ = nullptr;
    QComboBox* filteringComboBox_ = nullptr;
    QPushButton* okButton_ = nullptr;
    QPushButton* cancelButton_ = nullptr;
    QPushButton* helpButton_ = nullptr;
    QPushButton* aboutButton_ = nullptr;
    QPushButton* clearPagesButton_ = nullptr;
    QPushButton* measureButton_ = nullptr; // the sound card clock assistant
};

} // namespace tickora
