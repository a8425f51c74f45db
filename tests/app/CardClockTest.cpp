// The sound card clock assistant measuring a simulated card's clock error back, by both of
// its methods, and a watch reading its true rate once the correction is in place.
#include "MainFormFixture.h"

#include "app/clock/CardClockForm.h"

#include <gmock/gmock.h>

#include <QCoreApplication>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QtTest/QTest>

#include <array>
#include <functional>
#include <random>

namespace tickora::testing {

namespace {

constexpr double kCardError = 4.3; // s/d: the card runs fast, every watch reads 4.3 s/d slow

class CardClockTest : public MainFormTest {
protected:
    void SetUp() override {
        MainFormTest::SetUp();
        watch_.clockError = kCardError;
        Open();
        assistant_ = std::make_unique<TCardClockForm>(dialogs_, inputs_, *analysis_, &Form());
    }
    void TearDown() override {
        assistant_.reset();
        MainFormTest::TearDown();
    }

    // Runs the assistant through the main window as the settings dialog does; `act` runs
    // inside its modal loop as the user's part.
    std::optional<double> RunAssistant(const std::function<void(TCardClockForm&)>& act) {
        bool acted = false;
        QTimer script;
        script.setInterval(5);
        QObject::connect(&script, &QTimer::timeout, [&] {
            if (!acted && assistant_->isVisible()) {
                acted = true;
                act(*assistant_);
            }
        });
        script.start();
        const auto result = Form().LendInput([this] { return assistant_->Measure(0); });
        script.stop();
        EXPECT_TRUE(acted);
        return result;
    }

    std::unique_ptr<TCardClockForm> assistant_;
};

TEST_F(CardClockTest, AgainstTheComputersClockTheCardsErrorComesBack) {
    // The card delivers 44100 x (1 + 4.3 / 86400) samples per second of a clock that the test
    // keeps; each buffer reaches the window late, by 1 ms to as much as 1 ms more than the
    // desktop's growing load allows (9 ms at the end), and now and then 300 ms late. The
    // mean lateness grows by 4 ms over the two minutes: a fit of every buffer would read the
    // card about 2.9 s/d slow.
    double now = 1000.0; // s
    assistant_->SetClock([&now] { return now; });
    const double perBuffer =
        kCaptureBufferSamples / (kCaptureSampleRate * (1.0 + kCardError / 86400.0)); // s
    std::mt19937 random(7);
    std::uniform_real_distribution<double> load(0.0, 1.0);
    ClockFit::Result afterOneMinute;
    const auto result = RunAssistant([&](TCardClockForm& assistant) {
        EXPECT_FALSE(assistant.OKButton()->isEnabled());
        assistant.StartButton()->click();
        const std::array<std::int16_t, kCaptureBufferSamples> silence{};
        double due = now;
        constexpr int kBuffers = 2 * 646; // two minutes
        for (int i = 1; i <= kBuffers; ++i) {
            due += perBuffer;
            // After half a minute the desktop stalls for a second: the capture ring overflows and
            // ten buffers of sound, recorded by the card, never arrive.
            if (i == kBuffers / 4)
                due += 10 * perBuffer;
            const double late = 0.001 + 0.008 * load(random) * i / kBuffers; // s
            now = due + (i % 97 == 0 ? 0.3 : late);
            ASSERT_TRUE(Input().Push(silence));
            QCoreApplication::processEvents();
            if (i == 646)
                afterOneMinute = assistant.Estimate();
        }
        EXPECT_TRUE(assistant.OKButton()->isEnabled());
        // Enter takes the result while measuring, also with Start/Stop in the focus (the
        // key reaches the focused button first).
        ASSERT_TRUE(assistant.Running());
        QTest::keyClick(assistant.StartButton(), Qt::Key_Return);
    });
    ASSERT_TRUE(result.has_value());
    EXPECT_NEAR(*result, kCardError, 0.2);
    // The uncertainty shown narrows with time and covers the truth.
    ASSERT_TRUE(afterOneMinute.valid);
    EXPECT_LT(assistant_->Estimate().uncertainty, afterOneMinute.uncertainty);
    EXPECT_LE(std::fabs(*result - kCardError), assistant_->Estimate().uncertainty);
    EXPECT_EQ(Messages(), 0) << LastMessage();
    // The main window has its input back.
    EXPECT_TRUE(Form().AudioCapture().IsOpen());
    EXPECT_TRUE(Form().Toolbar().Enabled(ToolbarButton::Start));
}

TEST_F(CardClockTest, AgainstAQuartzWatchTheCorrectionMakesAWatchReadItsTrueRate) {
    synth::WatchParameters quartz;
    quartz.beatsPerHour = 3600;
    quartz.rate = 0.0;
    quartz.noiseDb = -40.0;
    quartz.clockError = kCardError; // the same card
    synth::WatchSynthesiser quartzSound(quartz);
    const auto result = RunAssistant([&](TCardClockForm& assistant) {
        assistant.QuartzRadioButton()->click();
        assistant.StartButton()->click();
        std::array<std::int16_t, kCaptureBufferSamples> samples{};
        for (int i = 0; i < 3 * 646; ++i) { // three minutes
            quartzSound.Generate(samples.data(), samples.size());
            ASSERT_TRUE(Input().Push(samples));
            QCoreApplication::processEvents();
        }
        EXPECT_TRUE(assistant.OKButton()->isEnabled())
            << assistant.StatusLabel()->text().toStdString();
        assistant.OKButton()->click();
    });
    ASSERT_TRUE(result.has_value());
    EXPECT_NEAR(*result, kCardError, 0.2);

    // A mechanical watch is no quartz watch, and the assistant says what it needs.
    const auto refused = RunAssistant([&](TCardClockForm& assistant) {
        assistant.QuartzRadioButton()->click();
        assistant.StartButton()->click();
        for (int i = 0; i < 100 && assistant.Running(); ++i)
            FeedWatch();
        EXPECT_FALSE(assistant.Running());
        EXPECT_THAT(assistant.StatusLabel()->text().toStdString(),
                    ::testing::HasSubstr("needs a quartz watch whose seconds hand steps once a "
                                         "second"));
        assistant.CancelButton()->click();
    });
    EXPECT_FALSE(refused.has_value());

    // The 28800 bph watch (-3.0 s/d) on the same card reads 4.3 s/d slow without the
    // correction, and its true rate with it.
    settings_.record.Period = 20; // s: a rate good to a tenth of a second a day
    for (const double correction : {0.0, *result}) {
        settings_.record.Calibration = correction;
        StartAndCalibrate();
        FeedWatchFor(22);
        Key(vk::Escape);
        const pages::TPageInfo page = pages_->GetPage(pages_->PageCount());
        ASSERT_TRUE(page.Complete);
        EXPECT_NEAR(page.DailyRate, -3.0 - kCardError + correction, 0.2) << correction;
    }
}

// A direction is told only when the error shown exceeds the uncertainty shown.
TEST(CardClockStatus, TellsWhichWayOnlyBeyondTheUncertainty) {
    ClockFit::Result estimate;
    estimate.valid = true;
    estimate.span = 75.0;
    estimate.error = 0.014;
    estimate.uncertainty = 0.006; // +0.01 s/d ± 0.01 s/d as shown
    EXPECT_EQ(CardClockStatus(estimate).toStdString(),
              "Measured for 1 min 15 s. A Rate Correction of +0.01 s/d cancels it.");
    estimate.error = -4.3;
    estimate.uncertainty = 0.2;
    EXPECT_EQ(CardClockStatus(estimate).toStdString(),
              "Measured for 1 min 15 s. The card runs slow, so every watch reads fast. A Rate "
              "Correction of -4.30 s/d cancels it.");
}

} // namespace

} // namespace tickora::testing
