#include "app/sequence/PositionSequence.h"

namespace tickora {

bool PositionSequence::Begin(const SequencePlan& plan) {
    plan_ = plan;
    bph_ = 0;
    position_ = 0;
    step_ = Step::Off;
    for (int p = 1; p <= pages::kPositionCount; ++p) {
        if (plan_.positions[static_cast<std::size_t>(p - 1)]) {
            position_ = p;
            step_ = Step::Prompt;
            return true;
        }
    }
    return false;
}

int PositionSequence::Place() const {
    int place = 0;
    for (int p = 1; p <= position_; ++p)
        place += plan_.positions[static_cast<std::size_t>(p - 1)];
    return place;
}

int PositionSequence::Count() const {
    int count = 0;
    for (const bool chosen : plan_.positions)
        count += chosen;
    return count;
}

std::string PositionSequence::PromptText(int secondsLeft) const {
    if (!plan_.countdown)
        return PositionName() + ": turn the watch, then press Space";
    return PositionName() + ": turn the watch; the measurement starts in " +
           std::to_string(secondsLeft) + " s";
}

void PositionSequence::MeasurementStarted() {
    if (step_ == Step::Prompt)
        step_ = Step::Measuring;
}

bool PositionSequence::ResultArrived(bool settled, double seconds) const {
    return step_ == Step::Measuring && settled && seconds >= plan_.measureSeconds;
}

bool PositionSequence::Advance() {
    for (int p = position_ + 1; p <= pages::kPositionCount; ++p) {
        if (plan_.positions[static_cast<std::size_t>(p - 1)]) {
            position_ = p;
            step_ = Step::Prompt;
            return true;
        }
    }
    step_ = Step::Off;
    return false;
}

} // namespace tickora
