#pragma once

#include "pages/Annotate.h"

#include <QDialog>

#include <array>
#include <cstdint>
#include <string>

class QButtonGroup;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace tickora {

// The position annotation dialog: labels the shown page with one of the six
// standard watch positions or with free text. Made once at program start and reused, so the
// radio buttons keep their state between uses. GUI thread only.
class TAnnotationForm : public QDialog {
public:
    explicit TAnnotationForm(QWidget* parent = nullptr);

    // Offers the text for editing in the modal dialog. On OK the text becomes the checked
    // position's name, or the edit box's content for Other (unchanged when no button is
    // checked) and the result is true; otherwise the text stays as it was.
    bool EditAnnotation(std::string& text);

    // EditAnnotation in its two halves, around the modal loop: Prepare puts the text into
    // the edit box; Conclude gives the result of a dialog closed with OK or not.
    void PrepareEdit(const std::string& text);
    bool ConcludeEdit(bool accepted, std::string& text) const;

    // Event handlers.
    void FormShow();
    void AnnotationEditChange();
    void OKButtonClick() { accept(); }
    void CancelButtonClick() { reject(); }

    // The checked button's tag: 1 to 6 for a position, 0 for Other, -1 when none is checked.
    int CheckedTag() const;

    // The controls, for tests and the screenshot tool.
    QRadioButton* PositionRadioButton(int position) const; // 1 to 6
    QRadioButton* OtherRadioButton() const { return otherRadioButton_; }
    QLineEdit* AnnotationEdit() const { return annotationEdit_; }
    QPushButton* OKButton() const { return okButton_; }
    QPushButton* CancelButton() const { return cancelButton_; }
    bool CaptionsPending() const { return captionsPending_; }

    // The longest annotation kept, in bytes of UTF-8: what the state file can hold.
    static constexpr std::size_t kMaxAnnotationBytes = 256;

    // Client area, pixels.
    static constexpr int kWidth = 281;
    static constexpr int kHeight = 178;

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void FormCreate();
    void BuildControls();
    // Other checked, the cursor in the edit box with its text selected.
    void OtherChosen();

    std::array<QRadioButton*, pages::kPositionCount> positionRadioButtons_{};
    QRadioButton* otherRadioButton_ = nullptr;
    QButtonGroup* radioGroup_ = nullptr; // ids are the tags
    QLineEdit* annotationEdit_ = nullptr;
    QPushButton* okButton_ = nullptr;
    QPushButton* cancelButton_ = nullptr;
    bool captionsPending_ = true; // the position captions are not yet applied
};

} // namespace tickora
