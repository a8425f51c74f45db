// The position annotation dialog, driven through its real modal loop: each use
// is scripted to run inside the loop, and a dialog left open is closed by a watchdog so a
// failing test cannot hang.
#include "pages/ui/AnnotationForm.h"
#include "platform/testing/TestApplication.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QButtonGroup>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

using pages::PositionOf;
using tickora::TAnnotationForm;

// What a scripted use of the dialog saw and did.
struct Use {
    bool result = false;
    std::string text;
    int checkedWhenShown = -2; // the tag checked as the dialog opened
    QString editWhenShown;
    QWidget* focusWhenShown = nullptr;
    bool shownModal = false;
};

class AnnotationFormTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { platform::testing::EnsureTestApplication(); }

    void SetUp() override { form_ = std::make_unique<TAnnotationForm>(); }

    // Calls EditAnnotation with the text; `act` runs inside the modal loop once the dialog
    // shows, as the user's part, and is expected to close it.
    Use Edit(std::string text, const std::function<void(TAnnotationForm&)>& act) {
        Use use;
        bool acted = false;
        QTimer script;
        script.setInterval(5);
        int ticks = 0;
        QObject::connect(&script, &QTimer::timeout, [&] {
            ++ticks;
            if (!acted && form_->isVisible()) {
                acted = true;
                use.shownModal = QApplication::activeModalWidget() == form_.get();
                use.checkedWhenShown = form_->CheckedTag();
                use.editWhenShown = form_->AnnotationEdit()->text();
                use.focusWhenShown = form_->focusWidget();
                act(*form_);
            } else if (ticks > 1000 && form_->isVisible()) {
                ADD_FAILURE() << "the dialog was left open";
                form_->reject();
            }
        });
        script.start();
        use.result = form_->EditAnnotation(text);
        script.stop();
        EXPECT_TRUE(acted) << "the dialog was not shown";
        EXPECT_FALSE(form_->isVisible());
        use.text = text;
        return use;
    }

    static void Ok(TAnnotationForm& form) { form.OKButton()->click(); }
    static void Cancel(TAnnotationForm& form) { form.CancelButton()->click(); }
    static std::function<void(TAnnotationForm&)> Choose(int position) {
        return [position](TAnnotationForm& form) {
            form.PositionRadioButton(position)->click();
            form.OKButton()->click();
        };
    }
    static std::function<void(TAnnotationForm&)> Type(const QString& text) {
        return [text](TAnnotationForm& form) {
            QLineEdit* edit = form.AnnotationEdit();
            edit->selectAll();
            // Typed key by key where the test library has the keys; inserted as typing
            // would otherwise.
            bool ascii = true;
            for (const QChar c : text)
                ascii = ascii && c.unicode() >= 0x20 && c.unicode() < 0x7F;
            if (ascii)
                QTest::keyClicks(edit, text);
            else
                edit->insert(text);
            form.OKButton()->click();
        };
    }

    std::unique_ptr<TAnnotationForm> form_;
};

TEST_F(AnnotationFormTest, LayoutCaptionsAndLooks) {
    TAnnotationForm& form = *form_;
    EXPECT_EQ(form.windowTitle(), "Edit Position Annotation");
    EXPECT_EQ(form.size(), QSize(281, 178));
    EXPECT_EQ(form.minimumSize(), form.maximumSize()); // fixed dialog border
    EXPECT_EQ(form.palette().color(QPalette::Window), QColor(204, 204, 204));

    const QRect places[] = {{16, 16, 113, 17},  {168, 16, 113, 17}, {16, 44, 113, 17},
                            {168, 44, 113, 17}, {16, 72, 113, 17},  {168, 72, 97, 17}};
    for (int position = 1; position <= 6; ++position) {
        QRadioButton* radio = form.PositionRadioButton(position);
        ASSERT_NE(radio, nullptr);
        EXPECT_EQ(radio->geometry(), places[position - 1]) << position;
        // The form's own design, until the dialog is first shown.
        EXPECT_EQ(radio->text(), QString("Position %1").arg(position));
        EXPECT_EQ(radio->font().pixelSize(), 13);
        EXPECT_EQ(radio->palette().color(QPalette::WindowText), QColor(Qt::black));
        EXPECT_FALSE(radio->isChecked());
    }
    EXPECT_EQ(form.PositionRadioButton(0), nullptr);
    EXPECT_EQ(form.PositionRadioButton(7), nullptr);
    EXPECT_EQ(form.OtherRadioButton()->text(), "Oth&er:");
    EXPECT_EQ(form.OtherRadioButton()->geometry(), QRect(16, 100, 65, 17));
    EXPECT_EQ(form.OtherRadioButton()->font().pixelSize(), 13);
    EXPECT_FALSE(form.OtherRadioButton()->isChecked());
    EXPECT_EQ(form.AnnotationEdit()->geometry(), QRect(88, 100, 177, 21));
    EXPECT_EQ(form.AnnotationEdit()->text(), "");
    EXPECT_EQ(form.OKButton()->text(), "OK");
    EXPECT_EQ(form.OKButton()->geometry(), QRect(59, 140, 75, 25));
    EXPECT_EQ(form.OKButton()->font().pixelSize(), 12);
    EXPECT_TRUE(form.OKButton()->isDefault());
    EXPECT_EQ(form.CancelButton()->text(), "Cancel");
    EXPECT_EQ(form.CancelButton()->geometry(), QRect(155, 140, 75, 25));
    EXPECT_EQ(form.CancelButton()->font().pixelSize(), 12);
    EXPECT_EQ(form.CheckedTag(), -1);
    EXPECT_TRUE(form.CaptionsPending());

    // Tab order: the six positions, Other, the edit box, OK, Cancel.
    std::vector<QWidget*> expected;
    for (int position = 1; position <= 6; ++position)
        expected.push_back(form.PositionRadioButton(position));
    expected.insert(expected.end(), {form.OtherRadioButton(), form.AnnotationEdit(),
                                     form.OKButton(), form.CancelButton()});
    for (std::size_t i = 1; i < expected.size(); ++i)
        EXPECT_EQ(expected[i - 1]->nextInFocusChain(), expected[i]) << i;

    // The first showing gives the position buttons their captions, for good.
    Edit("", Cancel);
    EXPECT_FALSE(form.CaptionsPending());
    const char* captions[] = {"Dial &Up",    "Dial &Down",  "Cro&wn Up",
                              "Cr&own Down", "Crown &Left", "Crown &Right"};
    for (int position = 1; position <= 6; ++position)
        EXPECT_EQ(form.PositionRadioButton(position)->text(), captions[position - 1]);
}

TEST_F(AnnotationFormTest, OpensModallyWithTheFocusInTheEditBox) {
    const Use use = Edit("After service", Ok);
    EXPECT_TRUE(use.shownModal);
    EXPECT_EQ(use.focusWhenShown, form_->AnnotationEdit());
}

TEST_F(AnnotationFormTest, PositionPageOpensOnItsButtonAndOkKeepsIt) {
    const Use use = Edit("Dial Down", Ok);
    EXPECT_EQ(use.checkedWhenShown, 2);
    EXPECT_TRUE(form_->PositionRadioButton(2)->isChecked());
    EXPECT_EQ(use.editWhenShown, "");
    EXPECT_TRUE(use.result);
    EXPECT_EQ(use.text, "Dial Down");
}

TEST_F(AnnotationFormTest, PositionButtonGivesItsName) {
    const char* names[] = {"Dial Up",    "Dial Down",  "Crown Up",
                           "Crown Down", "Crown Left", "Crown Right"};
    for (int position = 1; position <= 6; ++position) {
        const Use use = Edit("some note", Choose(position));
        EXPECT_TRUE(use.result);
        EXPECT_EQ(use.text, names[position - 1]);
        EXPECT_EQ(PositionOf(use.text), position);
    }
}

TEST_F(AnnotationFormTest, FreeTextOpensOnOtherWithItsText) {
    const Use use = Edit("After service", Ok);
    EXPECT_EQ(use.checkedWhenShown, 0);
    EXPECT_EQ(use.editWhenShown, "After service");
    EXPECT_TRUE(use.result);
    EXPECT_EQ(use.text, "After service");
}

TEST_F(AnnotationFormTest, TypingSelectsOther) {
    Edit("", Choose(4)); // Crown Down is checked now
    const Use use = Edit("", [](TAnnotationForm& form) {
        EXPECT_TRUE(form.PositionRadioButton(4)->isChecked());
        QTest::keyClicks(form.AnnotationEdit(), "Regulated");
        EXPECT_TRUE(form.OtherRadioButton()->isChecked());
        form.OKButton()->click();
    });
    EXPECT_EQ(use.text, "Regulated");
}

TEST_F(AnnotationFormTest, FreeTextEqualToAPositionNameBecomesThatPosition) {
    Use use = Edit("", Type("Crown Left"));
    EXPECT_TRUE(use.result);
    EXPECT_EQ(use.text, "Crown Left");
    EXPECT_EQ(PositionOf(use.text), 5);

    use = Edit(use.text, Ok);
    EXPECT_EQ(use.checkedWhenShown, 5);
    EXPECT_EQ(use.editWhenShown, "");
    EXPECT_EQ(use.text, "Crown Left");
}

TEST_F(AnnotationFormTest, FreeTextDifferingOnlyInCaseIsNoPosition) {
    Use use = Edit("", Type("crown left"));
    EXPECT_EQ(use.text, "crown left");
    EXPECT_EQ(PositionOf(use.text), 0);

    use = Edit(use.text, Ok);
    EXPECT_EQ(use.checkedWhenShown, 0);
    EXPECT_EQ(use.editWhenShown, "crown left");
    EXPECT_EQ(use.text, "crown left");
}

TEST_F(AnnotationFormTest, OtherWithAnEmptyBoxGivesAnEmptyAnnotation) {
    const Use use = Edit("After service", [](TAnnotationForm& form) {
        form.AnnotationEdit()->clear();
        EXPECT_TRUE(form.OtherRadioButton()->isChecked());
        form.OKButton()->click();
    });
    EXPECT_TRUE(use.result);
    EXPECT_EQ(use.text, "");

    const Use fromPosition = Edit("Dial Up", [](TAnnotationForm& form) {
        form.OtherRadioButton()->click();
        form.OKButton()->click();
    });
    EXPECT_EQ(fromPosition.text, "");
}

TEST_F(AnnotationFormTest, CancelChangesNothing) {
    Use use = Edit("Dial Up", [](TAnnotationForm& form) {
        form.PositionRadioButton(6)->click();
        form.CancelButton()->click();
    });
    EXPECT_FALSE(use.result);
    EXPECT_EQ(use.text, "Dial Up");

    use = Edit("After service", [](TAnnotationForm& form) {
        QTest::keyClicks(form.AnnotationEdit(), " and more");
        QTest::keyClick(&form, Qt::Key_Escape);
    });
    EXPECT_FALSE(use.result);
    EXPECT_EQ(use.text, "After service");

    use = Edit("After service", [](TAnnotationForm& form) { form.close(); });
    EXPECT_FALSE(use.result);
    EXPECT_EQ(use.text, "After service");
}

TEST_F(AnnotationFormTest, EnterInTheEditBoxIsOk) {
    const Use use = Edit("", [](TAnnotationForm& form) {
        QTest::keyClicks(form.AnnotationEdit(), "Cold");
        QTest::keyClick(form.AnnotationEdit(), Qt::Key_Return);
    });
    EXPECT_TRUE(use.result);
    EXPECT_EQ(use.text, "Cold");
}

TEST_F(AnnotationFormTest, RadioButtonsKeepTheirStateBetweenUses) {
    // The very first use has no button checked: OK at once leaves the text as it was.
    Use use = Edit("", Ok);
    EXPECT_EQ(use.checkedWhenShown, -1);
    EXPECT_TRUE(use.result);
    EXPECT_EQ(use.text, "");

    use = Edit("", Choose(3));
    EXPECT_EQ(use.text, "Crown Up");
    // The next page without annotation opens on the choice of last time; OK gives it.
    use = Edit("", Ok);
    EXPECT_EQ(use.checkedWhenShown, 3);
    EXPECT_EQ(use.text, "Crown Up");

    // A Cancelled choice is kept as well: the buttons are the dialog's own state.
    Edit("", [](TAnnotationForm& form) {
        form.PositionRadioButton(6)->click();
        form.CancelButton()->click();
    });
    use = Edit("", Ok);
    EXPECT_EQ(use.checkedWhenShown, 6);
    EXPECT_EQ(use.text, "Crown Right");

    // Free text left in the box by an earlier use does not stop a page of that same text
    // from opening on Other.
    Edit("", Type("Warm"));
    Edit("Warm", Choose(1));
    use = Edit("Warm", Ok);
    EXPECT_EQ(use.checkedWhenShown, 0);
    EXPECT_EQ(use.text, "Warm");
}

TEST_F(AnnotationFormTest, AccessKeysCheckTheirButtons) {
    form_->show();
    form_->activateWindow();
    QApplication::setActiveWindow(form_.get());
    QCoreApplication::processEvents();
    const std::pair<Qt::Key, QRadioButton*> keys[] = {
        {Qt::Key_U, form_->PositionRadioButton(1)}, {Qt::Key_D, form_->PositionRadioButton(2)},
        {Qt::Key_W, form_->PositionRadioButton(3)}, {Qt::Key_O, form_->PositionRadioButton(4)},
        {Qt::Key_L, form_->PositionRadioButton(5)}, {Qt::Key_R, form_->PositionRadioButton(6)},
        {Qt::Key_E, form_->OtherRadioButton()}};
    for (const auto& [key, radio] : keys) {
        QTest::keyClick(form_.get(), key, Qt::AltModifier);
        QTest::qWait(250); // a mnemonic presses its button with a short animation
        EXPECT_TRUE(radio->isChecked()) << radio->text().toStdString();
        // Other labels the edit box: its key leads into the box.
        QWidget* focus = radio;
        if (radio == form_->OtherRadioButton())
            focus = form_->AnnotationEdit();
        EXPECT_EQ(form_->focusWidget(), focus) << radio->text().toStdString();
    }
    form_->reject();
}

// Alt+E and typing at once, as a user does: the letters go into the box (not to the button
// while its press animates), and Enter stores them in place of the position name.
TEST_F(AnnotationFormTest, OtherAccessKeyThenTypingRenamesThePage) {
    const Use use = Edit("Crown Left", [](TAnnotationForm& form) {
        QTest::keyClick(&form, Qt::Key_E, Qt::AltModifier);
        QTest::keyClicks(form.focusWidget(), "Cold");
        QTest::keyClick(form.focusWidget(), Qt::Key_Return);
    });
    EXPECT_EQ(use.checkedWhenShown, 5);
    EXPECT_TRUE(use.result);
    EXPECT_EQ(use.text, "Cold");
}

TEST_F(AnnotationFormTest, TextsBeyondWhatTheStateFileKeepsAreShortened) {
    // 255 ASCII letters and a two-byte letter: 257 bytes, the letter does not fit whole.
    const QString typed = QString(255, 'x') + QChar(0x00E9);
    Use use = Edit("", Type(typed));
    EXPECT_EQ(use.text, std::string(255, 'x'));

    const std::string utf8 = "Gen\u00E8ve \u20AC";
    use = Edit(utf8, Ok);
    EXPECT_EQ(use.editWhenShown, QString::fromUtf8(utf8.c_str()));
    EXPECT_EQ(use.text, utf8);
}

TEST_F(AnnotationFormTest, EditHalvesWithoutTheModalLoop) {
    std::string text = "Dial Up";
    form_->PrepareEdit(text);
    EXPECT_EQ(form_->CheckedTag(), 0); // a non-empty text checks Other at once
    form_->FormShow();
    EXPECT_EQ(form_->CheckedTag(), 1);
    EXPECT_EQ(form_->AnnotationEdit()->text(), "");
    EXPECT_FALSE(form_->ConcludeEdit(false, text));
    EXPECT_EQ(text, "Dial Up");
    form_->PositionRadioButton(2)->setChecked(true);
    EXPECT_TRUE(form_->ConcludeEdit(true, text));
    EXPECT_EQ(text, "Dial Down");
}

} // namespace
