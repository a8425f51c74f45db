#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace tickora {

// The typed snapshot of the settings that the measurement, display and report read. A plain
// value: whoever holds one owns it and copies it freely.
struct TSettingsRecord {
    std::int32_t Rate = 0;         // beats per hour; 0 = AUTO (detect the rate)
    std::int32_t Angle = 52;       // lift angle, degrees
    std::int32_t Period = 20;      // averaging period, s
    bool Pause = false;            // pause at the end of each averaging period
    bool Manual = false;           // threshold level set by hand
    std::int32_t Scale = 10;       // trace vertical scale, dots per millisecond
    std::int32_t Settling = 5;     // settling time, s
    double Calibration = 0.0;      // rate correction, s/d
    double Sweep = 1.0;            // scope sweep time, s per sweep
    double SweepRate = 1.0;        // sweeps per s
    bool PlotRaw = false;          // plot raw sounds instead of analysed ticks
    std::int32_t Filtering = 0;    // 0 None, 1 Wide, 2 Medium, 3 Narrow
    std::int32_t InputDevice = -1; // -1 = the system's default input, else the device number
    std::string MissingInput;      // the saved input that is not listed now (then InputDevice -1)
    double Gain = 1.0;             // linear signal gain, 1 to 256
    std::array<std::int32_t, 6> Weights{1, 1, 1, 1, 1, 1}; // report weights, positions 1 to 6
    bool Changed = false; // Gain or Weights changed outside the dialog, to be stored

    friend bool operator==(const TSettingsRecord&, const TSettingsRecord&) = default;
};

} // namespace tickora
