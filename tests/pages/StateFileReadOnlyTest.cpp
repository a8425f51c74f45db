// A data folder that cannot be written at close: the save error is reported and
// nothing is lost, neither the state saved before nor the pages of this run.
#include "pages/StateFile.h"

#include "PagesTestSupport.h"
#include "ReadOnlyFolder.h"

#include <gtest/gtest.h>

namespace {

namespace fs = std::filesystem;
using pages::LoadState;
using pages::PageHistory;
using pages::SaveState;
using pages::StateFileOutcome;
using pages_test::FakePlot;
using pages_test::ReadBytes;
using pages_test::StepClock;
using pages_test::TempFolder;

void Commit(PageHistory& history, FakePlot& plot, int n, const std::string& annotation) {
    plot.Paint(platform::RgbOf(n * 30, 200, 255 - n * 30));
    history.RecordResult(true, 0.5 * n, 260.0 + n, 0.1 * n);
    history.CommitPage(52, 20, 8.0);
    history.SetPageAnnotation(0, annotation);
}

TEST(StateFileReadOnly, ReadOnlyDataFolderReportsTheSaveErrorAndLosesNothing) {
    TempFolder folder;
    PageHistory history(StepClock(46364.25));
    FakePlot plot(24, 12);
    history.SetPlotSnapshot(&plot);
    Commit(history, plot, 1, "Dial Up");
    Commit(history, plot, 2, "Dial Down");
    ASSERT_TRUE(SaveState(history, folder.Path()).Done);
    const fs::path statePath = folder.Path() / "State.tkr";
    const auto savedState = ReadBytes(statePath);
    const auto savedPicture = ReadBytes(folder.Path() / "2.png");

    Commit(history, plot, 3, "Crown Up");
    history.SetPageAnnotation(1, "Crown Left"); // the oldest page
    {
        pages_test::ReadOnlyFolder readOnly(folder.Path());
        if (!readOnly.Effective())
            GTEST_SKIP() << "the folder could not be made read-only here";
        const StateFileOutcome saved = SaveState(history, folder.Path());
        EXPECT_FALSE(saved.Done);
        EXPECT_EQ(saved.ErrorMessage, "Unable to save state to \"" + statePath.string() + "\".");
    }
    // Nothing lost: the file of the last save is whole, this run's pages are all here and
    // still count as changed, so the next close tries again.
    EXPECT_EQ(ReadBytes(statePath), savedState);
    EXPECT_EQ(ReadBytes(folder.Path() / "2.png"), savedPicture);
    EXPECT_FALSE(fs::exists(folder.Path() / "3.png"));
    EXPECT_TRUE(history.PagesChanged());
    ASSERT_EQ(history.PageCount(), 3);
    EXPECT_EQ(history.GetPage(1).Annotation, "Crown Left");
    EXPECT_EQ(history.GetPage(3).Annotation, "Crown Up");

    // Writable again, the same history saves and comes back whole.
    ASSERT_TRUE(SaveState(history, folder.Path()).Done);
    PageHistory fresh;
    FakePlot freshPlot(24, 12);
    fresh.SetPlotSnapshot(&freshPlot);
    ASSERT_TRUE(LoadState(fresh, folder.Path()).Done);
    ASSERT_EQ(fresh.PageCount(), 3);
    EXPECT_EQ(fresh.GetPage(1).Annotation, "Crown Left");
    EXPECT_EQ(fresh.GetPage(2).Annotation, "Dial Down");
    EXPECT_EQ(fresh.GetPage(3).Annotation, "Crown Up");
    EXPECT_EQ(*fresh.GetPage(3).Image, *history.GetPage(3).Image);
}

TEST(StateFileReadOnly, ReadOnlyStateFileStillLoads) {
    // The state file is opened for reading only, so pages the user may not overwrite still
    // load; the save at close then reports its own error.
    TempFolder folder;
    PageHistory history(StepClock(46364.25));
    FakePlot plot(24, 12);
    history.SetPlotSnapshot(&plot);
    Commit(history, plot, 1, "Dial Up");
    ASSERT_TRUE(SaveState(history, folder.Path()).Done);

    pages_test::ReadOnlyFolder readOnly(folder.Path());
    if (!readOnly.Effective())
        GTEST_SKIP() << "the folder could not be made read-only here";
    PageHistory fresh;
    FakePlot freshPlot(24, 12);
    fresh.SetPlotSnapshot(&freshPlot);
    const StateFileOutcome loaded = LoadState(fresh, folder.Path());
    EXPECT_TRUE(loaded.Done);
    EXPECT_EQ(loaded.ErrorMessage, "");
    ASSERT_EQ(fresh.PageCount(), 1);
    EXPECT_EQ(fresh.GetPage(1).Annotation, "Dial Up");
}

} // namespace
