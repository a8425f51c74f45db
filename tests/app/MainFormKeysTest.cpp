// Keys obey the toolbar; pages are browsed, annotated, reported and cleared.
#include "MainFormFixture.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>

namespace tickora::testing {

namespace {
using S = MeasurementState;
}

TEST_F(MainFormTest, KeysDoNothingWhileTheirButtonIsOff) {
    Open();
    Key(vk::Left);
    Key(vk::Right);
    Key(vk::A);
    Key(vk::R);
    Key(vk::P);
    Key(vk::Escape);
    Key(vk::Back);
    EXPECT_EQ(State(), S::Idle);
    EXPECT_EQ(Form().PageIndex(), 0);

    Key(vk::Space);
    ASSERT_EQ(State(), S::Calibrating);
    Key(vk::S);
    Key(vk::L);
    Key(vk::F);
    Key(vk::Tab);
    Key(vk::Space);
    EXPECT_EQ(State(), S::Calibrating);
    EXPECT_TRUE(dialogs_.SaveRequests().empty());
    EXPECT_EQ(settings_.shown, 0);
    Key(vk::Back);
    EXPECT_EQ(State(), S::Idle);
}

TEST_F(MainFormTest, TabOpensSettingsOnlyWhenIdle) {
    Open();
    StartAndCalibrate(); // detects 28800 bph
    Key(vk::Escape);
    settings_.onShow = [](TSettingsRecord& record) {
        record.Rate = 21600;
        record.Angle = 44;
    };
    Form().CMDialogKey(vk::Tab);
    EXPECT_EQ(settings_.shown, 1);
    EXPECT_EQ(LabelText(Form().Layout().ParametersLabel()), "21600bph 44\u00b0 2s");
    // The window becomes active again as the dialog closes; the label stays.
    Form().FormActivate();
    EXPECT_EQ(LabelText(Form().Layout().ParametersLabel()), "21600bph 44\u00b0 2s");
    // A real Tab key press reaches the window as a dialog key.
    QKeyEvent tab(QEvent::KeyPress, Qt::Key_Tab, Qt::NoModifier);
    QCoreApplication::sendEvent(&Form(), &tab);
    EXPECT_EQ(settings_.shown, 2);
    Key(vk::S);
    Form().CMDialogKey(vk::Tab);
    EXPECT_EQ(settings_.shown, 2);
    // The parameters open the settings in every state.
    QMouseEvent click(QEvent::MouseButtonPress, QPointF(5, 5), QPointF(5, 5), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(Form().Layout().ParametersLabel(), &click);
    EXPECT_EQ(settings_.shown, 3);
}

TEST_F(MainFormTest, QtKeyEventsReachTheKeyHandler) {
    Open();
    QKeyEvent space(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier);
    QCoreApplication::sendEvent(&Form(), &space);
    EXPECT_EQ(State(), S::Calibrating);
    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QCoreApplication::sendEvent(&Form(), &escape);
    EXPECT_EQ(State(), S::Idle);
}

TEST_F(MainFormTest, ResumeAfterPagingBackGoesOnWithThePausedTest) {
    Open();
    StartAndCalibrate();
    FeedWatchFor(3);
    Key(vk::Escape); // page 1: 52 degrees, 2 s
    settings_.record.Period = 5;
    settings_.record.Angle = 48;
    StartAndCalibrate();
    FeedWatchFor(3);
    Key(vk::Space); // paused
    Key(vk::Left);
    // The page shows its own parameters; the settings stay the settings.
    EXPECT_EQ(LabelText(Form().Layout().ParametersLabel()), "28800bph 52\u00b0 2s");
    ASSERT_EQ(Form().Settings().Angle, 48);
    Key(vk::Space); // resume
    ASSERT_EQ(State(), S::Testing);
    EXPECT_EQ(Form().Settings().Angle, 48);
    EXPECT_EQ(Form().Settings().Period, 5);
    EXPECT_EQ(LabelText(Form().Layout().ParametersLabel()), "28800bph 48\u00b0 5s");
    FeedWatchFor(3);
    Key(vk::Escape);
    const pages::TPageInfo page = pages_->GetPage(pages_->PageCount());
    EXPECT_EQ(page.LiftAngle, 48);
    EXPECT_EQ(page.AveragingPeriod, 5);
    EXPECT_DOUBLE_EQ(page.BeatsPerSecond, 8.0);
}

TEST_F(MainFormTest, PreviousAndNextShowPagesWithTheirParameters) {
    Open();
    StartAndCalibrate();
    FeedWatchFor(3);
    Key(vk::Escape); // page 1, period 2
    settings_.record.Period = 5;
    settings_.record.Angle = 48;
    StartAndCalibrate();
    FeedWatchFor(3);
    Key(vk::Escape); // page 2, period 5
    ASSERT_EQ(pages_->PageCount(), 2);
    EXPECT_EQ(Form().PageIndex(), 2);

    Key(vk::Left);
    EXPECT_EQ(Form().PageIndex(), 1);
    EXPECT_EQ(Form().Settings().Period, 5);
    EXPECT_EQ(Form().Settings().Angle, 48);
    EXPECT_EQ(LabelText(Form().Layout().ParametersLabel()), "28800bph 52\u00b0 2s");
    EXPECT_FALSE(Form().Toolbar().Enabled(ToolbarButton::Previous));
    Key(vk::Left);
    EXPECT_EQ(Form().PageIndex(), 1);
    // The picture shown is the page's own, with its caption.
    const auto page = pages_->GetPage(1);
    ASSERT_TRUE(page.Image);
    EXPECT_EQ(Form().Plot().Pixel(100, 100), page.Image->Pixel(100, 100));
    EXPECT_EQ(Form().PageCaption(page), "Page 1/2 - 2024-03-15 12:00");
    EXPECT_GT(PlotPixels(platform::RgbOf(119, 119, 119)), 0);

    Key(vk::Right);
    EXPECT_EQ(Form().PageIndex(), 2);
    EXPECT_EQ(Form().Settings().Period, 5);
    EXPECT_FALSE(Form().Toolbar().Enabled(ToolbarButton::Next));
}

TEST_F(MainFormTest, AnnotationRedrawsTheCaption) {
    Open();
    StartAndCalibrate();
    FeedWatchFor(3);
    Key(vk::Escape);
    std::string offered;
    Form().SetAnnotationEditor([&offered](std::string& text) {
        offered = text;
        text = "Dial Up";
        return true;
    });
    Key(vk::A);
    EXPECT_EQ(offered, "");
    EXPECT_EQ(pages_->GetPage(1).Annotation, "Dial Up");
    EXPECT_EQ(Form().PageCaption(pages_->GetPage(1)), "Dial Up - 2024-03-15 12:00");

    Form().SetAnnotationEditor([](std::string& text) {
        text = "ignored";
        return false; // Cancel
    });
    Key(vk::A);
    EXPECT_EQ(pages_->GetPage(1).Annotation, "Dial Up");
}

TEST_F(MainFormTest, ReportRestoresThePageItShowedBefore) {
    Open();
    for (int i = 0; i < 2; ++i) {
        StartAndCalibrate();
        FeedWatchFor(2);
        Key(vk::Escape);
    }
    Key(vk::Left);
    ASSERT_EQ(Form().PageIndex(), 1);
    int reports = 0;
    Form().SetReportViewer([this, &reports] {
        ++reports;
        Form().ShowPage(2); // printing shows pages
    });
    Key(vk::R);
    EXPECT_EQ(reports, 1);
    EXPECT_EQ(Form().PageIndex(), 1);
    Key(vk::P);
    EXPECT_EQ(reports, 2);
}

TEST_F(MainFormTest, ClearPagesEmptiesHistoryAndPlot) {
    Open();
    StartAndCalibrate();
    FeedWatchFor(3);
    Key(vk::Escape);
    ASSERT_EQ(pages_->PageCount(), 1);
    Form().ClearPages();
    EXPECT_EQ(pages_->PageCount(), 0);
    EXPECT_EQ(Form().PageIndex(), 0);
    EXPECT_EQ(PlotPixels(platform::kWhite), 960 * 511);
    Form().UpdateControls();
    EXPECT_FALSE(Form().Toolbar().Enabled(ToolbarButton::Annotate));
}

TEST_F(MainFormTest, ChangingTheDeviceDuringATestEndsTheTest) {
    Open();
    StartAndCalibrate();
    FeedWatchFor(3);
    settings_.onShow = [](TSettingsRecord& record) { record.InputDevice = 0; };
    QMouseEvent click(QEvent::MouseButtonPress, QPointF(5, 5), QPointF(5, 5), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(Form().Layout().ParametersHeading(), &click);
    EXPECT_EQ(settings_.shown, 1);
    EXPECT_EQ(State(), S::Idle);
    EXPECT_EQ(pages_->PageCount(), 1);
    EXPECT_EQ(inputs_.LastDevice(), 0);
    EXPECT_TRUE(Form().Toolbar().Enabled(ToolbarButton::Start));
}

} // namespace tickora::testing
