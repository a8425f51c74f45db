#pragma once

#include "settings/SettingsRecord.h"
#include "settings/SettingsValues.h"

#include <functional>
#include <string>

namespace tickora {

// Owns the settings values and their file: loading, saving, and the moves between the values
// and a TSettingsRecord. The settings dialog keeps one for the program's lifetime and copies
// its controls into Values() before each operation.
class SettingsStore {
public:
    // Shows a file system failure to the user (the message names the file and the reason).
    using ErrorReporter = std::function<void(const std::string& message)>;

    static constexpr const char* kFileName = "Settings.ini";

    SettingsStore();

    SettingsValues& Values() { return values_; }
    const SettingsValues& Values() const { return values_; }

    // Where the file lives: the data folder's "Settings.ini" unless a path was set (tests).
    std::string FilePath() const;
    void SetFilePath(std::string path) { path_ = std::move(path); }

    void SetErrorReporter(ErrorReporter reporter) { reporter_ = std::move(reporter); }

    // Resets the gain to 1 and the weights to 1, then applies the file's lines when there is a
    // file. A read failure is reported and keeps whatever was applied so far.
    void LoadSettings();

    // Writes all 19 lines, replacing the file only once the new one is complete. False, after
    // reporting, when the file could not be written; the old file then stays as it was.
    bool SaveSettings();

    void FillRecord(TSettingsRecord& record) const;

    // Takes over a gain or weights changed outside the dialog and saves them; does nothing
    // unless record.Changed is set. Changed is false afterwards.
    void StoreBack(TSettingsRecord& record);

private:
    void Report(const std::string& message) const;

    SettingsValues values_;
    std::string path_;
    ErrorReporter reporter_;
};

} // namespace tickora
