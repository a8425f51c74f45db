// The guided position sequence behind the Q key: a whole six-position check on a watch, and
// a sequence ended half way.
#include "MainFormFixture.h"

#include "report/ReportRows.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

#include <iostream>

namespace tickora::testing {

namespace {

class MainFormSequenceTest : public MainFormTest {
protected:
    void OpenWithSequence(const SequencePlan& plan) {
        Open();
        Form().SetSequenceEditor([this, plan](SequencePlan& edited) {
            ++editorShown_;
            edited = plan;
            return true;
        });
        Form().SetReportViewer([this] {
            ++reports_;
            reportPages_ = pages_->PageCount();
            reportWeighed_ = Form().SequencePages();
        });
    }

    // Feeds the watch through one position's calibration and test; returns the seconds of
    // sound it took.
    double MeasurePosition() {
        int buffers = FeedUntilStateLeaves(MeasurementState::Calibrating);
        buffers += FeedUntilStateLeaves(MeasurementState::Testing, 2000);
        return buffers * static_cast<double>(kCaptureBufferSamples) / kCaptureSampleRate;
    }

    std::string ShownCaptionFor(int page) { return Form().PageCaption(pages_->GetPage(page)); }

    int editorShown_ = 0;
    int reports_ = 0;
    int reportPages_ = 0;
    int reportWeighed_ = 0;
};

TEST_F(MainFormSequenceTest, SixPositionsEndInSixAnnotatedSettledPagesAndTheReport) {
    // The settings as they come: AUTO, averaging period 20 s, settling 5 s, Pause on (the
    // sequence, not Pause, ends each position).
    settings_.record = TSettingsRecord{};
    settings_.record.Pause = true;
    OpenWithSequence(SequencePlan{});
    Key(vk::Q);
    ASSERT_EQ(editorShown_, 1);
    EXPECT_EQ(Form().SequencePrompt(), "Dial Up: turn the watch, then press Space");
    // Between positions only Space and Esc act: the settings, pages and report wait.
    EXPECT_FALSE(Form().Toolbar().Enabled(ToolbarButton::Settings));
    EXPECT_FALSE(Form().Toolbar().Enabled(ToolbarButton::Annotate));
    EXPECT_TRUE(Form().Toolbar().Enabled(ToolbarButton::Stop));
    Key(vk::Q);
    EXPECT_EQ(editorShown_, 1);

    double sound = 0.0;
    for (int position = 1; position <= 6; ++position) {
        const std::string name = pages::PositionName(position);
        ASSERT_EQ(Form().SequencePrompt(), name + ": turn the watch, then press Space");
        Key(vk::Space);
        ASSERT_EQ(State(), MeasurementState::Calibrating) << name;
        EXPECT_TRUE(Form().SequencePrompt().empty());
        // The rate found in the first position is verified in the others.
        EXPECT_EQ(Form().Settings().Rate, position == 1 ? 0 : 28800) << name;
        EXPECT_FALSE(Form().Toolbar().Enabled(ToolbarButton::Pause));
        sound += MeasurePosition();
        ASSERT_EQ(State(), MeasurementState::Idle) << name << ": " << LastMessage();
        ASSERT_EQ(pages_->PageCount(), position);
        const pages::TPageInfo page = pages_->GetPage(position);
        EXPECT_EQ(page.Annotation, name);
        EXPECT_TRUE(page.Complete) << name;
        EXPECT_NEAR(page.DailyRate, -3.0, 0.3) << name;
        EXPECT_EQ(Form().PageIndex(), position);
        EXPECT_EQ(ShownCaptionFor(position), name + " - 2024-03-15 12:00");
        EXPECT_EQ(reports_, 0);
    }
    QCoreApplication::processEvents();
    EXPECT_EQ(reports_, 1);
    EXPECT_EQ(reportPages_, 6);
    EXPECT_FALSE(Form().Sequence().Active());
    EXPECT_TRUE(Form().SequencePrompt().empty());
    EXPECT_EQ(Messages(), 0) << LastMessage();
    // A plain test afterwards detects the rate again and pauses as set.
    Key(vk::Space);
    EXPECT_EQ(Form().Settings().Rate, 0);
    EXPECT_TRUE(Form().Settings().Pause);
    Key(vk::Escape);
    std::cout << "six positions took " << sound << " s of sound\n";
}

TEST_F(MainFormSequenceTest, ACountdownGoesOnAndEscEndsTheSequenceKeepingItsPages) {
    SequencePlan plan;
    plan.positions = {false, false, false, false, true, true}; // Crown Left, Crown Right
    plan.countdown = true;
    plan.countdownSeconds = 1;
    OpenWithSequence(plan);
    Key(vk::Q);
    EXPECT_EQ(Form().SequencePrompt(), "Crown Left: turn the watch; the measurement starts in 1 s");
    QElapsedTimer clock;
    clock.start();
    while (State() == MeasurementState::Idle && clock.elapsed() < 3000) {
        QCoreApplication::processEvents();
        QThread::msleep(10);
    }
    ASSERT_EQ(State(), MeasurementState::Calibrating);
    MeasurePosition();
    ASSERT_EQ(pages_->PageCount(), 1);
    EXPECT_EQ(pages_->GetPage(1).Annotation, "Crown Left");
    EXPECT_EQ(Form().SequencePrompt(),
              "Crown Right: turn the watch; the measurement starts in 1 s");

    // Space need not wait for the countdown; Esc during the measurement ends the sequence as
    // it ends any test: the page is kept, without a position, and no report opens.
    Key(vk::Space);
    FeedUntilStateLeaves(MeasurementState::Calibrating);
    FeedWatchFor(1);
    Key(vk::Escape);
    EXPECT_EQ(State(), MeasurementState::Idle);
    EXPECT_FALSE(Form().Sequence().Active());
    ASSERT_EQ(pages_->PageCount(), 2);
    EXPECT_EQ(pages_->GetPage(2).Annotation, "");
    QCoreApplication::processEvents();
    EXPECT_EQ(reports_, 0);
    // R now weighs this sequence's two pages, not older ones of the same positions.
    EXPECT_EQ(Form().SequencePages(), 2);
    EXPECT_TRUE(Form().Toolbar().Enabled(ToolbarButton::Settings));

    // Esc at a prompt ends the sequence without a page.
    Key(vk::Q);
    EXPECT_FALSE(Form().SequencePrompt().empty());
    Key(vk::Escape);
    EXPECT_TRUE(Form().SequencePrompt().empty());
    EXPECT_FALSE(Form().Sequence().Active());
    EXPECT_EQ(pages_->PageCount(), 2);
    EXPECT_TRUE(Form().Toolbar().Enabled(ToolbarButton::Start));
}

TEST_F(MainFormSequenceTest, OnePagePerPositionOverAFreshStripAndItsReportWeighsOnlyItsOwn) {
    // A 60 s period: the trace fills its screen (480 beats at 28800 bph) before the reading
    // has settled.
    settings_.record = TSettingsRecord{};
    settings_.record.Period = 60;
    SequencePlan plan;
    plan.positions = {true, false, false, false, false, false}; // Dial Up
    OpenWithSequence(plan);
    // An earlier test, crown up: its results on the screen and its page.
    StartAndCalibrate();
    FeedWatchFor(4);
    Key(vk::Escape);
    pages_->SetPageAnnotation(1, "Crown Up");
    ASSERT_NE(LabelText(Form().Layout().RateErrorLabel()), "");

    Key(vk::Q);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(LabelText(Form().Layout().Results[i]), "") << i;
    Key(vk::Space);
    MeasurePosition();
    ASSERT_EQ(pages_->PageCount(), 2) << "one page for the position, none for a full screen";
    EXPECT_EQ(pages_->GetPage(2).Annotation, "Dial Up");
    EXPECT_TRUE(pages_->GetPage(2).Complete);
    QCoreApplication::processEvents();
    ASSERT_EQ(reports_, 1);
    // The report weighs the sequence's page alone; the older crown-up page weighs 0.
    EXPECT_EQ(reportWeighed_, 1);
    std::vector<pages::TPageInfo> all = {pages_->GetPage(1), pages_->GetPage(2)};
    const auto rows = report::BuildReportRows(all, {1, 1, 1, 1, 1, 1}, reportWeighed_);
    EXPECT_EQ(rows[0].Weight, 0);
    EXPECT_EQ(rows[1].Weight, 1);
    // A plain test afterwards: the report weighs as usual again.
    StartAndCalibrate();
    FeedWatchFor(3);
    Key(vk::Escape);
    EXPECT_EQ(Form().SequencePages(), 0);
}

} // namespace

} // namespace tickora::testing
