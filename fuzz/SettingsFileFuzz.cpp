// The settings file reader over arbitrary bytes, with what the start-up load does next:
// the record is filled and every field validated. The values read must save and load back
// to the same file.
#include "settings/SettingsFile.h"
#include "settings/SettingsRecord.h"
#include "settings/SettingsValidation.h"
#include "settings/SettingsValues.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data),
                                 std::min(size, tickora::kMaxSettingsFileSize));
    tickora::SettingsValues values;
    values.InputDevices = {std::string(tickora::kInputMapperEntry), "USB microphone",
                           "Line In (Built-in)"};
    tickora::ParseSettingsFile(bytes, values);

    tickora::TSettingsRecord record;
    tickora::FillRecord(values, record);
    if (!(record.Gain >= 1.0 && record.Gain <= 256.0) || !(record.Sweep > 0.001) ||
        record.Filtering < 0 || record.Filtering > 3 || record.InputDevice < -1 ||
        record.InputDevice >= static_cast<int>(values.InputDevices.size()) - 1) {
        std::abort();
    }
    // Settings that pass every check are safe to measure with.
    const tickora::ValidationResult checks = tickora::ValidateFields(values);
    if (checks.allPassed == checks.failedField.has_value()) {
        std::abort();
    }
    if (checks.allPassed &&
        ((record.Rate != 0 && (record.Rate < 300 || record.Rate > 43200)) || record.Angle < 30 ||
         record.Angle > 70 || record.Period < 2 || record.Period > 600 || record.Scale < 1 ||
         record.Scale > 20 || record.Settling < 5 || record.Settling > 60 ||
         !(std::abs(record.Calibration) <= 1500.0 + 1e-9) || !(record.Sweep >= 0.1 - 1e-9) ||
         !(record.Sweep <= 10.0 + 1e-9) || !std::isfinite(record.SweepRate))) {
        std::abort();
    }

    // A filtering list without a selection comes back as None; everything else unchanged.
    if (values.Filtering < 0) {
        values.Filtering = 0;
    }
    const std::string saved = tickora::FormatSettingsFile(values);
    tickora::SettingsValues reloaded = values;
    tickora::ParseSettingsFile(saved, reloaded);
    tickora::SettingsValues expected = values;
    expected.Gain = reloaded.Gain; // written with 15 digits: the same line, maybe not the same bits
    if (!(reloaded == expected) || tickora::FormatSettingsFile(reloaded) != saved) {
        std::abort();
    }
    return 0;
}
