#include "app/ToolbarLogic.h"

namespace tickora {

ToolbarVisibility ComputeToolbar(const ToolbarInputs& in) {
    using S = MeasurementState;
    const S s = in.state;
    const bool idleOrPaused = s == S::Idle || s == S::Paused;
    const bool onPage = in.pageCount > 0 && in.pageIndex > 0 && in.pageIndex <= in.pageCount;

    ToolbarVisibility v;
    auto set = [&v](ToolbarButton b, bool shown) {
        v.live[static_cast<int>(b)] = shown;
        v.twin[static_cast<int>(b)] = !shown;
    };
    set(ToolbarButton::Stop, s != S::Idle);
    set(ToolbarButton::Scope, idleOrPaused && in.deviceOpen);
    set(ToolbarButton::LongTerm, idleOrPaused && in.deviceOpen);
    set(ToolbarButton::Annotate, idleOrPaused && onPage);
    set(ToolbarButton::Report, idleOrPaused && onPage);
    set(ToolbarButton::Export, idleOrPaused);
    set(ToolbarButton::Settings, s == S::Idle);
    set(ToolbarButton::Previous, idleOrPaused && in.pageCount > 0 && in.pageIndex > 1);
    set(ToolbarButton::Next, idleOrPaused && in.pageIndex < in.pageCount);
    set(ToolbarButton::Sequence, s == S::Idle && in.deviceOpen);
    set(ToolbarButton::Shapes,
        (s == S::Testing || s == S::Busy || s == S::Paused) && !in.longTermActive);

    // Start, pause and resume share one slot, each with its own rule.
    const int start = static_cast<int>(ToolbarButton::Start);
    const int pause = static_cast<int>(ToolbarButton::Pause);
    const int resume = static_cast<int>(ToolbarButton::Resume);
    v.live[start] = s == S::Idle && in.deviceOpen;
    v.twin[start] =
        s == S::Scope || (s == S::Testing && in.longTermActive) || (s == S::Idle && !in.deviceOpen);
    v.noDeviceHint = !in.deviceOpen;
    v.live[pause] = s == S::Testing && !in.longTermActive;
    v.twin[pause] = s == S::Calibrating || s == S::Detecting || s == S::ManualLevel;
    v.live[resume] = s == S::Paused;
    v.twin[resume] = false;

    // Idle, the shapes' slot analyses the page's sound again; the shapes belong to a test.
    const int shapes = static_cast<int>(ToolbarButton::Shapes);
    const int again = static_cast<int>(ToolbarButton::AnalyseAgain);
    v.live[again] = s == S::Idle && onPage && in.pageSound && !in.sequenceActive;
    v.twin[again] = s == S::Idle && !v.live[again];
    if (s == S::Idle)
        v.twin[shapes] = false;

    if (in.sequenceActive) {
        // The sequence owns the measurements: Start goes on to the next position, Stop ends
        // the sequence, and nothing else may move the pages or the settings under it.
        for (const ToolbarButton b :
             {ToolbarButton::LongTerm, ToolbarButton::Scope, ToolbarButton::Annotate,
              ToolbarButton::Report, ToolbarButton::Export, ToolbarButton::Settings,
              ToolbarButton::Previous, ToolbarButton::Next, ToolbarButton::Sequence})
            set(b, false);
        set(ToolbarButton::Stop, true);
        if (v.live[pause]) {
            v.live[pause] = false;
            v.twin[pause] = true;
        }
    }
    return v;
}

} // namespace tickora
