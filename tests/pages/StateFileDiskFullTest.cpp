// Saving the state on a full disk: whichever file the disk runs out on, the state saved
// before stays whole, the history stays changed, and the next save with room succeeds.
#include "pages/StateFile.h"

#include "PagesTestSupport.h"
#include "tests/support/FullDisk.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using pages::PageHistory;
using pages::SaveState;
using pages_test::FakePlot;
using pages_test::ReadBytes;
using pages_test::StepClock;
using pages_test::TempFolder;
using tickora::testing::FullDisk;

class StateFileDiskFullTest : public ::testing::Test {
protected:
    StateFileDiskFullTest() : history(StepClock(46364.25)), plot(32, 16) {
        history.SetPlotSnapshot(&plot);
    }

    void Commit(int n) {
        plot.Paint(platform::RgbOf(n * 20, 255 - n * 20, n));
        history.RecordResult(true, 0.5 * n, 250.0 + n, 0.1 * n);
        history.CommitPage(52, 20, 8.0);
        history.SetPageAnnotation(0, "Crown Left, page " + std::to_string(n));
    }

    std::vector<fs::path> Names() const {
        std::vector<fs::path> names;
        for (const auto& entry : fs::directory_iterator(folder.Path()))
            names.push_back(entry.path().filename());
        std::sort(names.begin(), names.end());
        return names;
    }

    TempFolder folder;
    PageHistory history;
    FakePlot plot;
};

TEST_F(StateFileDiskFullTest, TheOldStateSurvivesADiskThatFillsAtAnyFile) {
    Commit(1);
    Commit(2);
    ASSERT_TRUE(SaveState(history, folder.Path()).Done);
    const auto state = ReadBytes(folder.Path() / "State.tkr");
    const auto picture1 = ReadBytes(folder.Path() / "1.png");
    const auto picture2 = ReadBytes(folder.Path() / "2.png");
    const auto names = Names();
    const std::string message =
        "Error while saving state to \"" + (folder.Path() / "State.tkr").string() + "\".";
    ASSERT_LT(picture1.size(), 1000u);
    ASSERT_LT(state.size(), 1000u);

    Commit(3);
    Commit(4);
    // Room for nothing; then for the pictures (written first) but not the state behind them.
    for (const rlim_t room :
         {rlim_t{0}, rlim_t{40}, std::max(picture1.size(), picture2.size()) + 60}) {
        pages::StateFileOutcome saved;
        {
            const FullDisk full(room);
            saved = SaveState(history, folder.Path());
        }
        EXPECT_FALSE(saved.Done) << room;
        EXPECT_EQ(saved.ErrorMessage, message) << room;
        EXPECT_TRUE(history.PagesChanged()) << room;
        EXPECT_EQ(ReadBytes(folder.Path() / "State.tkr"), state) << room;
        EXPECT_EQ(ReadBytes(folder.Path() / "1.png"), picture1) << room;
        EXPECT_EQ(ReadBytes(folder.Path() / "2.png"), picture2) << room;
        EXPECT_EQ(Names(), names) << room; // no half-written file left behind
    }

    ASSERT_TRUE(SaveState(history, folder.Path()).Done);
    PageHistory fresh;
    FakePlot freshPlot(32, 16);
    fresh.SetPlotSnapshot(&freshPlot);
    ASSERT_TRUE(pages::LoadState(fresh, folder.Path()).Done);
    ASSERT_EQ(fresh.PageCount(), 4);
    EXPECT_EQ(fresh.GetPage(4).Annotation, "Crown Left, page 4");
}

} // namespace
