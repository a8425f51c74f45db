#pragma once

#include "app/MeasurementState.h"

#include <array>
#include <cstdint>

namespace tickora {

// The toolbar's buttons; each live image has a greyed twin in the same slot, except Resume.
enum class ToolbarButton : std::uint8_t {
    Start,
    Pause,
    Resume,
    Stop,
    LongTerm,
    Scope,
    Annotate,
    Report,
    Export,
    Settings,
    Previous,
    Next,
    Sequence,
    Shapes,
    AnalyseAgain, // shares the shapes' slot: shapes during a test, analysing a page's sound idle
};
constexpr int kToolbarButtonCount = 15;

// Which image of each pair shows. A live image is enabled exactly when it shows.
struct ToolbarVisibility {
    std::array<bool, kToolbarButtonCount> live{};
    std::array<bool, kToolbarButtonCount> twin{}; // Resume has no twin: always false
    bool noDeviceHint = false; // the greyed start image explains the missing device

    bool Live(ToolbarButton b) const { return live[static_cast<int>(b)]; }
    bool Twin(ToolbarButton b) const { return twin[static_cast<int>(b)]; }
};

struct ToolbarInputs {
    MeasurementState state = MeasurementState::Idle;
    bool deviceOpen = false;
    bool longTermActive = false;
    int pageCount = 0;
    int pageIndex = 0; // 1-based; pageCount + 1 is the live screen
    // A position sequence runs: between its measurements only Start (to go on) and Stop (to
    // end it) act.
    bool sequenceActive = false;
    // The page shown keeps its sound and can be analysed again (no long-term page).
    bool pageSound = false;
};

ToolbarVisibility ComputeToolbar(const ToolbarInputs& in);

} // namespace tickora
