// A long-term test of eight hours through the whole window in accelerated time: the
// scripted watch is fed buffer by buffer as fast as the window takes it (the tick ring
// wraps 28 times). bench/endurance runs the same for twelve hours.
#include "MainFormFixture.h"

#include "app/plot/LongTermChart.h"
#include "pages/StateFile.h"
#include "settings/DataFolder.h"

namespace tickora::testing {

namespace {
using S = MeasurementState;
constexpr double kHours = 8.0;
} // namespace

TEST_F(MainFormTest, AnEightHourLongTermTestChartsTheWholeRunAndKeepsItsPage) {
    settings_.record.Period = 20;
    Open();
    Key(vk::L);
    FeedUntilStateLeaves(S::Calibrating);
    ASSERT_EQ(State(), S::Testing);

    const int buffers =
        static_cast<int>(kHours * 3600 * kCaptureSampleRate / kCaptureBufferSamples);
    ASSERT_EQ(FeedWatchFor(kHours * 3600), buffers); // never refused: the test went on
    EXPECT_EQ(State(), S::Testing);
    EXPECT_EQ(Messages(), 0);
    EXPECT_GT(analysis_->WriteIndex(), 10 * dsp::kTickRingSize);
    const double seconds =
        buffers * static_cast<double>(kCaptureBufferSamples) / kCaptureSampleRate;

    // A point every 30 s from the first to the last half minute of the run.
    const auto points = longTerm_.Points();
    ASSERT_FALSE(points.empty());
    EXPECT_EQ(longTerm_.Interval(), 30.0);
    EXPECT_GE(longTerm_.PointCount(), static_cast<int>(seconds / 30) - 2);
    EXPECT_LE(points.front().Time, 60.0);
    EXPECT_GE(points.back().Time, seconds - 60.0);
    for (std::size_t i = 1; i < points.size(); ++i)
        ASSERT_GT(points[i].Time, points[i - 1].Time) << i;

    Key(vk::Escape);
    ASSERT_EQ(pages_->PageCount(), 1);
    const pages::TPageInfo page = pages_->GetPage(1);
    EXPECT_TRUE(page.LongTerm);
    EXPECT_TRUE(page.Complete);
    EXPECT_NEAR(page.DailyRate, watch_.rate, 0.1);       // s/d
    EXPECT_NEAR(page.Amplitude, watch_.amplitude, 3.0);  // degrees
    EXPECT_NEAR(page.BeatError, watch_.beatError, 0.05); // ms

    // The page's picture is the chart of every point, its time axis from 0 to the last
    // (which, the first result past its interval, may lie a beat beyond it).
    platform::Image expected(Form().Plot().Width(), Form().Plot().Height());
    platform::Canvas canvas(expected);
    canvas.CurrentFont().face = Form().font().family().toStdString();
    plot::LongTermChart chart(canvas);
    chart.RedrawChart(longTerm_);
    ASSERT_TRUE(page.Image);
    EXPECT_TRUE(*page.Image == expected);
    EXPECT_LE(chart.TimeAxis().axisLo, 0.0);
    EXPECT_GE(chart.TimeAxis().axisHi * 3600, points.back().Time - 1.0);
    EXPECT_LT(chart.TimeAxis().axisHi, 2 * kHours); // h; the run fills most of the axis

    // Saved at close, it comes back whole.
    Form().close();
    pages::PageHistory reloaded;
    ASSERT_TRUE(pages::LoadState(reloaded, DataFolder()).Done);
    ASSERT_EQ(reloaded.PageCount(), 1);
    EXPECT_TRUE(reloaded.GetPage(1).LongTerm);
    EXPECT_EQ(reloaded.GetPage(1).DailyRate, page.DailyRate);
    ASSERT_TRUE(reloaded.GetPage(1).Image);
    EXPECT_TRUE(*reloaded.GetPage(1).Image == expected);
}

} // namespace tickora::testing
