#include "settings/SettingsValidation.h"

#include "settings/SettingsNumbers.h"

namespace tickora {

namespace {

constexpr std::int32_t kMinRate = 300;     // bph
constexpr std::int32_t kMaxRate = 43200;   // bph
constexpr std::int32_t kMinAngle = 30;     // degrees
constexpr std::int32_t kMaxAngle = 70;     // degrees
constexpr std::int32_t kMinPeriod = 2;     // s
constexpr std::int32_t kMaxPeriod = 600;   // s
constexpr std::int32_t kMinScale = 1;      // dots per ms
constexpr std::int32_t kMinSettling = 5;   // s
constexpr std::int32_t kMaxSettling = 60;  // s
constexpr std::int32_t kFiveBeats = 18000; // s x bph: five beats last 5 x 3600 / rate seconds
constexpr double kMaxCorrection = 1500.0;  // s/d, either sign
constexpr double kMinSweep = 0.1;          // s
constexpr double kMaxSweep = 10.0;         // s
constexpr double kTolerance = 1e-9;        // allowed beyond the real bounds

bool InRange(std::int32_t value, std::int32_t low, std::int32_t high) {
    return value >= low && value <= high;
}

std::int32_t IntegerOf(const std::string& text) {
    return ParseInteger(text).value_or(0);
}

bool RatePasses(const std::string& text) {
    return text == "AUTO" || InRange(IntegerOf(text), kMinRate, kMaxRate);
}

// The largest scale is the last entry of the scale list.
std::int32_t MaxScale() {
    return ParseInteger(kScaleEntries.back()).value_or(20);
}

// One field's check. Returns false on a failure, which ends the validation; a warning is
// added to the messages but does not fail.
bool CheckField(const SettingsValues& values, SettingsField field,
                std::vector<ValidationMessage>& messages) {
    auto fail = [&](const std::string& text) {
        messages.push_back({field, text, false});
        return false;
    };
    switch (field) {
    case SettingsField::Rate:
        if (!RatePasses(values.Rate))
            return fail("Invalid beat rate. Please select AUTO, or a rate between 300 and 43200 "
                        "beats/hour.");
        return true;
    case SettingsField::Angle:
        if (!InRange(IntegerOf(values.Angle), kMinAngle, kMaxAngle))
            return fail("Invalid lift angle. Please select an angle between 30 and 70 degrees.");
        return true;
    case SettingsField::Period:
        if (!InRange(IntegerOf(values.Period), kMinPeriod, kMaxPeriod))
            return fail("Invalid averaging period. Please select a period between 2 and 600 "
                        "seconds.");
        return true;
    case SettingsField::Scale:
        if (!InRange(IntegerOf(values.Scale), kMinScale, MaxScale()))
            return fail("Invalid vertical scale. Please select a scale between 1 and " +
                        std::to_string(MaxScale()) + " dots/millisecond.");
        return true;
    case SettingsField::Settling: {
        const std::int32_t settling = IntegerOf(values.Settling);
        if (!InRange(settling, kMinSettling, kMaxSettling))
            return fail("Invalid settling time. Please select a time between 5 and 60 seconds.");
        // Only a rate that passes its own check has a defined minimum; any other rate is
        // reported by the rate check itself.
        if (values.Rate != "AUTO" && RatePasses(values.Rate)) {
            const std::int32_t rate = IntegerOf(values.Rate);
            const std::int32_t minimum = DivideRoundHalfEven(kFiveBeats, rate);
            if (settling < minimum)
                messages.push_back({field,
                                    "Settling time is too short for a beat rate of " +
                                        std::to_string(rate) +
                                        " beats/hour. Please select a time between " +
                                        std::to_string(minimum) + " and 60 seconds.",
                                    true});
        }
        return true;
    }
    case SettingsField::Calibration: {
        const auto correction = ParseDecimal(values.Calibration);
        if (!correction || *correction < -kMaxCorrection - kTolerance ||
            *correction > kMaxCorrection + kTolerance)
            return fail("Invalid time correction. Please enter a correction between -1500 and "
                        "+1500 seconds/day.");
        return true;
    }
    case SettingsField::Sweep: {
        const double sweep = ParseSweep(values.Sweep);
        if (sweep < kMinSweep - kTolerance || sweep > kMaxSweep + kTolerance)
            return fail("Invalid scope sweep time. Please select a sweep time between 1/10 and "
                        "10 seconds.");
        return true;
    }
    }
    return true;
}

} // namespace

ValidationResult ValidateFields(const SettingsValues& values, std::optional<SettingsField> sender) {
    static constexpr SettingsField kOrder[] = {SettingsField::Rate,     SettingsField::Angle,
                                               SettingsField::Period,   SettingsField::Scale,
                                               SettingsField::Settling, SettingsField::Calibration,
                                               SettingsField::Sweep};
    ValidationResult result;
    for (const SettingsField field : kOrder) {
        if (sender && *sender != field)
            continue;
        if (!CheckField(values, field, result.messages)) {
            result.allPassed = false;
            result.failedField = field;
            break;
        }
    }
    return result;
}

} // namespace tickora
