#include "pages/PageHistory.h"
#include "pages/Timestamp.h"

#include "PagesTestSupport.h"

#include <gtest/gtest.h>

#include <memory>

using pages::PageHistory;
using pages::TPageInfo;
using pages_test::FakePlot;
using pages_test::StepClock;

namespace {

constexpr double kStart = 46364.5; // 2026-12-08 12:00

class PageHistoryTest : public ::testing::Test {
protected:
    PageHistoryTest() : history(StepClock(kStart)), plot(40, 20) { history.SetPlotSnapshot(&plot); }

    // Records result number n (rate n s/d) with the plot painted in grey n, and commits it.
    void RecordAndCommit(int n) {
        plot.Paint(platform::Grey(n));
        history.RecordResult(n % 2 == 0, n, 200.0 + n, 0.1 * n);
        history.CommitPage(52, 20, 8.0);
    }

    PageHistory history;
    FakePlot plot;
};

} // namespace

TEST_F(PageHistoryTest, CommitWithoutResultAddsNothing) {
    history.CommitPage(52, 20, 8.0);
    EXPECT_EQ(history.PageCount(), 0);
    EXPECT_FALSE(history.PagesChanged());

    RecordAndCommit(1);
    ASSERT_EQ(history.PageCount(), 1);
    EXPECT_TRUE(history.PagesChanged());

    // A second commit without a new result changes nothing, not even the changed flag.
    history.SetChanged(false);
    history.CommitPage(52, 20, 8.0);
    EXPECT_EQ(history.PageCount(), 1);
    EXPECT_FALSE(history.PagesChanged());
}

TEST_F(PageHistoryTest, CommittedPageHoldsResultParametersTimeAndPicture) {
    plot.Paint(platform::RgbOf(10, 20, 30));
    history.RecordResult(true, -3.5, 281.0, 0.4);
    history.CommitPage(49, 30, 6.0);
    const TPageInfo page = history.GetPage(1);
    EXPECT_TRUE(page.Valid);
    EXPECT_TRUE(page.Complete);
    EXPECT_FALSE(page.LongTerm);
    EXPECT_EQ(page.DailyRate, -3.5);
    EXPECT_EQ(page.Amplitude, 281.0);
    EXPECT_EQ(page.BeatError, 0.4);
    EXPECT_EQ(page.LiftAngle, 49);
    EXPECT_EQ(page.AveragingPeriod, 30);
    EXPECT_EQ(page.BeatsPerSecond, 6.0);
    EXPECT_EQ(page.Timestamp, kStart);
    EXPECT_TRUE(page.Annotation.empty());
    EXPECT_EQ(page.Reserved, (std::array<std::uint8_t, 5>{}));
    ASSERT_NE(page.Image, nullptr);
    EXPECT_EQ(*page.Image, plot.plot);
}

TEST_F(PageHistoryTest, ElevenCommitsKeepTheLastTenWithTheirAnnotations) {
    for (int n = 1; n <= 10; ++n) {
        RecordAndCommit(n);
        history.SetPageAnnotation(0, "page " + std::to_string(n));
    }
    const std::shared_ptr<platform::Image> oldest = history.GetPage(1).Image;
    RecordAndCommit(11);

    ASSERT_EQ(history.PageCount(), 10);
    for (int index = 1; index <= 10; ++index) {
        const TPageInfo page = history.GetPage(index);
        const int n = index + 1;
        EXPECT_EQ(page.DailyRate, n) << index;
        EXPECT_NEAR(page.Timestamp, kStart + (n - 1) / 1440.0, 1e-9) << index;
        EXPECT_EQ(page.Image->Pixel(0, 0), platform::Grey(n)) << index;
        EXPECT_EQ(page.Annotation, index == 10 ? "" : "page " + std::to_string(n)) << index;
    }
    // The dropped page's picture object was reused for the new page.
    EXPECT_EQ(history.GetPage(10).Image, oldest);
    EXPECT_EQ(history.GetPage(0).DailyRate, 11);
}

TEST_F(PageHistoryTest, ReusedPictureIsReplacedAfterThePlotChangesSize) {
    for (int n = 1; n <= 10; ++n) {
        RecordAndCommit(n);
    }
    const std::shared_ptr<platform::Image> oldest = history.GetPage(1).Image;
    plot.Resize(64, 30);
    RecordAndCommit(11);
    const TPageInfo newest = history.GetPage(10);
    EXPECT_NE(newest.Image, oldest);
    EXPECT_EQ(newest.Image->Width(), 64);
    EXPECT_EQ(newest.Image->Height(), 30);
    EXPECT_EQ(newest.Image->Pixel(63, 29), platform::Grey(11));
    // The older pages keep their pictures of the old size.
    EXPECT_EQ(history.GetPage(9).Image->Width(), 40);
}

TEST_F(PageHistoryTest, IndicesOutOfRangeAreHarmless) {
    const TPageInfo none = history.GetPage(0);
    EXPECT_FALSE(none.Valid);
    EXPECT_EQ(none.Image, nullptr);

    RecordAndCommit(1);
    RecordAndCommit(2);
    for (int index : {-1, 3, 11, 1000}) {
        const TPageInfo page = history.GetPage(index);
        EXPECT_FALSE(page.Valid) << index;
        EXPECT_EQ(page.Image, nullptr) << index;
        EXPECT_EQ(page.DailyRate, 0) << index;
    }

    history.SetChanged(false);
    history.SetPageAnnotation(3, "Dial Up");
    history.SetPageAnnotation(-2, "Dial Up");
    EXPECT_TRUE(history.PagesChanged());
    EXPECT_EQ(history.GetPage(1).Annotation, "");
    EXPECT_EQ(history.GetPage(2).Annotation, "");

    history.SetPageAnnotation(0, "Crown Up");
    history.SetPageAnnotation(1, "Dial Down");
    EXPECT_EQ(history.GetPage(2).Annotation, "Crown Up");
    EXPECT_EQ(history.GetPage(1).Annotation, "Dial Down");
}

TEST_F(PageHistoryTest, LongTermPageCommitsWithoutANewResult) {
    RecordAndCommit(1);
    plot.Paint(platform::RgbOf(0, 0, 200));
    const int copiesBefore = plot.copies;
    history.CommitLongTermPage(52, 20, 8.0);
    ASSERT_EQ(history.PageCount(), 2);
    const TPageInfo page = history.GetPage(2);
    EXPECT_TRUE(page.LongTerm);
    EXPECT_FALSE(page.Valid); // the last result was already committed
    EXPECT_EQ(page.DailyRate, 1);
    EXPECT_EQ(page.Image->Pixel(5, 5), platform::RgbOf(0, 0, 200));
    // The picture is taken again once the page is in its slot.
    EXPECT_EQ(plot.copies - copiesBefore, 2);

    // An ordinary commit right after it still needs a new result.
    history.CommitPage(52, 20, 8.0);
    EXPECT_EQ(history.PageCount(), 2);
}

TEST_F(PageHistoryTest, ResetEmptiesTheHistoryAndReleasesThePictures) {
    RecordAndCommit(1);
    RecordAndCommit(2);
    std::weak_ptr<platform::Image> picture = history.GetPage(1).Image;
    history.RecordResult(true, 5, 250, 0.2);
    history.SetChanged(false);
    history.ResetPages();
    EXPECT_EQ(history.PageCount(), 0);
    EXPECT_TRUE(history.PagesChanged());
    EXPECT_TRUE(picture.expired());
    // The pending result went with the pages.
    history.CommitPage(52, 20, 8.0);
    EXPECT_EQ(history.PageCount(), 0);

    RecordAndCommit(3);
    ASSERT_EQ(history.PageCount(), 1);
    EXPECT_EQ(history.GetPage(1).DailyRate, 3);
    EXPECT_EQ(history.GetPage(1).Image->Pixel(0, 0), platform::Grey(3));
}

TEST(PageHistoryWithoutPlot, PicturesAreBlankAtTheDefaultPlotSize) {
    PageHistory history([] { return 1.0; });
    history.RecordResult(false, 1, 2, 3);
    history.CommitPage(52, 20, 8.0);
    const TPageInfo page = history.GetPage(1);
    ASSERT_NE(page.Image, nullptr);
    EXPECT_EQ(page.Image->Width(), PageHistory::kDefaultPlotWidth);
    EXPECT_EQ(page.Image->Height(), PageHistory::kDefaultPlotHeight);
    EXPECT_EQ(page.Image->Pixel(100, 100), platform::kWhite);
    EXPECT_EQ(page.Timestamp, 1.0);
}

TEST(Timestamp, CountsDaysSinceTheEndOf1899) {
    EXPECT_EQ(pages::TimestampOf(1899, 12, 30, 0, 0, 0), 0.0);
    EXPECT_EQ(pages::TimestampOf(1900, 1, 1, 12, 0, 0), 2.5);
    EXPECT_EQ(pages::TimestampOf(2000, 1, 1, 0, 0, 0), 36526.0);
    EXPECT_DOUBLE_EQ(pages::TimestampOf(2026, 12, 8, 9, 25, 40), 46364 + 33940.0 / 86400);
}
