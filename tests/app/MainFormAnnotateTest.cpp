// The annotation dialog behind the main window's A key and Annotate button, and a
// restart that brings the annotated pages back with their captions (Parts 1.1, 5.2).
#include "MainFormFixture.h"

#include "pages/Annotate.h"
#include "pages/ui/AnnotationForm.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>

#include <functional>
#include <memory>

namespace tickora::testing {

namespace {

class MainFormAnnotateTest : public MainFormTest {
protected:
    // Opens the window with the real dialog as its annotation editor.
    void OpenWithDialog() {
        Open();
        dialog_ = std::make_unique<TAnnotationForm>(&Form());
        Form().SetAnnotationEditor(
            [this](std::string& text) { return dialog_->EditAnnotation(text); });
    }
    void TearDown() override {
        dialog_.reset();
        MainFormTest::TearDown();
    }

    // Runs `open` (a key or a click that opens the dialog); `act` runs inside the dialog's
    // modal loop as the user's part. A dialog left open is cancelled after five seconds.
    // True when the dialog was shown.
    bool WithDialog(const std::function<void()>& open,
                    const std::function<void(TAnnotationForm&)>& act) {
        bool acted = false;
        int ticks = 0;
        QTimer script;
        script.setInterval(5);
        QObject::connect(&script, &QTimer::timeout, [&] {
            ++ticks;
            if (!acted && dialog_->isVisible()) {
                acted = true;
                act(*dialog_);
            } else if (ticks > 1000 && dialog_->isVisible()) {
                ADD_FAILURE() << "the dialog was left open";
                dialog_->reject();
            }
        });
        script.start();
        open();
        script.stop();
        return acted;
    }
    static std::function<void(TAnnotationForm&)> Choose(int position) {
        return [position](TAnnotationForm& dialog) {
            dialog.PositionRadioButton(position)->click();
            dialog.OKButton()->click();
        };
    }

    void MeasureOnePage() {
        StartAndCalibrate();
        FeedWatchFor(3);
        Key(vk::Escape);
    }

    std::string ShownCaption() { return Form().PageCaption(pages_->GetPage(Form().PageIndex())); }

    // Pixels of the plot that differ from the shown page's own picture: the caption drawn on
    // it.
    int CaptionPixels() {
        const pages::TPageInfo page = pages_->GetPage(Form().PageIndex());
        const platform::Image& plot = Form().Plot();
        int differing = 0;
        for (int y = 0; y < plot.Height(); ++y)
            for (int x = 0; x < plot.Width(); ++x)
                differing += plot.Pixel(x, y) != page.Image->Pixel(x, y);
        return differing;
    }

    // Whether a load or save of the state file has complained.
    bool StateMessageShown() const {
        for (const auto& message : dialogs_.Messages())
            if (message.text.find("state") != std::string::npos)
                return true;
        return false;
    }

    std::unique_ptr<TAnnotationForm> dialog_;
};

TEST_F(MainFormAnnotateTest, TheAKeyOpensTheDialogAndOkStoresThePosition) {
    OpenWithDialog();
    MeasureOnePage();
    ASSERT_EQ(pages_->PageCount(), 1);
    EXPECT_EQ(ShownCaption(), "Page 1/1 - 2024-03-15 12:00");

    EXPECT_TRUE(WithDialog([&] { Key(vk::A); }, Choose(2)));
    EXPECT_EQ(pages_->GetPage(1).Annotation, "Dial Down");
    EXPECT_EQ(pages::PositionOf(pages_->GetPage(1)), 2);
    EXPECT_EQ(ShownCaption(), "Dial Down - 2024-03-15 12:00");
    EXPECT_TRUE(pages_->PagesChanged());

    // Opened again, the dialog shows the page's position; OK at once keeps it.
    bool checked = false;
    QPoint offCentre;
    EXPECT_TRUE(WithDialog([&] { Key(vk::A); },
                           [&](TAnnotationForm& dialog) {
                               checked = dialog.PositionRadioButton(2)->isChecked() &&
                                         dialog.AnnotationEdit()->text().isEmpty();
                               offCentre = dialog.frameGeometry().center() -
                                           Form().frameGeometry().center();
                               dialog.OKButton()->click();
                           }));
    EXPECT_TRUE(checked);
    EXPECT_LE(offCentre.manhattanLength(), 2); // centred on the main window
    EXPECT_EQ(pages_->GetPage(1).Annotation, "Dial Down");
}

TEST_F(MainFormAnnotateTest, TheAnnotateButtonOpensTheDialogForFreeText) {
    OpenWithDialog();
    MeasureOnePage();
    ToolbarImage* button = Form().Toolbar().Live(ToolbarButton::Annotate);
    ASSERT_TRUE(Form().Toolbar().Enabled(ToolbarButton::Annotate));
    EXPECT_TRUE(WithDialog([&] { QTest::mouseClick(button, Qt::LeftButton); },
                           [](TAnnotationForm& dialog) {
                               QTest::keyClicks(dialog.AnnotationEdit(), "crown left");
                               QTest::keyClick(dialog.AnnotationEdit(), Qt::Key_Return);
                           }));
    EXPECT_EQ(pages_->GetPage(1).Annotation, "crown left");
    EXPECT_EQ(pages::PositionOf(pages_->GetPage(1)), 0);
    EXPECT_EQ(ShownCaption(), "crown left - 2024-03-15 12:00");

    // Other with an empty box gives the page its numbered caption again.
    EXPECT_TRUE(WithDialog([&] { Key(vk::A); },
                           [](TAnnotationForm& dialog) {
                               dialog.AnnotationEdit()->clear();
                               dialog.OKButton()->click();
                           }));
    EXPECT_EQ(pages_->GetPage(1).Annotation, "");
    EXPECT_EQ(ShownCaption(), "Page 1/1 - 2024-03-15 12:00");
}

TEST_F(MainFormAnnotateTest, CancelLeavesThePageAndTheHistoryUntouched) {
    OpenWithDialog();
    MeasureOnePage();
    EXPECT_TRUE(WithDialog([&] { Key(vk::A); }, Choose(1)));
    pages_->SetChanged(false); // as after a save
    const platform::Image before = Form().Plot();

    EXPECT_TRUE(WithDialog([&] { Key(vk::A); },
                           [](TAnnotationForm& dialog) {
                               dialog.PositionRadioButton(6)->click();
                               dialog.CancelButton()->click();
                           }));
    EXPECT_EQ(pages_->GetPage(1).Annotation, "Dial Up");
    EXPECT_FALSE(pages_->PagesChanged());
    EXPECT_EQ(ShownCaption(), "Dial Up - 2024-03-15 12:00");
    EXPECT_EQ(Form().Plot(), before);

    // Escape cancels as well.
    EXPECT_TRUE(WithDialog([&] { Key(vk::A); },
                           [](TAnnotationForm& dialog) {
                               QTest::keyClicks(dialog.AnnotationEdit(), "Cold");
                               QTest::keyClick(&dialog, Qt::Key_Escape);
                           }));
    EXPECT_EQ(pages_->GetPage(1).Annotation, "Dial Up");
    EXPECT_FALSE(pages_->PagesChanged());
}

TEST_F(MainFormAnnotateTest, TheChoiceOfLastTimeIsOfferedOnTheNextPage) {
    OpenWithDialog();
    MeasureOnePage();
    EXPECT_TRUE(WithDialog([&] { Key(vk::A); }, Choose(3)));
    MeasureOnePage();
    ASSERT_EQ(Form().PageIndex(), 2);
    // The new page has no annotation: the dialog opens on Crown Up, and OK gives it that.
    EXPECT_TRUE(WithDialog([&] { Key(vk::A); },
                           [](TAnnotationForm& dialog) { dialog.OKButton()->click(); }));
    EXPECT_EQ(pages_->GetPage(2).Annotation, "Crown Up");
    EXPECT_EQ(pages_->GetPage(1).Annotation, "Crown Up");
}

TEST_F(MainFormAnnotateTest, AfterARestartTheNewestPageIsShownWithItsCaption) {
    OpenWithDialog();
    MeasureOnePage();
    EXPECT_TRUE(WithDialog([&] { Key(vk::A); }, Choose(1)));
    MeasureOnePage();
    MeasureOnePage();
    EXPECT_TRUE(WithDialog([&] { Key(vk::A); }, Choose(5)));
    ASSERT_EQ(pages_->PageCount(), 3);
    const double rate = pages_->GetPage(3).DailyRate;
    const pages::TPageInfo newest = pages_->GetPage(3);
    Form().close();
    EXPECT_FALSE(StateMessageShown());
    dialog_.reset();
    form_.reset();

    // The next start: a fresh history loads the state file when the window first activates.
    pages_ = std::make_unique<pages::PageHistory>([] { return 45367.75; });
    OpenWithDialog();
    EXPECT_FALSE(StateMessageShown());
    ASSERT_EQ(pages_->PageCount(), 3);
    EXPECT_FALSE(pages_->PagesChanged());
    EXPECT_EQ(Form().PageIndex(), 3);
    EXPECT_EQ(ShownCaption(), "Crown Left - 2024-03-15 12:00");
    EXPECT_EQ(pages::PositionOf(pages_->GetPage(3)), 5);
    EXPECT_DOUBLE_EQ(pages_->GetPage(3).DailyRate, rate);
    EXPECT_EQ(*pages_->GetPage(3).Image, *newest.Image);
    EXPECT_EQ(LabelText(Form().Layout().ParametersLabel()), "28800bph 52\u00b0 2s");
    // The caption is drawn on the plot over the page's picture.
    EXPECT_GT(CaptionPixels(), 50);
    EXPECT_TRUE(Form().Toolbar().Enabled(ToolbarButton::Annotate));
    EXPECT_TRUE(Form().Toolbar().Enabled(ToolbarButton::Previous));

    Key(vk::Left);
    EXPECT_EQ(ShownCaption(), "Page 2/3 - 2024-03-15 12:00");
    Key(vk::Left);
    EXPECT_EQ(ShownCaption(), "Dial Up - 2024-03-15 12:00");

    // The restored page can be annotated again, and the change is saved at the next close.
    EXPECT_TRUE(WithDialog([&] { Key(vk::A); }, Choose(6)));
    EXPECT_EQ(ShownCaption(), "Crown Right - 2024-03-15 12:00");
    EXPECT_TRUE(pages_->PagesChanged());
    Form().close();
    EXPECT_FALSE(pages_->PagesChanged());
}

} // namespace

} // namespace tickora::testing
