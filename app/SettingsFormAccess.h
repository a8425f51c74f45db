#pragma once

#include "app/SettingsAccess.h"
#include "settings/SettingsForm.h"

namespace tickora {

// The settings dialog as the main window reaches it.
class SettingsFormAccess : public SettingsAccess {
public:
    explicit SettingsFormAccess(TSettingsForm& form) : form_(form) {}
    void StartupLoad() override { form_.StartupLoad(); }
    void ShowSettings() override { form_.ShowSettings(); }
    void FillRecord(TSettingsRecord& record) override { form_.FillRecord(record); }
    void StoreBack(TSettingsRecord& record) override { form_.StoreBack(record); }

private:
    TSettingsForm& form_;
};

} // namespace tickora
