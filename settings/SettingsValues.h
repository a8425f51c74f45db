#pragma once

#include "settings/SettingsRecord.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tickora {

// Fixed list entries of the settings dialog, in their order.
inline constexpr std::array<std::string_view, 4> kFilteringEntries{
    "None", "Wide (160Hz - 16kHz)", "Medium (400Hz - 12kHz)", "Narrow (800Hz - 8kHz)"};
inline constexpr std::array<std::string_view, 10> kRateEntries{
    "AUTO", "3600", "12000", "14400", "18000", "19800", "21600", "25200", "28800", "36000"};
inline constexpr std::array<std::string_view, 9> kPeriodEntries{"2",  "5",   "10",  "20", "30",
                                                                "60", "120", "300", "600"};
inline constexpr std::array<std::string_view, 6> kSettlingEntries{"5",  "10", "15",
                                                                  "20", "30", "60"};
inline constexpr std::array<std::string_view, 5> kScaleEntries{"1", "2", "5", "10", "20"};
inline constexpr std::array<std::string_view, 16> kSweepEntries{
    "1/8",   "1/7",   "1/6", "1/5.5", "1/5", "1/4", "1/3.5", "1/3",
    "2/5.5", "1/2.5", "1/2", "2/3.5", "1",   "2",   "5",     "10"};
inline constexpr int kFirstAngle = 30; // degrees, first lift angle entry
inline constexpr int kLastAngle = 70;  // degrees, last lift angle entry

// The entry that stands for the system's default input; always the first device entry.
inline constexpr std::string_view kInputMapperEntry = "Microsoft Sound Mapper - Input";

// The settings as the dialog holds them: the controls' texts and check states exactly as the
// user typed or picked them, the selected entries of the two pick-only lists, and the two
// private values without a control. The dialog copies its controls to and from this.
struct SettingsValues {
    std::string Rate{"AUTO"}; // beats per hour, or AUTO
    std::string Angle{"52"};  // degrees
    std::string Period{"20"}; // s
    bool Pause = false;
    std::string Settling{"5"}; // s
    bool Manual = false;
    std::string Scale{"10"}; // dots per millisecond
    bool PlotRaw = false;
    std::string Sweep{"1"};       // s per sweep, often a fraction
    std::string Calibration{"0"}; // s/d
    std::vector<std::string> InputDevices{std::string(kInputMapperEntry)}; // mapper first
    int InputDevice = 0; // selected device entry; -1 none
    // The input the settings file names when the list no longer holds it (a microphone
    // unplugged, a sound server not running); empty otherwise. Kept until the user picks an
    // entry, so that the input opens again once it is back.
    std::string MissingInput;
    int Filtering = 0; // selected filtering entry, None from the first start; -1 none
    double Gain = 1.0;
    std::array<std::int32_t, 6> Weights{1, 1, 1, 1, 1, 1};

    friend bool operator==(const SettingsValues&, const SettingsValues&) = default;
};

// Computes every field of `record` from the values; never fails (texts that are not numbers
// give the fields' fallbacks). Changed becomes false.
void FillRecord(const SettingsValues& values, TSettingsRecord& record);

} // namespace tickora
