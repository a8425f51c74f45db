#pragma once

#include "app/sequence/PositionSequence.h"

#include <functional>
#include <string>

class QLabel;
class QTimer;
class QWidget;

namespace tickora {

// The prompt over the plot between the positions of a sequence: the instruction large, the
// place in the sequence and the way out smaller under it, and the countdown that goes on by
// itself when the plan asks for one. GUI thread only.
class SequencePrompt {
public:
    // plotArea: where the prompt stands; countdownEnded: called when the countdown reaches 0.
    SequencePrompt(QWidget* plotArea, const PositionSequence& sequence,
                   std::function<void()> countdownEnded);

    // Shows the prompt for the sequence's current position and starts its countdown.
    void Show();
    // Hides the prompt and stops the countdown.
    void Hide();
    // The first line, as plain text; empty when hidden.
    std::string Text() const;

private:
    void Tick();
    void ShowText();

    QWidget* plotArea_;
    const PositionSequence& sequence_;
    std::function<void()> countdownEnded_;
    QLabel* label_ = nullptr;
    QTimer* countdown_ = nullptr;
    int secondsLeft_ = 0; // s
};

} // namespace tickora
