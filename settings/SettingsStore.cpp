#include "settings/SettingsStore.h"

#include "settings/DataFolder.h"
#include "settings/SettingsFile.h"

#include <cstdio>

namespace tickora {

SettingsStore::SettingsStore()
    : reporter_([](const std::string& message) { std::fprintf(stderr, "%s\n", message.c_str()); }) {
}

std::string SettingsStore::FilePath() const {
    return path_.empty() ? DataFilePath(kFileName) : path_;
}

void SettingsStore::Report(const std::string& message) const {
    if (reporter_)
        reporter_(message);
}

void SettingsStore::LoadSettings() {
    values_.Gain = 1.0;
    values_.Weights.fill(1);
    std::string bytes;
    bool exists = false;
    const FileResult result = ReadSettingsBytes(FilePath(), bytes, exists);
    if (!result.Ok()) {
        Report(result.error);
        return;
    }
    if (exists)
        ParseSettingsFile(bytes, values_);
}

bool SettingsStore::SaveSettings() {
    const FileResult result = WriteFileReplacing(FilePath(), FormatSettingsFile(values_));
    if (!result.Ok()) {
        Report(result.error);
        return false;
    }
    return true;
}

void SettingsStore::FillRecord(TSettingsRecord& record) const {
    tickora::FillRecord(values_, record);
}

void SettingsStore::StoreBack(TSettingsRecord& record) {
    if (!record.Changed)
        return;
    values_.Gain = record.Gain;
    values_.Weights = record.Weights;
    SaveSettings();
    record.Changed = false;
}

} // namespace tickora
