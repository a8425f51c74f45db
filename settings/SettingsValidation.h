#pragma once

#include "settings/SettingsValues.h"

#include <optional>
#include <string>
#include <vector>

namespace tickora {

// The seven value fields that are checked, in the order of the checks.
enum class SettingsField { Rate, Angle, Period, Scale, Settling, Calibration, Sweep };

struct ValidationMessage {
    SettingsField field;
    std::string text;
    bool warning = false; // shown like an error, but neither moves the focus nor stops the checks
};

struct ValidationResult {
    std::vector<ValidationMessage> messages; // in the order they are to be shown
    bool allPassed = true;
    std::optional<SettingsField> failedField; // where the focus goes; empty when all passed
};

// Runs the checks of one field (`sender`), or all of them in order until the first failure
// when `sender` is empty. The settling time check also warns when it is shorter than five
// beats at the set beat rate.
ValidationResult ValidateFields(const SettingsValues& values,
                                std::optional<SettingsField> sender = std::nullopt);

} // namespace tickora
