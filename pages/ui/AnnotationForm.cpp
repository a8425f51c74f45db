#include "pages/ui/AnnotationForm.h"

#include "pages/AnnotationText.h"
#include "platform/QtDialogs.h"
#include "platform/QtFont.h"

#include <QButtonGroup>
#include <QEvent>
#include <QFont>
#include <QLineEdit>
#include <QPalette>
#include <QPushButton>
#include <QRadioButton>

namespace tickora {

namespace {

constexpr int kRadioPixels = 13;  // the radio buttons' captions
constexpr int kButtonPixels = 12; // OK and Cancel
constexpr int kOtherTag = 0;

QString ToQString(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

struct Place {
    int left, top, width, height;
};

// The position buttons' places, positions 1 to 6: two columns of three rows.
constexpr Place kPositionPlaces[pages::kPositionCount] = {{16, 16, 113, 17}, {168, 16, 113, 17},
                                                          {16, 44, 113, 17}, {168, 44, 113, 17},
                                                          {16, 72, 113, 17}, {168, 72, 97, 17}};
constexpr Place kOtherPlace = {16, 100, 65, 17};
constexpr Place kEditPlace = {88, 100, 177, 21};
constexpr Place kOKPlace = {59, 140, 75, 25};
constexpr Place kCancelPlace = {155, 140, 75, 25};

void PlaceControl(QWidget* control, const Place& place) {
    control->setGeometry(place.left, place.top, place.width, place.height);
}

} // namespace

TAnnotationForm::TAnnotationForm(QWidget* parent) : QDialog(parent) {
    BuildControls();
    FormCreate();
}

void TAnnotationForm::FormCreate() {
    captionsPending_ = true;
    // The stored names are computed once, from the captions.
    (void)pages::PositionNames();
}

void TAnnotationForm::BuildControls() {
    platform::GiveDialogLook(*this, "Edit Position Annotation", kRadioPixels);

    radioGroup_ = new QButtonGroup(this);
    radioGroup_->setExclusive(true);
    QPalette black = palette();
    black.setColor(QPalette::WindowText, Qt::black);
    black.setColor(QPalette::ButtonText, Qt::black);
    auto makeRadio = [&](const QString& caption, int tag, const Place& place) {
        auto* radio = new QRadioButton(caption, this);
        radio->setFont(platform::ArialFont(kRadioPixels));
        radio->setPalette(black);
        PlaceControl(radio, place);
        radioGroup_->addButton(radio, tag);
        return radio;
    };
    // In the form's own design the position buttons have plain names; they take the
    // position captions the first time the dialog is shown.
    for (int position = 1; position <= pages::kPositionCount; ++position) {
        const std::size_t slot = static_cast<std::size_t>(position - 1);
        positionRadioButtons_[slot] =
            makeRadio(QString("Position %1").arg(position), position, kPositionPlaces[slot]);
    }
    otherRadioButton_ = makeRadio("Oth&er:", kOtherTag, kOtherPlace);

    annotationEdit_ = new QLineEdit(this);
    PlaceControl(annotationEdit_, kEditPlace);

    okButton_ = new QPushButton("OK", this);
    cancelButton_ = new QPushButton("Cancel", this);
    for (QPushButton* button : {okButton_, cancelButton_})
        button->setFont(platform::ArialFont(kButtonPixels));
    PlaceControl(okButton_, kOKPlace);
    PlaceControl(cancelButton_, kCancelPlace);
    okButton_->setDefault(true);
    okButton_->setAutoDefault(true);
    cancelButton_->setAutoDefault(false);

    QWidget* order[] = {positionRadioButtons_[0],
                        positionRadioButtons_[1],
                        positionRadioButtons_[2],
                        positionRadioButtons_[3],
                        positionRadioButtons_[4],
                        positionRadioButtons_[5],
                        otherRadioButton_,
                        annotationEdit_,
                        okButton_,
                        cancelButton_};
    for (std::size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);

    connect(annotationEdit_, &QLineEdit::textChanged, this, [this] { AnnotationEditChange(); });
    // Other is the edit box's label: choosing it, by its access key or a click, puts the
    // cursor in the box, so what is typed next becomes the annotation.
    otherRadioButton_->installEventFilter(this);
    connect(otherRadioButton_, &QRadioButton::clicked, this, [this] { OtherChosen(); });
    connect(okButton_, &QPushButton::clicked, this, [this] { OKButtonClick(); });
    connect(cancelButton_, &QPushButton::clicked, this, [this] { CancelButtonClick(); });

    setFixedSize(kWidth, kHeight);
}

QRadioButton* TAnnotationForm::PositionRadioButton(int position) const {
    if (position < 1 || position > pages::kPositionCount)
        return nullptr;
    return positionRadioButtons_[static_cast<std::size_t>(position - 1)];
}

int TAnnotationForm::CheckedTag() const {
    return radioGroup_->checkedId(); // -1 when none is checked
}

bool TAnnotationForm::EditAnnotation(std::string& text) {
    PrepareEdit(text);
    const bool accepted = exec() == QDialog::Accepted;
    return ConcludeEdit(accepted, text);
}

void TAnnotationForm::PrepareEdit(const std::string& text) {
    annotationEdit_->setText(ToQString(text));
    // The change handler runs even when the box held this text already, so a non-empty text
    // always checks Other.
    AnnotationEditChange();
}

bool TAnnotationForm::ConcludeEdit(bool accepted, std::string& text) const {
    if (!accepted)
        return false;
    const int tag = CheckedTag();
    if (tag >= 1 && tag <= pages::kPositionCount) {
        text = pages::PositionName(tag);
    } else if (tag == kOtherTag) {
        // Kept as the state file will keep it, so the caption shows now what comes back at
        // the next start.
        const std::string typed = annotationEdit_->text().toStdString();
        text = std::string(pages::ShortenUtf8(typed, kMaxAnnotationBytes));
    }
    return true;
}

void TAnnotationForm::showEvent(QShowEvent* event) {
    FormShow();
    QDialog::showEvent(event);
    platform::CentreOnOwner(*this);
    annotationEdit_->setFocus(Qt::OtherFocusReason);
    annotationEdit_->selectAll();
}

void TAnnotationForm::FormShow() {
    if (captionsPending_) {
        for (QRadioButton* radio : positionRadioButtons_) {
            const int tag = radioGroup_->id(radio);
            radio->setText(ToQString(pages::PositionCaptions[static_cast<std::size_t>(tag - 1)]));
        }
        captionsPending_ = false;
    }
    const std::string content = annotationEdit_->text().toStdString();
    for (QRadioButton* radio : positionRadioButtons_) {
        if (content == pages::PositionName(radioGroup_->id(radio))) {
            radio->setChecked(true);
            annotationEdit_->clear();
            break;
        }
    }
}

bool TAnnotationForm::eventFilter(QObject* watched, QEvent* event) {
    // The access key would otherwise focus the button and press it after a short animation:
    // letters typed meanwhile would be lost, and OK would store the empty box.
    if (watched == otherRadioButton_ && event->type() == QEvent::Shortcut) {
        OtherChosen();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void TAnnotationForm::OtherChosen() {
    otherRadioButton_->setChecked(true);
    annotationEdit_->setFocus(Qt::ShortcutFocusReason);
    annotationEdit_->selectAll();
}

void TAnnotationForm::AnnotationEditChange() {
    if (!annotationEdit_->text().isEmpty())
        otherRadioButton_->setChecked(true);
}

} // namespace tickora
