#pragma once

#include "app/sequence/PositionSequence.h"

#include <QDialog>

#include <array>

class QCheckBox;
class QPushButton;
class QRadioButton;
class QSpinBox;

namespace tickora {

// The position sequence dialog: the six positions with a check box each, how long to
// measure each, and how to go on between positions. Enter starts the sequence as shown.
// Made once and reused, so it shows the last choices. GUI thread only.
class TSequenceForm : public QDialog {
public:
    explicit TSequenceForm(QWidget* parent = nullptr);

    // Shows the plan in the modal dialog; on OK (Enter) the plan takes what is shown and the
    // result is true. OK is offered only while a position is checked.
    bool EditPlan(SequencePlan& plan);

    // The controls, for tests and the screenshot tool.
    QCheckBox* PositionCheckBox(int position) const; // 1 to 6
    QSpinBox* MeasureSpinBox() const { return measureSpinBox_; }
    QRadioButton* KeyRadioButton() const { return keyRadioButton_; }
    QRadioButton* CountdownRadioButton() const { return countdownRadioButton_; }
    QSpinBox* CountdownSpinBox() const { return countdownSpinBox_; }
    QPushButton* OKButton() const { return okButton_; }
    QPushButton* CancelButton() const { return cancelButton_; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void ShowPlan(const SequencePlan& plan);
    SequencePlan ShownPlan() const;
    void UpdateButtons();

    std::array<QCheckBox*, pages::kPositionCount> positionCheckBoxes_{};
    QSpinBox* measureSpinBox_ = nullptr;
    QRadioButton* keyRadioButton_ = nullptr;
    QRadioButton* countdownRadioButton_ = nullptr;
    QSpinBox* countdownSpinBox_ = nullptr;
    QPushButton* okButton_ = nullptr;
    QPushButton* cancelButton_ = nullptr;
};

} // namespace tickora
