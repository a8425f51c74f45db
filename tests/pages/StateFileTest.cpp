#include "pages/StateFile.h"
#include "pages/BinaryIO.h"

#include "PagesTestSupport.h"
#include "tests/support/FullDisk.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

using pages::LoadState;
using pages::PageHistory;
using pages::SaveState;
using pages::StateFileOutcome;
using pages::TPageInfo;
using pages_test::FakePlot;
using pages_test::ReadBytes;
using pages_test::StepClock;
using pages_test::TempFolder;
using pages_test::WriteBytes;

namespace fs = std::filesystem;

namespace {

constexpr double kStart = 46364.25;

class StateFileTest : public ::testing::Test {
protected:
    StateFileTest() : history(StepClock(kStart)), plot(32, 16) { history.SetPlotSnapshot(&plot); }

    fs::path StatePath() const { return folder.Path() / "State.tkr"; }

    void Commit(int n, const std::string& annotation) {
        plot.Paint(platform::RgbOf(n * 20, 255 - n * 20, n));
        plot.plot.SetPixel(n, n, platform::kBlack);
        history.RecordResult(n % 3 != 0, 0.5 * n, 250.0 + n, 0.1 * n);
        history.CommitPage(40 + n, 10 * n, 5.0 + n);
        history.SetPageAnnotation(0, annotation);
    }

    // A fresh history, as at the next start of the program, loading from the folder.
    StateFileOutcome Reload(PageHistory& fresh, FakePlot& freshPlot) {
        fresh.SetPlotSnapshot(&freshPlot);
        return LoadState(fresh, folder.Path());
    }

    TempFolder folder;
    PageHistory history;
    FakePlot plot;
};

void ExpectSamePage(const TPageInfo& a, const TPageInfo& b) {
    EXPECT_EQ(a.Annotation, b.Annotation);
    EXPECT_EQ(a.DailyRate, b.DailyRate);
    EXPECT_EQ(a.Amplitude, b.Amplitude);
    EXPECT_EQ(a.BeatError, b.BeatError);
    EXPECT_EQ(a.Valid, b.Valid);
    EXPECT_EQ(a.Complete, b.Complete);
    EXPECT_EQ(a.LongTerm, b.LongTerm);
    EXPECT_EQ(a.BeatsPerSecond, b.BeatsPerSecond);
    EXPECT_EQ(a.LiftAngle, b.LiftAngle);
    EXPECT_EQ(a.AveragingPeriod, b.AveragingPeriod);
    EXPECT_EQ(a.Timestamp, b.Timestamp);
    ASSERT_NE(a.Image, nullptr);
    ASSERT_NE(b.Image, nullptr);
    EXPECT_EQ(*a.Image, *b.Image);
}

} // namespace

TEST_F(StateFileTest, ZeroPagesAreEightBytes) {
    history.ResetPages();
    const StateFileOutcome saved = SaveState(history, folder.Path());
    EXPECT_TRUE(saved.Done);
    EXPECT_EQ(saved.ErrorMessage, "");
    EXPECT_EQ(ReadBytes(StatePath()), (std::vector<std::uint8_t>{3, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_FALSE(history.PagesChanged());

    PageHistory fresh;
    FakePlot freshPlot(32, 16);
    const StateFileOutcome loaded = Reload(fresh, freshPlot);
    EXPECT_TRUE(loaded.Done);
    EXPECT_EQ(loaded.ErrorMessage, "");
    EXPECT_EQ(fresh.PageCount(), 0);
}

TEST_F(StateFileTest, UnchangedHistoryIsNotSaved) {
    const StateFileOutcome outcome = SaveState(history, folder.Path());
    EXPECT_FALSE(outcome.Done);
    EXPECT_FALSE(fs::exists(StatePath()));
}

TEST_F(StateFileTest, DialUpPageHasAnnotationLengthSeven) {
    Commit(1, "Dial Up");
    ASSERT_TRUE(SaveState(history, folder.Path()).Done);
    const auto bytes = ReadBytes(StatePath());
    ASSERT_EQ(bytes.size(), 8u + 60 + 7);
    EXPECT_EQ(bytes[4], 1);
    EXPECT_EQ(bytes[8 + 56], 7);
    EXPECT_EQ(std::string(bytes.begin() + 68, bytes.end()), "Dial Up");
    EXPECT_TRUE(fs::exists(folder.Path() / "1.png"));
}

TEST_F(StateFileTest, TenPagesAndTheirPicturesRoundTrip) {
    for (int n = 1; n <= 12; ++n) {
        Commit(n, n % 2 == 0 ? "Crown Left" : "note \u00E9 " + std::to_string(n));
    }
    history.CommitLongTermPage(52, 30, 8.0);
    // An image file of a page number above the count, left from an earlier save, is ignored.
    platform::Image(5, 5).SavePng((folder.Path() / "11.png").string());

    ASSERT_TRUE(SaveState(history, folder.Path()).Done);
    EXPECT_FALSE(history.PagesChanged());
    for (int n = 1; n <= 10; ++n) {
        EXPECT_TRUE(fs::exists(folder.Path() / (std::to_string(n) + ".png"))) << n;
    }
    // Only the state file and the pictures are left in the folder.
    EXPECT_EQ(std::distance(fs::directory_iterator(folder.Path()), fs::directory_iterator()), 12);

    PageHistory fresh;
    FakePlot freshPlot(32, 16);
    const StateFileOutcome loaded = Reload(fresh, freshPlot);
    EXPECT_TRUE(loaded.Done);
    EXPECT_EQ(loaded.ErrorMessage, "");
    EXPECT_FALSE(fresh.PagesChanged());
    ASSERT_EQ(fresh.PageCount(), 10);
    for (int n = 1; n <= 10; ++n) {
        SCOPED_TRACE(n);
        ExpectSamePage(fresh.GetPage(n), history.GetPage(n));
    }
    EXPECT_TRUE(fresh.GetPage(10).LongTerm);

    // Loaded and unchanged: nothing is written at exit.
    const auto before = fs::last_write_time(StatePath());
    EXPECT_FALSE(SaveState(fresh, folder.Path()).Done);
    EXPECT_EQ(fs::last_write_time(StatePath()), before);
}

TEST_F(StateFileTest, PictureKeepsTheSizeOfItsFile) {
    Commit(1, "");
    ASSERT_TRUE(SaveState(history, folder.Path()).Done);
    PageHistory fresh;
    FakePlot largerPlot(64, 40); // the plot is bigger at the next start
    ASSERT_TRUE(Reload(fresh, largerPlot).Done);
    EXPECT_EQ(fresh.GetPage(1).Image->Width(), 32);
    EXPECT_EQ(fresh.GetPage(1).Image->Height(), 16);
}

TEST_F(StateFileTest, MissingPictureLeavesABlankOneAndLoadsTheRest) {
    for (int n = 1; n <= 3; ++n) {
        Commit(n, "page " + std::to_string(n));
    }
    ASSERT_TRUE(SaveState(history, folder.Path()).Done);
    fs::remove(folder.Path() / "2.png");
    WriteBytes(folder.Path() / "3.png", {0x89, 'P', 'N', 'G', 1, 2, 3}); // damaged

    PageHistory fresh;
    FakePlot freshPlot(32, 16);
    const StateFileOutcome loaded = Reload(fresh, freshPlot);
    EXPECT_TRUE(loaded.Done);
    EXPECT_EQ(loaded.ErrorMessage, "");
    ASSERT_EQ(fresh.PageCount(), 3);
    for (int n : {2, 3}) {
        const TPageInfo page = fresh.GetPage(n);
        EXPECT_EQ(page.Annotation, "page " + std::to_string(n));
        EXPECT_EQ(page.DailyRate, 0.5 * n);
        EXPECT_EQ(page.LiftAngle, 40 + n);
        ASSERT_NE(page.Image, nullptr);
        EXPECT_EQ(*page.Image, platform::Image(32, 16, platform::kWhite));
    }
    EXPECT_EQ(*fresh.GetPage(1).Image, *history.GetPage(1).Image);
}

TEST_F(StateFileTest, WrongVersionIsIgnoredSilently) {
    std::vector<std::uint8_t> bytes{4, 0, 0, 0, 1, 0, 0, 0};
    pages_test::AppendEntry(bytes, 1, "x");
    WriteBytes(StatePath(), bytes);

    PageHistory fresh;
    FakePlot freshPlot(32, 16);
    const StateFileOutcome loaded = Reload(fresh, freshPlot);
    EXPECT_FALSE(loaded.Done);
    EXPECT_EQ(loaded.ErrorMessage, "");
    EXPECT_EQ(fresh.PageCount(), 0);

    // Overwritten at exit only when pages were committed meanwhile.
    EXPECT_FALSE(SaveState(fresh, folder.Path()).Done);
    EXPECT_EQ(ReadBytes(StatePath()), bytes);
    fresh.RecordResult(true, 1, 2, 3);
    fresh.CommitPage(52, 20, 8);
    EXPECT_TRUE(SaveState(fresh, folder.Path()).Done);
    EXPECT_EQ(ReadBytes(StatePath())[0], 3);
}

TEST_F(StateFileTest, MissingOrShortFileLoadsNothingSilently) {
    PageHistory fresh;
    FakePlot freshPlot(32, 16);
    StateFileOutcome loaded = Reload(fresh, freshPlot);
    EXPECT_FALSE(loaded.Done);
    EXPECT_EQ(loaded.ErrorMessage, "");

    WriteBytes(StatePath(), {3, 0});
    loaded = Reload(fresh, freshPlot);
    EXPECT_FALSE(loaded.Done);
    EXPECT_EQ(loaded.ErrorMessage, "");
}

TEST_F(StateFileTest, FileCutInsideTheThirdEntryReportsTheLoadError) {
    for (int n = 1; n <= 4; ++n) {
        Commit(n, "p" + std::to_string(n));
    }
    ASSERT_TRUE(SaveState(history, folder.Path()).Done);
    auto bytes = ReadBytes(StatePath());
    bytes.resize(8 + 2 * 62 + 30);
    WriteBytes(StatePath(), bytes);

    PageHistory fresh;
    FakePlot freshPlot(32, 16);
    const StateFileOutcome loaded = Reload(fresh, freshPlot);
    EXPECT_FALSE(loaded.Done);
    EXPECT_EQ(loaded.ErrorMessage,
              "Error while loading saved state from \"" + StatePath().string() + "\".");
    // The pages read whole stay, with their pictures; the damaged file is not rewritten
    // unless the pages change.
    ASSERT_EQ(fresh.PageCount(), 2);
    ExpectSamePage(fresh.GetPage(2), history.GetPage(2));
    EXPECT_FALSE(fresh.PagesChanged());
    EXPECT_FALSE(SaveState(fresh, folder.Path()).Done);

    // The history is still usable and savable.
    fresh.SetPageAnnotation(1, "Dial Down");
    ASSERT_TRUE(SaveState(fresh, folder.Path()).Done);
    PageHistory again;
    FakePlot againPlot(32, 16);
    again.SetPlotSnapshot(&againPlot);
    ASSERT_TRUE(LoadState(again, folder.Path()).Done);
    EXPECT_EQ(again.PageCount(), 2);
    EXPECT_EQ(again.GetPage(1).Annotation, "Dial Down");
}

TEST_F(StateFileTest, CountAboveTenIsALoadError) {
    std::vector<std::uint8_t> bytes{3, 0, 0, 0, 11, 0, 0, 0};
    for (int i = 1; i <= 11; ++i) {
        pages_test::AppendEntry(bytes, static_cast<std::uint8_t>(i), "p");
    }
    WriteBytes(StatePath(), bytes);
    PageHistory fresh;
    FakePlot freshPlot(32, 16);
    const StateFileOutcome loaded = Reload(fresh, freshPlot);
    EXPECT_NE(loaded.ErrorMessage, "");
    EXPECT_EQ(fresh.PageCount(), 0);
}

TEST_F(StateFileTest, FolderThatCannotBeMadeReportsUnableToSave) {
    WriteBytes(folder.Path() / "plain-file", {1});
    const fs::path dataFolder = folder.Path() / "plain-file" / "Tickora";
    Commit(1, "");
    const StateFileOutcome saved = SaveState(history, dataFolder);
    EXPECT_FALSE(saved.Done);
    EXPECT_EQ(saved.ErrorMessage,
              "Unable to save state to \"" + (dataFolder / "State.tkr").string() + "\".");
    EXPECT_TRUE(history.PagesChanged());
}

TEST_F(StateFileTest, FailedSaveKeepsThePreviousState) {
    Commit(1, "kept 1");
    Commit(2, "kept 2");
    ASSERT_TRUE(SaveState(history, folder.Path()).Done);
    const auto oldState = ReadBytes(StatePath());
    const auto oldPicture = ReadBytes(folder.Path() / "1.png");

    Commit(3, "new");
    history.SetPageAnnotation(1, "changed");
    // Files left under the names of new files by another program are no obstacle and stay.
    fs::create_directory(folder.Path() / "2.png.new");
    WriteBytes(folder.Path() / "State.tkr.new", {1, 2, 3});
    StateFileOutcome saved;
    {
        // The disk fills while the new files are written.
        const tickora::testing::FullDisk full(64); // bytes
        saved = SaveState(history, folder.Path());
    }
    EXPECT_FALSE(saved.Done);
    EXPECT_EQ(saved.ErrorMessage, "Error while saving state to \"" + StatePath().string() + "\".");
    EXPECT_TRUE(history.PagesChanged());
    EXPECT_EQ(ReadBytes(StatePath()), oldState);
    EXPECT_EQ(ReadBytes(folder.Path() / "1.png"), oldPicture);
    // Nothing written is left behind.
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder.Path())) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"1.png", "2.png", "2.png.new", "State.tkr",
                                               "State.tkr.new"}));

    // With room again the next save succeeds beside the stale files.
    ASSERT_TRUE(SaveState(history, folder.Path()).Done);
    EXPECT_EQ(ReadBytes(folder.Path() / "State.tkr.new"), (std::vector<std::uint8_t>{1, 2, 3}));
    PageHistory fresh;
    FakePlot freshPlot(32, 16);
    ASSERT_TRUE(Reload(fresh, freshPlot).Done);
    EXPECT_EQ(fresh.PageCount(), 3);
    EXPECT_EQ(fresh.GetPage(1).Annotation, "changed");
}

TEST_F(StateFileTest, StateFileThatCannotBeReplacedReportsTheSaveError) {
    fs::create_directory(StatePath());
    Commit(1, "");
    const StateFileOutcome saved = SaveState(history, folder.Path());
    EXPECT_EQ(saved.ErrorMessage, "Error while saving state to \"" + StatePath().string() + "\".");
    EXPECT_TRUE(history.PagesChanged());
    EXPECT_TRUE(fs::is_directory(StatePath()));
}

TEST(StateFileFixture, FileOfThisVersionStillLoads) {
    const char* source = std::getenv("TICKORA_SOURCE_DIR");
    ASSERT_NE(source, nullptr);
    const fs::path fixtures = fs::path(source) / "tests" / "pages" / "fixtures";
    PageHistory history;
    FakePlot plot(32, 16);
    history.SetPlotSnapshot(&plot);
    const StateFileOutcome loaded = LoadState(history, fixtures);
    ASSERT_TRUE(loaded.Done) << loaded.ErrorMessage;
    ASSERT_EQ(history.PageCount(), 3);

    const TPageInfo first = history.GetPage(1);
    EXPECT_EQ(first.Annotation, "Dial Up");
    EXPECT_EQ(first.DailyRate, 2.5);
    EXPECT_EQ(first.Amplitude, 275.0);
    EXPECT_EQ(first.BeatError, 0.3);
    EXPECT_TRUE(first.Valid);
    EXPECT_TRUE(first.Complete);
    EXPECT_FALSE(first.LongTerm);
    EXPECT_EQ(first.BeatsPerSecond, 8.0);
    EXPECT_EQ(first.LiftAngle, 52);
    EXPECT_EQ(first.AveragingPeriod, 20);
    EXPECT_EQ(first.Timestamp, pages::TimestampOf(2026, 12, 8, 9, 25, 40));
    EXPECT_EQ(first.Image->Width(), 48);
    EXPECT_EQ(first.Image->Height(), 24);
    EXPECT_EQ(first.Image->Pixel(0, 0), platform::RgbOf(153, 0, 102));
    EXPECT_EQ(first.Image->Pixel(10, 12), platform::kBlack);

    EXPECT_EQ(history.GetPage(2).Annotation, "Gen\u00E8ve \u20AC");
    EXPECT_FALSE(history.GetPage(2).Complete);
    EXPECT_EQ(history.GetPage(2).DailyRate, -12.75);
    const TPageInfo third = history.GetPage(3);
    EXPECT_EQ(third.Annotation, "");
    EXPECT_TRUE(third.LongTerm);
    EXPECT_EQ(third.BeatsPerSecond, 6.0);
    EXPECT_EQ(third.Image->Pixel(47, 23), platform::RgbOf(51, 51, 204));
}

namespace {

// Each page's sound is a small file holding its commit number, made where the program makes
// one; every third page has none, as after a recording that failed.
class NumberedSounds : public pages::PageSoundSource {
public:
    explicit NumberedSounds(fs::path folder) : folder_(std::move(folder)) {}
    std::string TakePageSound() override {
        ++made_;
        if (made_ % 3 == 0)
            return {};
        const std::string path = pages::NewPageSoundFile(folder_);
        WriteBytes(path, {static_cast<std::uint8_t>(made_)});
        return path;
    }

private:
    fs::path folder_;
    int made_ = 0;
};

} // namespace

// The sounds move with the pages exactly as the pictures do: twelve commits keep the last ten,
// page i's sound is i.flac, a page without one leaves no older page's file at its number,
// nothing unsaved stays behind, and a reload finds each page's sound again.
TEST_F(StateFileTest, PageSoundsMoveWithTheirPages) {
    NumberedSounds sounds(folder.Path());
    history.SetSoundSource(&sounds);
    for (int n = 1; n <= 2; ++n)
        Commit(n, "");
    ASSERT_TRUE(SaveState(history, folder.Path()).Done); // 1.flac and 2.flac of commits 1, 2
    for (int n = 3; n <= 12; ++n)
        Commit(n, "");
    ASSERT_TRUE(SaveState(history, folder.Path()).Done);
    for (int page = 1; page <= 10; ++page) {
        const int made = page + 2;
        const fs::path sound = folder.Path() / (std::to_string(page) + ".flac");
        if (made % 3 == 0) {
            EXPECT_FALSE(fs::exists(sound)) << page;
            EXPECT_EQ(history.GetPage(page).Sound, "") << page;
        } else {
            EXPECT_EQ(ReadBytes(sound),
                      (std::vector<std::uint8_t>{static_cast<std::uint8_t>(made)}))
                << page;
            EXPECT_EQ(history.GetPage(page).Sound, sound.string());
        }
    }
    for (const auto& entry : fs::directory_iterator(folder.Path())) {
        const std::string name = entry.path().filename().string();
        EXPECT_EQ(name.find("Sound.flac"), std::string::npos) << name;
        EXPECT_EQ(name.find(".new-"), std::string::npos) << name;
    }

    PageHistory fresh;
    FakePlot freshPlot(32, 16);
    ASSERT_TRUE(Reload(fresh, freshPlot).Done);
    for (int page = 1; page <= 10; ++page)
        EXPECT_EQ(fresh.GetPage(page).Sound, history.GetPage(page).Sound) << page;

    // Fewer pages: the sounds above them go with them.
    history.ResetPages();
    Commit(13, "");
    ASSERT_TRUE(SaveState(history, folder.Path()).Done);
    EXPECT_TRUE(fs::exists(folder.Path() / "1.flac"));
    for (int page = 2; page <= 10; ++page)
        EXPECT_FALSE(fs::exists(folder.Path() / (std::to_string(page) + ".flac"))) << page;
    history.SetSoundSource(nullptr);
}
