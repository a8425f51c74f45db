#pragma once

#include "settings/SettingsRecord.h"

namespace tickora {

// What the main window needs from the settings dialog. The program passes the dialog
// itself; tests pass a scripted stand-in.
class SettingsAccess {
public:
    virtual ~SettingsAccess() = default;
    // Loads "Settings.ini"; values that fail the checks open the dialog for correction.
    virtual void StartupLoad() = 0;
    // Shows the dialog modally.
    virtual void ShowSettings() = 0;
    // Copies the dialog's values into the record.
    virtual void FillRecord(TSettingsRecord& record) = 0;
    // Saves a gain changed outside the dialog when record.Changed is set.
    virtual void StoreBack(TSettingsRecord& record) = 0;
};

// Settings that stay as given, without a dialog or a file: for benchmarks and tools that
// drive the main window unattended.
class FixedSettings : public SettingsAccess {
public:
    explicit FixedSettings(const TSettingsRecord& record) : record_(record) {}
    void StartupLoad() override {}
    void ShowSettings() override {}
    void FillRecord(TSettingsRecord& record) override { record = record_; }
    void StoreBack(TSettingsRecord&) override {}

private:
    TSettingsRecord record_;
};

} // namespace tickora
