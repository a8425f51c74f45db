#pragma once

#include "app/ClickableLabel.h"
#include "app/ToolbarLogic.h"

#include <array>
#include <functional>

namespace tickora {

// One 40 x 40 toolbar picture.
using ToolbarImage = ClickableLabel;

// The toolbar on the left panel: each button's live image and its greyed twin in one slot.
// Which of them shows is decided by ComputeToolbar; the twins take no clicks.
class TToolbar {
public:
    explicit TToolbar(QWidget* leftPanel);

    void SetHandler(ToolbarButton button, std::function<void()> handler);

    // Moves every image designed right of its slot into the slot, hidden and disabled.
    void PlaceInSlots();

    void Apply(const ToolbarVisibility& visibility);

    // The live image is shown and enabled: its key may act.
    bool Enabled(ToolbarButton button) const;

    ToolbarImage* Live(ToolbarButton button) { return live_[Index(button)]; }
    ToolbarImage* Twin(ToolbarButton button) { return twin_[Index(button)]; }

    static constexpr const char* kNoDeviceHint =
        "The chosen audio input device could not be opened.";

private:
    static int Index(ToolbarButton b) { return static_cast<int>(b); }

    QWidget* panel_;
    std::array<ToolbarImage*, kToolbarButtonCount> live_{};
    std::array<ToolbarImage*, kToolbarButtonCount> twin_{}; // Resume has none
};

} // namespace tickora
