#include "app/sequence/SequenceForm.h"

#include "platform/QtDialogs.h"
#include "platform/QtFont.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPalette>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace tickora {

namespace {

constexpr int kTextPixels = 13;   // captions
constexpr int kButtonPixels = 12; // OK and Cancel

} // namespace

TSequenceForm::TSequenceForm(QWidget* parent) : QDialog(parent) {
    platform::GiveDialogLook(*this, "Position Sequence", kTextPixels);

    auto* positions = new QGroupBox(" Positions ", this);
    auto* grid = new QGridLayout(positions);
    grid->setContentsMargins(9, 8, 9, 8);
    grid->setHorizontalSpacing(24);
    grid->setVerticalSpacing(6);
    // In the annotation dialog's order and places: two columns of three rows.
    for (int p = 0; p < pages::kPositionCount; ++p) {
        const auto caption = pages::PositionCaptions[static_cast<std::size_t>(p)];
        auto* box = new QCheckBox(
            QString::fromUtf8(caption.data(), static_cast<qsizetype>(caption.size())), positions);
        QObject::connect(box, &QCheckBox::toggled, this, &TSequenceForm::UpdateButtons);
        positionCheckBoxes_[static_cast<std::size_t>(p)] = box;
        grid->addWidget(box, p / 2, p % 2);
    }

    auto* timing = new QGroupBox(" Each Position ", this);
    auto* rows = new QGridLayout(timing);
    rows->setContentsMargins(9, 8, 9, 8);
    rows->setHorizontalSpacing(6);
    rows->setVerticalSpacing(6);
    measureSpinBox_ = new QSpinBox(timing);
    measureSpinBox_->setRange(0, SequencePlan::kMaxMeasureSeconds);
    measureSpinBox_->setSingleStep(10);
    measureSpinBox_->setSuffix(" s");
    // The lowest value stands for the plain rule: until the reading has settled.
    measureSpinBox_->setSpecialValueText("one averaging period");
    measureSpinBox_->setMinimumWidth(150);
    auto* measureLabel = new QLabel("&Measure for at least:", timing);
    measureLabel->setBuddy(measureSpinBox_);
    rows->addWidget(measureLabel, 0, 0, 1, 2);
    rows->addWidget(measureSpinBox_, 0, 2);
    keyRadioButton_ = new QRadioButton("Go on when &Space is pressed", timing);
    countdownRadioButton_ = new QRadioButton("Go on after a &countdown of", timing);
    countdownSpinBox_ = new QSpinBox(timing);
    countdownSpinBox_->setRange(1, SequencePlan::kMaxCountdownSeconds);
    countdownSpinBox_->setSuffix(" s");
    rows->addWidget(keyRadioButton_, 1, 0, 1, 3);
    rows->addWidget(countdownRadioButton_, 2, 0, 1, 2);
    rows->addWidget(countdownSpinBox_, 2, 2);
    QObject::connect(countdownRadioButton_, &QRadioButton::toggled, countdownSpinBox_,
                     &QSpinBox::setEnabled);

    okButton_ = new QPushButton("OK", this);
    cancelButton_ = new QPushButton("Cancel", this);
    for (QPushButton* button : {okButton_, cancelButton_}) {
        button->setFont(platform::ArialFont(kButtonPixels));
        button->setFixedWidth(75);
    }
    okButton_->setDefault(true);
    okButton_->setAutoDefault(true);
    QObject::connect(okButton_, &QPushButton::clicked, this, &QDialog::accept);
    QObject::connect(cancelButton_, &QPushButton::clicked, this, &QDialog::reject);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(okButton_);
    buttons->addSpacing(12);
    buttons->addWidget(cancelButton_);
    buttons->addStretch(1);

    auto* page = new QVBoxLayout(this);
    page->setContentsMargins(10, 10, 10, 10);
    page->setSpacing(10);
    page->addWidget(positions);
    page->addWidget(timing);
    page->addLayout(buttons);
    page->setSizeConstraint(QLayout::SetFixedSize);
    ShowPlan(SequencePlan{});
}

QCheckBox* TSequenceForm::PositionCheckBox(int position) const {
    return positionCheckBoxes_.at(static_cast<std::size_t>(position - 1));
}

void TSequenceForm::ShowPlan(const SequencePlan& plan) {
    for (int p = 0; p < pages::kPositionCount; ++p)
        positionCheckBoxes_[static_cast<std::size_t>(p)]->setChecked(
            plan.positions[static_cast<std::size_t>(p)]);
    measureSpinBox_->setValue(plan.measureSeconds);
    keyRadioButton_->setChecked(!plan.countdown);
    countdownRadioButton_->setChecked(plan.countdown);
    countdownSpinBox_->setValue(plan.countdownSeconds);
    countdownSpinBox_->setEnabled(plan.countdown);
    UpdateButtons();
}

SequencePlan TSequenceForm::ShownPlan() const {
    SequencePlan plan;
    for (int p = 0; p < pages::kPositionCount; ++p)
        plan.positions[static_cast<std::size_t>(p)] =
            positionCheckBoxes_[static_cast<std::size_t>(p)]->isChecked();
    plan.measureSeconds = measureSpinBox_->value();
    plan.countdown = countdownRadioButton_->isChecked();
    plan.countdownSeconds = countdownSpinBox_->value();
    return plan;
}

void TSequenceForm::UpdateButtons() {
    bool any = false;
    for (const QCheckBox* box : positionCheckBoxes_)
        any = any || box->isChecked();
    okButton_->setEnabled(any);
}

void TSequenceForm::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    platform::CentreOnOwner(*this);
    okButton_->setFocus();
}

bool TSequenceForm::EditPlan(SequencePlan& plan) {
    ShowPlan(plan);
    if (exec() != QDialog::Accepted)
        return false;
    plan = ShownPlan();
    return true;
}

} // namespace tickora
