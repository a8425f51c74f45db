#pragma once

#include "pages/Annotate.h"

#include <array>
#include <string>

namespace tickora {

// What the sequence dialog asks: which of the six standard positions to measure, for how
// long, and how to go on from one position to the next.
struct SequencePlan {
    std::array<bool, pages::kPositionCount> positions{true, true, true, true, true, true};
    // Measured at least this long after the calibration, and until the reading has settled;
    // 0 = until the reading has settled (one averaging period).
    int measureSeconds = 0;    // s
    bool countdown = false;    // go on after a countdown instead of at a key press
    int countdownSeconds = 10; // s

    static constexpr int kMaxMeasureSeconds = 600;  // s
    static constexpr int kMaxCountdownSeconds = 60; // s
};

// The guided check of a watch in its positions, one measurement after the other: prompt,
// measure, commit and annotate the page, next position. This is the bookkeeping only; the
// main window runs the measurements and shows the prompts. GUI thread only.
class PositionSequence {
public:
    enum class Step {
        Off,       // no sequence
        Prompt,    // waiting for the watch to be turned (a key or the countdown)
        Measuring, // a test of the current position runs
    };

    // Starts at the first chosen position; false (and Off) when none is chosen.
    bool Begin(const SequencePlan& plan);
    // Ends the sequence at once; the pages already measured stay as they are.
    void End() { step_ = Step::Off; }

    Step CurrentStep() const { return step_; }
    bool Active() const { return step_ != Step::Off; }
    const SequencePlan& Plan() const { return plan_; }

    // The position being prompted for or measured, 1 to 6; its 1-based place among the
    // chosen ones, and how many were chosen.
    int Position() const { return position_; }
    int Place() const;
    int Count() const;
    std::string PositionName() const { return pages::PositionName(position_); }

    // The prompt over the plot: for a key press, or with the seconds left of the countdown.
    std::string PromptText(int secondsLeft) const;

    // The test of the current position has started.
    void MeasurementStarted();
    // A result of the test arrived after `seconds` of testing; settled as the main window
    // judges it. True when the position has been measured long enough.
    bool ResultArrived(bool settled, double seconds) const;
    // The position's page is committed: on to the next chosen position's prompt. False when
    // it was the last (the sequence is then Off).
    bool Advance();

    // The beat rate found at the first position, set for the rest (0 = none yet).
    int BeatRate() const { return bph_; }
    void SetBeatRate(int bph) { bph_ = bph; }

private:
    SequencePlan plan_;
    Step step_ = Step::Off;
    int position_ = 0;
    int bph_ = 0;
};

} // namespace tickora
