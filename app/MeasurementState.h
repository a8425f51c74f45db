#pragma once

#include <cstdint>

namespace tickora {

// What the main window is doing with the captured sound.
enum class MeasurementState : std::uint8_t {
    Idle = 0,        // no capture; pages, reports and settings can be used
    Calibrating = 1, // gathering the settling time for levels and beat rate
    Detecting = 2,   // only inside the buffer handler while the rate detection runs
    ManualLevel = 3, // two-beat scope sweep while the user sets threshold and gain
    Testing = 4,     // ticks analysed, trace drawn, results shown
    Paused = 5,      // capture stopped; detector state kept for Resume
    Scope = 6,       // scope sweep of the configured sweep time
    Busy = 7,        // a Testing or Scope buffer is being handled
};

} // namespace tickora
