// The dialog's controls and their places: four group boxes in two columns and the button row.

#include "settings/SettingsForm.h"
#include "settings/SettingsValues.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFont>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QPushButton>
#include <QVBoxLayout>

namespace tickora {

namespace {

constexpr int kTextPixels = 13;  // captions and buttons
constexpr int kFieldPixels = 11; // value fields
constexpr int kFieldWidth = 84;  // pixels, the short value fields
constexpr int kGrey = 204;       // background, each of red, green and blue

// The metric-compatible free faces first: the dialog looks the same wherever it runs.
QFont CaptionFont() {
    QFont font;
    font.setFamilies({"Liberation Sans", "Arial"});
    font.setPixelSize(kTextPixels);
    return font;
}

QFont FieldFont() {
    QFont font;
    font.setFamilies({"Liberation Sans", "Microsoft Sans Serif"});
    font.setPixelSize(kFieldPixels);
    return font;
}

QComboBox* MakeList(QWidget* parent, bool editable) {
    auto* box = new QComboBox(parent);
    box->setFont(FieldFont());
    box->setEditable(editable);
    // A typed value is the setting itself; it never becomes a list entry.
    box->setInsertPolicy(QComboBox::NoInsert);
    // Nor is it completed or re-cased from the entries ("auto" must stay "auto").
    if (editable)
        box->setCompleter(nullptr);
    box->setMaxVisibleItems(16);
    return box;
}

template <std::size_t N>
QComboBox* MakeList(QWidget* parent, const std::array<std::string_view, N>& entries) {
    QComboBox* box = MakeList(parent, true);
    for (const std::string_view entry : entries)
        box->addItem(QString::fromUtf8(entry.data(), static_cast<int>(entry.size())));
    return box;
}

class FieldGroup {
public:
    FieldGroup(QWidget* parent, const char* title) : box_(new QGroupBox(title, parent)) {
        grid_ = new QGridLayout(box_);
        grid_->setContentsMargins(9, 8, 9, 8);
        grid_->setHorizontalSpacing(6);
        grid_->setVerticalSpacing(6);
        grid_->setColumnStretch(2, 1);
    }
    QGroupBox* Box() const { return box_; }

    // A caption with its access key on the left, the field, and its unit on the right.
    void AddField(const char* caption, QWidget* field, const char* unit, bool wide = false) {
        auto* label = new QLabel(caption, box_);
        label->setBuddy(field);
        grid_->addWidget(label, row_, 0);
        if (wide) {
            grid_->addWidget(field, row_, 1, 1, 2);
        } else {
            field->setFixedWidth(kFieldWidth);
            grid_->addWidget(field, row_, 1);
            if (unit)
                grid_->addWidget(new QLabel(unit, box_), row_, 2);
        }
        ++row_;
    }
    // A control under the fields, in their column (a button that acts on the field above).
    void AddUnder(QWidget* control) { grid_->addWidget(control, row_++, 1, 1, 2, Qt::AlignLeft); }
    void AddCheck(QCheckBox* check) { grid_->addWidget(check, row_++, 0, 1, 3); }
    void Finish() { grid_->setRowStretch(row_, 1); }

private:
    QGroupBox* box_;
    QGridLayout* grid_ = nullptr;
    int row_ = 0;
};

} // namespace

void TSettingsForm::BuildControls() {
    setWindowTitle("Settings");
    setFont(CaptionFont());
    QPalette colours = palette();
    colours.setColor(QPalette::Window, QColor(kGrey, kGrey, kGrey));
    setPalette(colours);
    setAutoFillBackground(true);

    rateComboBox_ = MakeList(this, kRateEntries);
    angleComboBox_ = MakeList(this, true);
    for (int angle = kFirstAngle; angle <= kLastAngle; ++angle)
        angleComboBox_->addItem(QString::number(angle));
    periodComboBox_ = MakeList(this, kPeriodEntries);
    settlingComboBox_ = MakeList(this, kSettlingEntries);
    scaleComboBox_ = MakeList(this, kScaleEntries);
    sweepComboBox_ = MakeList(this, kSweepEntries);
    calibrationEdit_ = new QLineEdit(this);
    calibrationEdit_->setFont(FieldFont());
    inputDeviceComboBox_ = MakeList(this, false);
    filteringComboBox_ = MakeList(this, false);
    for (const std::string_view entry : kFilteringEntries)
        filteringComboBox_->addItem(
            QString::fromUtf8(entry.data(), static_cast<int>(entry.size())));
    pauseCheckBox_ = new QCheckBox("Pause at &end of averaging period.", this);
    manualCheckBox_ = new QCheckBox("Adjust threshold level &manually.", this);
    plotRawCheckBox_ = new QCheckBox("Plot raw watch s&ounds instead of analyzed ticks.", this);

    FieldGroup watch(this, " Watch Parameters ");
    watch.AddField("Beat &Rate:", rateComboBox_, "beats / hour");
    watch.AddField("Lift &Angle:", angleComboBox_, "degrees");
    watch.Finish();

    FieldGroup test(this, " Test Settings ");
    test.AddField("Averaging &Period:", periodComboBox_, "seconds");
    test.AddCheck(pauseCheckBox_);
    test.AddField("Settling &Time:", settlingComboBox_, "seconds");
    test.AddCheck(manualCheckBox_);
    test.Finish();

    FieldGroup display(this, " Display Settings ");
    display.AddField("&Vertical Scale:", scaleComboBox_, "dots / millisecond");
    display.AddCheck(plotRawCheckBox_);
    display.Finish();

    FieldGroup other(this, " Other Settings ");
    other.AddField("Scope S&weep Time:", sweepComboBox_, "seconds / sweep");
    // The assistant that measures the correction sits beside it.
    measureButton_ = new QPushButton("Mea&sure the Sound Card's Clock...", this);
    measureButton_->setToolTip("Measure the sound card's clock error");
    measureButton_->setFocusPolicy(Qt::TabFocus);
    other.AddField("Rate &Correction:", calibrationEdit_, "seconds / day");
    other.AddUnder(measureButton_);
    other.AddField("Audio Input &Device:", inputDeviceComboBox_, nullptr, true);
    other.AddField("Digital &Filtering:", filteringComboBox_, nullptr, true);
    other.Finish();

    okButton_ = new QPushButton("OK", this);
    cancelButton_ = new QPushButton("Cancel", this);
    helpButton_ = new QPushButton("Help", this);
    aboutButton_ = new QPushButton("A&bout", this);
    clearPagesButton_ = new QPushButton("C&lear Pages", this);
    okButton_->setDefault(true);
    okButton_->setAutoDefault(true);
    // A click on a button leaves the focus in the field being edited: OK, Cancel and About
    // do their own checks, and a focus-out check first would show its message twice (or,
    // for Cancel, complain about a value that Cancel is about to put back).
    for (QPushButton* button :
         {okButton_, cancelButton_, helpButton_, aboutButton_, clearPagesButton_})
        button->setFocusPolicy(Qt::TabFocus);

    auto* groups = new QGridLayout;
    groups->setHorizontalSpacing(9);
    groups->setVerticalSpacing(6);
    groups->addWidget(watch.Box(), 0, 0);
    groups->addWidget(test.Box(), 1, 0);
    groups->addWidget(display.Box(), 0, 1);
    groups->addWidget(other.Box(), 1, 1);
    groups->setColumnStretch(0, 0);
    groups->setColumnStretch(1, 0);
    groups->setRowStretch(1, 1);

    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(8);
    for (QPushButton* button : {okButton_, cancelButton_, helpButton_, aboutButton_}) {
        button->setFixedWidth(80);
        buttons->addWidget(button);
    }
    buttons->addStretch(1);
    clearPagesButton_->setFixedWidth(100);
    buttons->addWidget(clearPagesButton_);

    auto* page = new QVBoxLayout(this);
    page->setContentsMargins(8, 6, 8, 8);
    page->setSpacing(8);
    page->addLayout(groups, 1);
    page->addLayout(buttons);

    setFixedSize(kWidth, kHeight);
}

} // namespace tickora
