#include "app/ToolbarLogic.h"

#include <gtest/gtest.h>

using namespace tickora;
using S = MeasurementState;
using B = ToolbarButton;

namespace {
ToolbarVisibility For(S state, bool open = true, bool longTerm = false, int count = 0,
                      int index = 0) {
    return ComputeToolbar({state, open, longTerm, count, index});
}

// Exactly one image of the start, pause and resume slot shows in every state but Busy.
int SlotImages(const ToolbarVisibility& v) {
    return v.Live(B::Start) + v.Twin(B::Start) + v.Live(B::Pause) + v.Twin(B::Pause) +
           v.Live(B::Resume);
}
} // namespace

TEST(ToolbarLogic, StartSlotShowsOneImageInEveryStateButBusy) {
    for (S s :
         {S::Idle, S::Calibrating, S::Detecting, S::ManualLevel, S::Testing, S::Paused, S::Scope}) {
        for (bool open : {true, false}) {
            for (bool longTerm : {true, false}) {
                if (s == S::Idle && longTerm)
                    continue; // a long-term test never rests in Idle
                EXPECT_EQ(SlotImages(For(s, open, longTerm)), 1)
                    << "state " << int(s) << " open " << open << " long term " << longTerm;
            }
        }
    }
}

TEST(ToolbarLogic, StartNeedsIdleAndAnOpenDevice) {
    EXPECT_TRUE(For(S::Idle).Live(B::Start));
    EXPECT_FALSE(For(S::Idle).noDeviceHint);
    const ToolbarVisibility noDevice = For(S::Idle, false);
    EXPECT_FALSE(noDevice.Live(B::Start));
    EXPECT_TRUE(noDevice.Twin(B::Start));
    EXPECT_TRUE(noDevice.noDeviceHint);
    EXPECT_FALSE(noDevice.Live(B::Scope));
    EXPECT_FALSE(noDevice.Live(B::LongTerm));
    EXPECT_TRUE(noDevice.Live(B::Export));
    EXPECT_TRUE(noDevice.Live(B::Settings));
}

TEST(ToolbarLogic, PauseOnlyInOrdinaryTesting) {
    EXPECT_TRUE(For(S::Testing).Live(B::Pause));
    EXPECT_FALSE(For(S::Testing, true, true).Live(B::Pause));
    EXPECT_TRUE(For(S::Testing, true, true).Twin(B::Start));
    for (S s : {S::Calibrating, S::Detecting, S::ManualLevel})
        EXPECT_TRUE(For(s).Twin(B::Pause));
    EXPECT_TRUE(For(S::Paused).Live(B::Resume));
    EXPECT_TRUE(For(S::Scope).Twin(B::Start));
}

TEST(ToolbarLogic, StopInEveryStateButIdle) {
    EXPECT_FALSE(For(S::Idle).Live(B::Stop));
    EXPECT_TRUE(For(S::Idle).Twin(B::Stop));
    for (S s : {S::Calibrating, S::Detecting, S::ManualLevel, S::Testing, S::Paused, S::Scope})
        EXPECT_TRUE(For(s).Live(B::Stop));
}

TEST(ToolbarLogic, PageButtonsFollowIndexAndCount) {
    // Live screen after a scope view: index = count + 1.
    ToolbarVisibility v = For(S::Idle, true, false, 3, 4);
    EXPECT_FALSE(v.Live(B::Annotate));
    EXPECT_FALSE(v.Live(B::Report));
    EXPECT_TRUE(v.Live(B::Previous));
    EXPECT_FALSE(v.Live(B::Next));

    v = For(S::Idle, true, false, 3, 1);
    EXPECT_TRUE(v.Live(B::Annotate));
    EXPECT_FALSE(v.Live(B::Previous));
    EXPECT_TRUE(v.Live(B::Next));

    v = For(S::Idle, true, false, 0, 0);
    EXPECT_FALSE(v.Live(B::Annotate));
    EXPECT_FALSE(v.Live(B::Previous));
    EXPECT_FALSE(v.Live(B::Next));

    // While paused the pages may be browsed; while testing not.
    EXPECT_TRUE(For(S::Paused, true, false, 3, 2).Live(B::Previous));
    EXPECT_FALSE(For(S::Testing, true, false, 3, 2).Live(B::Previous));
    EXPECT_FALSE(For(S::Testing, true, false, 3, 2).Live(B::Export));
    EXPECT_FALSE(For(S::Paused).Live(B::Settings));
}

TEST(ToolbarLogic, TwinShowsExactlyWhenLiveImageDoesNot) {
    for (S s : {S::Idle, S::Calibrating, S::ManualLevel, S::Testing, S::Paused, S::Scope}) {
        const ToolbarVisibility v = For(s, true, false, 5, 3);
        for (B b : {B::Stop, B::LongTerm, B::Scope, B::Annotate, B::Report, B::Export, B::Settings,
                    B::Previous, B::Next})
            EXPECT_NE(v.Live(b), v.Twin(b));
    }
}

// The shapes' slot shows exactly one image in every state but Busy: the shapes during a test,
// analysing the page's sound again when idle, live only over a page that keeps a sound.
TEST(ToolbarLogic, ShapesSlotAnalysesAPagesSoundWhenIdle) {
    auto slotImages = [](const ToolbarVisibility& v) {
        return v.Live(B::Shapes) + v.Twin(B::Shapes) + v.Live(B::AnalyseAgain) +
               v.Twin(B::AnalyseAgain);
    };
    for (S s :
         {S::Idle, S::Calibrating, S::Detecting, S::ManualLevel, S::Testing, S::Paused, S::Scope}) {
        for (bool sound : {true, false}) {
            ToolbarInputs in{s, true, false, 5, 3};
            in.pageSound = sound;
            const ToolbarVisibility v = ComputeToolbar(in);
            EXPECT_EQ(slotImages(v), 1) << "state " << int(s) << " sound " << sound;
            EXPECT_EQ(v.Live(B::AnalyseAgain), s == S::Idle && sound) << "state " << int(s);
        }
    }
    ToolbarInputs live{S::Idle, true, false, 5, 6}; // the live screen is no page
    live.pageSound = true;
    EXPECT_FALSE(ComputeToolbar(live).Live(B::AnalyseAgain));
    ToolbarInputs sequence{S::Idle, true, false, 5, 3, true};
    sequence.pageSound = true;
    EXPECT_FALSE(ComputeToolbar(sequence).Live(B::AnalyseAgain));
    EXPECT_TRUE(ComputeToolbar(sequence).Twin(B::AnalyseAgain));
}
