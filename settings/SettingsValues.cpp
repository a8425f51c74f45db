#include "settings/SettingsValues.h"

#include "settings/SettingsNumbers.h"

namespace tickora {

namespace {

constexpr double kSmallestSweep = 0.001; // s; anything at or below falls back to 1 s

} // namespace

void FillRecord(const SettingsValues& values, TSettingsRecord& record) {
    record.Rate = ParseInteger(values.Rate).value_or(0);
    record.Angle = ParseInteger(values.Angle).value_or(0);
    record.Period = ParseInteger(values.Period).value_or(0);
    record.Pause = values.Pause;
    record.Manual = values.Manual;
    record.Scale = ParseInteger(values.Scale).value_or(0);
    record.Settling = ParseInteger(values.Settling).value_or(0);
    record.Calibration = ParseDecimal(values.Calibration).value_or(0.0);
    const double sweep = ParseSweep(values.Sweep);
    record.Sweep = sweep <= kSmallestSweep ? 1.0 : sweep;
    record.SweepRate = 1.0 / record.Sweep;
    record.PlotRaw = values.PlotRaw;
    record.Filtering = values.Filtering > 0 ? values.Filtering : 0;
    record.InputDevice = values.InputDevice <= 0 ? -1 : values.InputDevice - 1;
    record.MissingInput = values.MissingInput;
    record.Gain = values.Gain;
    record.Weights = values.Weights;
    record.Changed = false;
}

} // namespace tickora
