// The measurement from the keyboard to the result strip, the trace and the pages.
#include "MainFormFixture.h"

#include "app/StartupPicture.h"
#include "report/ValueTexts.h"

#include <QLabel>
#include <QTimer>

#include <cstdlib>
#include <filesystem>

namespace tickora::testing {

namespace {
using S = MeasurementState;

double Number(const std::string& text) {
    return std::strtod(text.c_str(), nullptr);
}

QColor Colour(const QLabel* label) {
    return label->palette().color(QPalette::WindowText);
}
} // namespace

TEST_F(MainFormTest, StartUpShowsTitleParametersAndToolbar) {
    settings_.record.Rate = 0;
    settings_.record.Period = 20;
    Open();
    EXPECT_EQ(Form().windowTitle().toStdString(), "Tickora 1.4");
    EXPECT_EQ(settings_.startupLoads, 1);
    EXPECT_EQ(LabelText(Form().Layout().ParametersLabel()), "AUTO 52\u00b0 20s");
    // No watch measured, no figures (not the layout's design texts).
    EXPECT_EQ(LabelText(Form().Layout().AmplitudeLabel()), "");
    EXPECT_TRUE(Form().Toolbar().Enabled(ToolbarButton::Start));
    EXPECT_FALSE(Form().Toolbar().Enabled(ToolbarButton::Stop));
    EXPECT_TRUE(Form().Layout().VolumeIndicator->isHidden());
    EXPECT_NEAR(Form().GainStep(), 1.148699355, 1e-9);
    // Every image sits in its slot.
    EXPECT_EQ(Form().Toolbar().Live(ToolbarButton::Resume)->x(), 8);
    EXPECT_EQ(Form().Toolbar().Twin(ToolbarButton::Pause)->x(), 8);
    EXPECT_EQ(Form().Layout().ManualLevelPanel->geometry(), QRect(0, 0, 960, 55));
    // A second activation does the start-up work no more.
    Form().FormActivate();
    EXPECT_EQ(settings_.startupLoads, 1);
}

TEST_F(MainFormTest, StartupPictureStaysAtLeastTwoSeconds) {
    form_ = std::make_unique<TMainForm>(
        TMainFormServices{dialogs_, *analysis_, *pages_, longTerm_, inputs_});
    form_->SetSettings(&settings_);
    TStartupPicture picture;
    picture.show();
    dialogs_.SetTickCount(1000);
    form_->SetStartupPicture(&picture, 1000);
    // The clock runs in 250 ms steps while the window waits for the picture's time.
    QTimer clock;
    QObject::connect(&clock, &QTimer::timeout, [this] { dialogs_.AdvanceTicks(250); });
    clock.start(1);
    form_->show();
    form_->FormActivate();
    EXPECT_FALSE(picture.isVisible());
    EXPECT_GE(dialogs_.TickCount(), 3000u);
    EXPECT_LE(dialogs_.TickCount(), 3250u);
    EXPECT_EQ(settings_.startupLoads, 1);
}

TEST_F(MainFormTest, WholeTestFromSpaceThroughCalibrationToResults) {
    Open();
    Key(vk::Space);
    ASSERT_EQ(State(), S::Calibrating);
    EXPECT_FALSE(Form().Layout().CalibrationProgressPanel->isHidden());
    EXPECT_EQ(LabelText(Form().Layout().CalibrationLabel), "Adjusting Levels and Detecting Rate");
    // Nothing is measured yet: no results, and the parameters as set.
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(LabelText(Form().Layout().Results[i]), "") << i;
    EXPECT_EQ(LabelText(Form().Layout().ParametersLabel()), "AUTO 52\u00b0 2s");
    EXPECT_TRUE(Form().Toolbar().Twin(ToolbarButton::Pause)->isVisibleTo(&Form()));

    FeedWatchFor(2.5);
    ASSERT_EQ(State(), S::Calibrating);
    const int progress = Form().Layout().CalibrationProgressBar->value();
    EXPECT_GT(progress, 400);
    EXPECT_LT(progress, 600);

    FeedUntilStateLeaves(S::Calibrating);
    ASSERT_EQ(State(), S::Testing) << LastMessage();
    EXPECT_EQ(Form().Layout().CalibrationProgressBar->value(), 1000);
    EXPECT_TRUE(Form().Layout().CalibrationProgressPanel->isHidden());
    EXPECT_EQ(LabelText(Form().Layout().ParametersLabel()), "28800bph 52\u00b0 2s");
    EXPECT_DOUBLE_EQ(Form().BeatsPerSecond(), 8.0);
    EXPECT_TRUE(Form().Toolbar().Enabled(ToolbarButton::Pause));

    FeedWatchFor(6);
    ASSERT_EQ(State(), S::Testing);
    // The simulated watch runs -3.0 s/d at 290 degrees with a 0.2 ms beat error.
    EXPECT_NEAR(Number(LabelText(Form().Layout().RateErrorLabel())), -3.0, 0.6);
    EXPECT_NEAR(Number(LabelText(Form().Layout().AmplitudeLabel())), 290, 10);
    EXPECT_NEAR(Number(LabelText(Form().Layout().BeatErrorLabel())), 0.2, 0.2);
    EXPECT_EQ(Colour(Form().Layout().RateErrorLabel()), QColor(0, 119, 0));
    EXPECT_GT(PlotPixels(platform::kBlack), 40); // trace dots
    EXPECT_EQ(pages_->PageCount(), 0);

    // Esc keeps the test as page 1 and shows it as a page: its caption over its picture.
    const platform::Image live = Form().Plot();
    Key(vk::Escape);
    ASSERT_EQ(pages_->PageCount(), 1);
    ASSERT_TRUE(pages_->GetPage(1).Image);
    EXPECT_TRUE(*pages_->GetPage(1).Image == live);
    EXPECT_FALSE(Form().Plot() == live);

    // The next test knows nothing yet either, not even the rate the last one found.
    Key(vk::Space);
    ASSERT_EQ(State(), S::Calibrating);
    EXPECT_EQ(LabelText(Form().Layout().ParametersLabel()), "AUTO 52\u00b0 2s");
    EXPECT_EQ(LabelText(Form().Layout().AmplitudeLabel()), "");
}

TEST_F(MainFormTest, PauseCommitsAndResumeContinuesWithoutCalibration) {
    Open();
    StartAndCalibrate();
    FeedWatchFor(4);
    Key(vk::Space); // pause
    ASSERT_EQ(State(), S::Paused);
    EXPECT_FALSE(Input().IsRecording());
    EXPECT_EQ(pages_->PageCount(), 1);
    EXPECT_EQ(Form().PageIndex(), 1);
    EXPECT_EQ(Form().windowTitle().toStdString(), "Tickora 1.4 (PAUSED)");
    EXPECT_TRUE(Form().Toolbar().Enabled(ToolbarButton::Resume));
    EXPECT_TRUE(Form().Toolbar().Enabled(ToolbarButton::Export));
    EXPECT_FALSE(FeedWatch()); // capture stopped

    const int recordBefore = static_cast<int>(analysis_->WriteIndex());
    Key(vk::Return); // resume
    ASSERT_EQ(State(), S::Testing);
    EXPECT_TRUE(Form().Layout().CalibrationProgressPanel->isHidden());
    EXPECT_EQ(Form().windowTitle().toStdString(), "Tickora 1.4");
    // The plot starts afresh: only the dotted centre line.
    EXPECT_EQ(PlotPixels(platform::kBlack), 0);
    FeedWatchFor(4);
    EXPECT_EQ(State(), S::Testing);
    EXPECT_GT(PlotPixels(platform::kBlack), 20);
    EXPECT_GE(analysis_->WriteIndex(), recordBefore);

    Key(vk::Escape);
    EXPECT_EQ(State(), S::Idle);
    EXPECT_EQ(pages_->PageCount(), 2);
    EXPECT_EQ(Form().PageIndex(), 2);
    EXPECT_FALSE(Form().ScopeShownLast());
    EXPECT_TRUE(Form().Toolbar().Enabled(ToolbarButton::Previous));
}

TEST_F(MainFormTest, PauseAtEndOfAveragingPeriodCommitsOnePage) {
    settings_.record.Pause = true;
    Open();
    StartAndCalibrate();
    FeedUntilStateLeaves(S::Testing, 200);
    ASSERT_EQ(State(), S::Paused);
    EXPECT_EQ(pages_->PageCount(), 1);
    const pages::TPageInfo page = pages_->GetPage(1);
    EXPECT_TRUE(page.Complete);
    EXPECT_EQ(page.AveragingPeriod, 2);
    EXPECT_DOUBLE_EQ(page.BeatsPerSecond, 8.0);
    EXPECT_EQ(Colour(Form().Layout().RateErrorLabel()), QColor(0, 119, 0));
}

TEST_F(MainFormTest, StartReloadsSettingsButResumeDoesNot) {
    Open();
    StartAndCalibrate();
    FeedWatchFor(1);
    Key(vk::Space);
    ASSERT_EQ(State(), S::Paused);
    settings_.record.Period = 7;
    Key(vk::Space);
    EXPECT_EQ(Form().Settings().Period, 2);
    Key(vk::Escape);
    Key(vk::Space);
    EXPECT_EQ(Form().Settings().Period, 7);
}

TEST_F(MainFormTest, ManualThresholdPathWithItsKeys) {
    settings_.record.Manual = true;
    Open();
    Key(vk::Space);
    EXPECT_EQ(LabelText(Form().Layout().CalibrationLabel), "Presetting Levels and Detecting Rate");
    FeedUntilStateLeaves(S::Calibrating);
    ASSERT_EQ(State(), S::ManualLevel) << LastMessage();
    const TMainLayout& layout = Form().Layout();
    EXPECT_FALSE(layout.ManualLevelPanel->isHidden());
    EXPECT_FALSE(layout.VolumeIndicator->isHidden());
    EXPECT_EQ(layout.VolumeIndicator->parentWidget(), layout.ManualLevelPanel);
    // The gain puts one and a half peak levels at the top edge.
    EXPECT_NEAR(Form().Settings().Gain, 1.0 / (analysis_->PeakLevel() * 1.5), 1e-9);
    EXPECT_TRUE(Form().Settings().Changed);
    EXPECT_DOUBLE_EQ(Form().Trace().ScopeSweepRate(), 4.0); // two beats a sweep
    EXPECT_EQ(Colour(layout.RateErrorLabel()), QColor(240, 207, 235));

    const int row = Form().Trace().ReferenceRow();
    Key(vk::Up);
    EXPECT_NEAR(Form().Trace().ReferenceRow(), row - 1, 1);
    const int afterOne = Form().Trace().ReferenceRow();
    Key(vk::Up, true);
    EXPECT_NEAR(Form().Trace().ReferenceRow(), afterOne - 5, 1);
    Key(vk::Down, true);
    EXPECT_NEAR(Form().Trace().ReferenceRow(), afterOne, 1);

    FeedWatchFor(1);
    EXPECT_GT(PlotPixels(platform::RgbOf(191, 126, 180)), 500); // scope bars

    Key(vk::Space); // begin testing
    ASSERT_EQ(State(), S::Testing);
    EXPECT_TRUE(layout.ManualLevelPanel->isHidden());
    EXPECT_TRUE(layout.VolumeIndicator->isHidden());
    EXPECT_EQ(layout.VolumeIndicator->parentWidget(), layout.TopPanel);
    FeedWatchFor(4);
    EXPECT_NEAR(Number(LabelText(layout.RateErrorLabel())), -3.0, 1.0);

    // Up outside the manual-level view changes nothing.
    const double threshold = analysis_->ThresholdLevel();
    Key(vk::Up);
    EXPECT_EQ(analysis_->ThresholdLevel(), threshold);

    Key(vk::Escape);
    EXPECT_EQ(settings_.storedBack, 1); // the changed gain is saved at Stop
    EXPECT_DOUBLE_EQ(settings_.storedGain, Form().Settings().Gain);
}

TEST_F(MainFormTest, ResumeWithManualReturnsToTheLevelView) {
    settings_.record.Manual = true;
    Open();
    StartAndCalibrate();
    Key(vk::Space);
    FeedWatchFor(3);
    Key(vk::Space); // pause
    ASSERT_EQ(State(), S::Paused);
    Key(vk::Space); // resume
    EXPECT_EQ(State(), S::ManualLevel);
    // The view shows the gain it draws with, on its panel, as when it first opened.
    const TMainLayout& layout = Form().Layout();
    EXPECT_FALSE(layout.VolumeIndicator->isHidden());
    EXPECT_FALSE(layout.VolumeLabel->isHidden());
    EXPECT_EQ(layout.VolumeIndicator->parentWidget(), layout.ManualLevelPanel);
    EXPECT_EQ(LabelText(layout.VolumeLabel), report::GainText(Form().Settings().Gain));
    EXPECT_EQ(Form().Trace().ReferenceRow(),
              Form().Trace().LevelRow(analysis_->ThresholdLevel(), Form().Settings().Gain));
    Key(vk::Escape);
    EXPECT_TRUE(Form().ScopeShownLast());
}

TEST_F(MainFormTest, RawSoundsAreRasteredInsteadOfTicks) {
    settings_.record.PlotRaw = true;
    Open();
    StartAndCalibrate();
    FeedWatchFor(3);
    int reddish = 0;
    const platform::Image& plot = Form().Plot();
    for (int y = 0; y < plot.Height(); ++y)
        for (int x = 0; x < 60; ++x) {
            const platform::Rgb p = plot.Pixel(x, y);
            reddish += p.r == 255 && p.g < 200 && p.g == p.b;
        }
    EXPECT_GT(reddish, 20);
    // Black is only the raster's millisecond scale at the left edge: no trace dots.
    int blackRight = 0;
    for (int y = 0; y < plot.Height(); ++y)
        for (int x = 20; x < plot.Width(); ++x)
            blackRight += plot.Pixel(x, y) == platform::kBlack;
    EXPECT_EQ(blackRight, 0);
    EXPECT_GT(PlotPixels(platform::kBlack), 0);
    EXPECT_EQ(State(), S::Testing);
}

TEST_F(MainFormTest, ScopeViewWithGainKeys) {
    Open();
    Key(vk::S);
    ASSERT_EQ(State(), S::Scope);
    const TMainLayout& layout = Form().Layout();
    EXPECT_FALSE(layout.VolumeIndicator->isHidden());
    EXPECT_EQ(LabelText(layout.VolumeLabel), "+0dB");
    EXPECT_EQ(Form().PageIndex(), pages_->PageCount() + 1);
    EXPECT_TRUE(Form().Toolbar().Twin(ToolbarButton::Start)->isVisibleTo(&Form()));
    FeedWatchFor(1);
    EXPECT_EQ(State(), S::Scope);
    EXPECT_GT(PlotPixels(platform::RgbOf(191, 126, 180)), 500);

    Key(vk::Subtract); // already at 1: nothing
    EXPECT_FALSE(Form().Settings().Changed);
    Key(vk::OemPlus);
    EXPECT_NEAR(Form().Settings().Gain, Form().GainStep(), 1e-12);
    EXPECT_TRUE(Form().Settings().Changed);
    Key(vk::OemMinus);
    Key(vk::OemMinus);
    EXPECT_DOUBLE_EQ(Form().Settings().Gain, 1.0);
    for (int i = 0; i < 45; ++i)
        Key(vk::Add);
    EXPECT_DOUBLE_EQ(Form().Settings().Gain, 256.0);
    EXPECT_EQ(LabelText(layout.VolumeLabel), "+48dB");

    Key(vk::Escape);
    EXPECT_EQ(State(), S::Idle);
    EXPECT_TRUE(Form().ScopeShownLast());
    EXPECT_TRUE(layout.VolumeIndicator->isHidden());
    EXPECT_EQ(pages_->PageCount(), 0);
    EXPECT_DOUBLE_EQ(settings_.storedGain, 256.0);
    // Gain keys act only in the scope views.
    Key(vk::OemMinus);
    EXPECT_DOUBLE_EQ(Form().Settings().Gain, 256.0);
}

TEST_F(MainFormTest, PlusAtFullGainDoesNotMarkTheGainChanged) {
    settings_.record.Gain = 256.0;
    Open();
    Key(vk::S);
    Key(vk::Add);
    EXPECT_FALSE(Form().Settings().Changed);
    Key(vk::Escape);
    EXPECT_EQ(settings_.storedBack, 0);
}

TEST_F(MainFormTest, AutoDetectionFailureStopsWithItsMessage) {
    Open();
    Key(vk::Space);
    for (int i = 0; i < 100 && State() == S::Calibrating; ++i)
        FeedSilence();
    EXPECT_EQ(State(), S::Idle);
    EXPECT_EQ(LastMessage(), "Unable to detect a consistent tick.");
    EXPECT_EQ(dialogs_.Messages().back().icon, platform::MessageIcon::Error);
    EXPECT_EQ(dialogs_.Messages().back().buttons, platform::MessageButtons::Ok);
    EXPECT_FALSE(Input().IsRecording());
    EXPECT_EQ(Form().Layout().CalibrationProgressBar->value(), 1000);
    EXPECT_TRUE(Form().Toolbar().Enabled(ToolbarButton::Start));
}

TEST_F(MainFormTest, SetRateFailureNamesTheRate) {
    settings_.record.Rate = 28800;
    Open();
    Key(vk::Space);
    EXPECT_EQ(LabelText(Form().Layout().CalibrationLabel), "Adjusting Levels and Verifying Rate");
    for (int i = 0; i < 100 && State() == S::Calibrating; ++i)
        FeedSilence();
    EXPECT_EQ(State(), S::Idle);
    EXPECT_EQ(LastMessage(), "Unable to detect a consistent tick at 28800bph.");
}

TEST_F(MainFormTest, FailedLongTermCalibrationDoesNotLeaveALongTermFlag) {
    Open();
    Key(vk::L);
    for (int i = 0; i < 100 && State() == S::Calibrating; ++i)
        FeedSilence();
    ASSERT_EQ(State(), S::Idle);
    EXPECT_FALSE(Form().LongTermActive());
    StartAndCalibrate();
    EXPECT_FALSE(Form().LongTermActive());
    EXPECT_TRUE(Form().Toolbar().Enabled(ToolbarButton::Pause));
}

TEST_F(MainFormTest, TenSecondsWithoutATickStopsAndKeepsTheResult) {
    Open();
    StartAndCalibrate();
    FeedWatchFor(4);
    int silent = 0;
    while (State() == S::Testing && silent < 200 && FeedSilence())
        ++silent;
    EXPECT_EQ(State(), S::Idle);
    // Just over 10 s of silence: 108 buffers of 4096 samples.
    EXPECT_GE(silent, 107);
    EXPECT_LE(silent, 112);
    EXPECT_EQ(pages_->PageCount(), 1);
    EXPECT_EQ(Messages(), 0);
}

TEST_F(MainFormTest, BufferDuringABusyBufferIsAnOverrun) {
    Open();
    StartAndCalibrate();
    // When the full trace screen commits its page, a nested event loop delivers the next
    // buffer while this one is still being handled.
    bool nested = false;
    onClock_ = [this, &nested] {
        if (nested || State() != S::Busy)
            return;
        nested = true;
        FeedWatch();
    };
    FeedUntilStateLeaves(S::Testing, 800);
    EXPECT_TRUE(nested);
    EXPECT_EQ(State(), S::Idle);
    EXPECT_EQ(LastMessage(), "Audio data overrun.");
    EXPECT_FALSE(Input().IsRecording());
    EXPECT_TRUE(Form().Toolbar().Enabled(ToolbarButton::Start));
}

TEST_F(MainFormTest, LongTermTestChartsAndCommitsALongTermPage) {
    settings_.record.Period = 2;
    Open();
    Key(vk::L);
    FeedUntilStateLeaves(S::Calibrating);
    ASSERT_EQ(State(), S::Testing);
    EXPECT_TRUE(Form().LongTermActive());
    EXPECT_TRUE(Form().AwaitingFirstChartPoint());
    EXPECT_FALSE(Form().Toolbar().Enabled(ToolbarButton::Pause));
    EXPECT_TRUE(Form().Toolbar().Twin(ToolbarButton::Start)->isVisibleTo(&Form()));
    Key(vk::Space); // no pause in a long-term test
    EXPECT_EQ(State(), S::Testing);

    FeedWatchFor(33); // the first chart point comes after 30 s
    ASSERT_FALSE(Form().AwaitingFirstChartPoint());
    EXPECT_EQ(Colour(Form().Layout().RateErrorLabel()), QColor(153, 0, 102));
    EXPECT_EQ(Colour(Form().Layout().AmplitudeLabel()), QColor(51, 51, 204));
    EXPECT_EQ(Colour(Form().Layout().BeatErrorLabel()), QColor(0, 119, 0));
    // The chart replaces the trace: no trace dots, the rate curve in its colour.
    const int rateCurve = PlotPixels(platform::RgbOf(153, 0, 102));
    EXPECT_GT(rateCurve, 0);
    const platform::Image chart = Form().Plot();
    Key(vk::Escape);
    EXPECT_EQ(State(), S::Idle);
    EXPECT_FALSE(Form().LongTermActive());
    ASSERT_EQ(pages_->PageCount(), 1);
    const pages::TPageInfo page = pages_->GetPage(1);
    EXPECT_TRUE(page.LongTerm);
    ASSERT_TRUE(page.Image);
    EXPECT_TRUE(*page.Image == chart);
    EXPECT_EQ(Form().PageIndex(), 1);
    // Shown again, the long-term page keeps its long-term colours.
    Form().ShowPage(1);
    EXPECT_EQ(Colour(Form().Layout().RateErrorLabel()), QColor(153, 0, 102));
}

TEST_F(MainFormTest, LongTermStoppedBeforeItsFirstPointCommitsNoPage) {
    Open();
    Key(vk::L);
    FeedUntilStateLeaves(S::Calibrating);
    FeedWatchFor(5);
    Key(vk::Escape);
    EXPECT_EQ(pages_->PageCount(), 0);
    EXPECT_EQ(Form().PageIndex(), 1);
    // Its picture is exported without a page caption.
    const std::string file = dataDir_->path().toStdString() + "/live.png";
    dialogs_.QueueSaveAnswer(file);
    Key(vk::F);
    platform::Image saved;
    ASSERT_TRUE(saved.LoadPng(file));
    int inkBottomRight = 0;
    for (int y = saved.Height() - 20; y < saved.Height() - 1; ++y)
        for (int x = saved.Width() - 300; x < saved.Width() - 1; ++x)
            inkBottomRight += saved.Pixel(x, y) != platform::kWhite;
    EXPECT_EQ(inkBottomRight, 0);
}

TEST_F(MainFormTest, PausedTestContinuesAsLongTermTest) {
    Open();
    StartAndCalibrate();
    FeedWatchFor(3);
    Key(vk::Space);
    ASSERT_EQ(State(), S::Paused);
    Key(vk::L);
    EXPECT_EQ(State(), S::Testing);
    EXPECT_TRUE(Form().LongTermActive());
    EXPECT_TRUE(longTerm_.Active());
}

TEST_F(MainFormTest, MissingDeviceLeavesStartGreyed) {
    ScriptedInput::Failures failures;
    failures.open = 7;
    inputs_.SetFailures(failures);
    inputs_.SetErrorText("Device busy.");
    Open();
    EXPECT_EQ(LastMessage(), "Device busy. Unable to open audio input device.");
    Key(vk::Space);
    EXPECT_EQ(State(), S::Idle);
    Key(vk::S);
    Key(vk::L);
    EXPECT_EQ(State(), S::Idle);
    ToolbarImage* twin = Form().Toolbar().Twin(ToolbarButton::Start);
    EXPECT_TRUE(twin->isVisibleTo(&Form()));
    EXPECT_EQ(twin->toolTip().toStdString(), "The chosen audio input device could not be opened.");
    // The settings choose a device that opens.
    inputs_.SetFailures({});
    settings_.onShow = [](TSettingsRecord& record) { record.InputDevice = 0; };
    Key(vk::Tab);
    EXPECT_EQ(settings_.shown, 1);
    EXPECT_TRUE(Form().Toolbar().Enabled(ToolbarButton::Start));
    EXPECT_EQ(twin->toolTip().toStdString(), "");
}

TEST_F(MainFormTest, FailedStartCaptureFallsBackToIdle) {
    ScriptedInput::Failures failures;
    failures.start = 3;
    inputs_.SetFailures(failures);
    Open();
    Key(vk::Space);
    EXPECT_EQ(State(), S::Idle);
    EXPECT_EQ(LastMessage(), "Device unavailable. Error while starting audio capture.");
    Key(vk::L);
    EXPECT_EQ(State(), S::Idle);
    EXPECT_FALSE(Form().LongTermActive());
}

TEST_F(MainFormTest, ClosingDuringATestCommitsAndSavesTheState) {
    Open();
    StartAndCalibrate();
    FeedWatchFor(3);
    Form().close();
    EXPECT_EQ(State(), S::Idle);
    EXPECT_EQ(pages_->PageCount(), 1);
    EXPECT_TRUE(std::filesystem::exists(DataFolderPath() + "/State.tkr"));
    EXPECT_FALSE(pages_->PagesChanged());
    EXPECT_EQ(dialogs_.WaitCursorDepth(), 0);
    EXPECT_GE(dialogs_.WaitCursorBegins(), 2); // load and save
}

TEST_F(MainFormTest, ClosingWithoutChangesWritesNoState) {
    Open();
    Form().close();
    EXPECT_FALSE(std::filesystem::exists(DataFolderPath() + "/State.tkr"));
}

TEST_F(MainFormTest, SavedPagesComeBackAtTheNextStart) {
    Open();
    StartAndCalibrate();
    FeedWatchFor(3);
    Key(vk::Escape);
    const double rate = pages_->GetPage(1).DailyRate;
    Form().close();
    form_.reset();

    pages_ = std::make_unique<pages::PageHistory>([] { return 45366.5; });
    Open();
    ASSERT_EQ(pages_->PageCount(), 1);
    EXPECT_EQ(Form().PageIndex(), 1);
    EXPECT_DOUBLE_EQ(pages_->GetPage(1).DailyRate, rate);
    EXPECT_EQ(LabelText(Form().Layout().ParametersLabel()), "28800bph 52\u00b0 2s");
}

} // namespace tickora::testing
