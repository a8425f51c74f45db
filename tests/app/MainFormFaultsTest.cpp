// The main window when things fail around it: the audio device, the data folder, the disk.
// Each time the user gets a message, no page is lost that could be kept, and the window
// goes on working.
#include "MainFormFixture.h"

#include "audio/RecordingInput.h"
#include "tests/support/FullDisk.h"
#include "tools/SoundFileReader.h"

#include <QCoreApplication>
#include <QThread>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

namespace tickora::testing {

namespace {

namespace fs = std::filesystem;
using S = MeasurementState;

std::vector<char> FileBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class MainFormFaultsTest : public MainFormTest {
protected:
    // A test run to its first results, then stopped: one more page.
    void MeasureOnePage() {
        const int before = pages_->PageCount();
        StartAndCalibrate();
        FeedWatchFor(3);
        Key(vk::Escape);
        ASSERT_EQ(pages_->PageCount(), before + 1);
    }
    void Reopen() {
        form_.reset();
        pages_ = std::make_unique<pages::PageHistory>([] { return 45366.6; });
        Open();
    }
};

} // namespace

TEST_F(MainFormFaultsTest, ADeviceFailingMidTestKeepsThePageAndStartsAgain) {
    Open();
    StartAndCalibrate();
    FeedWatchFor(3);
    Input().Fail(9);
    QCoreApplication::processEvents();
    EXPECT_EQ(State(), S::Idle);
    ASSERT_EQ(pages_->PageCount(), 1);
    EXPECT_TRUE(pages_->GetPage(1).Valid);
    EXPECT_EQ(Form().PageIndex(), 1);
    EXPECT_EQ(LastMessage(), "Device unavailable. Error while recording audio.");
    EXPECT_EQ(Messages(), 1);
    EXPECT_TRUE(Form().Toolbar().Enabled(ToolbarButton::Start));
    EXPECT_FALSE(Form().Toolbar().Enabled(ToolbarButton::Stop));

    // The device is back: the next test runs as usual.
    StartAndCalibrate();
    FeedWatchFor(3);
    Key(vk::Escape);
    EXPECT_EQ(pages_->PageCount(), 2);
    EXPECT_EQ(Messages(), 1);
}

TEST_F(MainFormFaultsTest, AVanishedDeviceEndsALongTermTestWithItsPage) {
    Open();
    Key(vk::L);
    FeedUntilStateLeaves(S::Calibrating);
    ASSERT_EQ(State(), S::Testing);
    FeedWatchFor(33); // past the first chart point
    ASSERT_FALSE(Form().AwaitingFirstChartPoint());
    Input().Fail(9, true);
    QCoreApplication::processEvents();
    EXPECT_EQ(State(), S::Idle);
    EXPECT_FALSE(Form().LongTermActive());
    ASSERT_EQ(pages_->PageCount(), 1);
    EXPECT_TRUE(pages_->GetPage(1).LongTerm);
    EXPECT_EQ(LastMessage(), "Device unavailable. Error while recording audio.");

    // Start finds the device gone, says so and stays idle, over the page it kept.
    const std::string rate = LabelText(Form().Layout().RateErrorLabel());
    const std::string parameters = LabelText(Form().Layout().ParametersLabel());
    ASSERT_FALSE(rate.empty());
    Key(vk::Space);
    EXPECT_EQ(State(), S::Idle);
    EXPECT_EQ(LastMessage(), "Device unavailable. Error while starting audio capture.");
    EXPECT_EQ(Messages(), 2);
    EXPECT_EQ(Form().PageIndex(), 1);
    EXPECT_EQ(LabelText(Form().Layout().RateErrorLabel()), rate);
    EXPECT_EQ(LabelText(Form().Layout().ParametersLabel()), parameters);
}

TEST_F(MainFormFaultsTest, ADeviceFailingBeforeAnyResultEndsWithoutAPage) {
    Open();
    Key(vk::Space);
    FeedWatchFor(1);
    ASSERT_EQ(State(), S::Calibrating);
    Input().Fail(9);
    QCoreApplication::processEvents();
    EXPECT_EQ(State(), S::Idle);
    EXPECT_EQ(pages_->PageCount(), 0);
    EXPECT_EQ(LastMessage(), "Device unavailable. Error while recording audio.");

    Key(vk::S);
    ASSERT_EQ(State(), S::Scope);
    FeedWatch();
    Input().Fail(9);
    QCoreApplication::processEvents();
    EXPECT_EQ(State(), S::Idle);
    EXPECT_TRUE(Form().ScopeShownLast());
    EXPECT_EQ(pages_->PageCount(), 0);
    EXPECT_EQ(Messages(), 2);
}

TEST_F(MainFormFaultsTest, ABufferThatCannotBeQueuedAgainEndsTheTestWithItsPage) {
    ScriptedInput::Failures failures;
    failures.addCall = 200; // well into the test: 20 at open, then one per buffer
    inputs_.SetFailures(failures);
    Open();
    StartAndCalibrate();
    FeedUntilStateLeaves(S::Testing);
    EXPECT_EQ(State(), S::Idle);
    EXPECT_EQ(pages_->PageCount(), 1);
    EXPECT_EQ(LastMessage(), "Device unavailable. Error while adding audio buffer.");
    EXPECT_EQ(Messages(), 1);
}

TEST_F(MainFormFaultsTest, ADataFolderThatCannotBeMadeLosesNothingButTheSaveAndSaysSo) {
    // The data folder's parent is a file, so the folder can never be made (even by root).
    const std::string blocked = dataDir_->path().toStdString() + "/blocked";
    std::ofstream(blocked) << "x";
    setenv("XDG_DATA_HOME", blocked.c_str(), 1);
    Open();
    EXPECT_EQ(Messages(), 0); // nothing to load is no error
    MeasureOnePage();
    StartAndCalibrate(); // the window goes on measuring
    FeedWatchFor(3);
    Form().close();
    EXPECT_EQ(pages_->PageCount(), 2);
    EXPECT_TRUE(pages_->PagesChanged());
    EXPECT_EQ(LastMessage(), "Unable to save state to \"" + blocked + "/Tickora/State.tkr\".");
    // Before it, once for both tests: their sound could not be recorded.
    EXPECT_EQ(Messages(), 2);
    EXPECT_EQ(dialogs_.WaitCursorDepth(), 0);
}

TEST_F(MainFormFaultsTest, ADataFolderRemovedWhileRunningIsMadeAgainAtClose) {
    Open();
    MeasureOnePage();
    Form().close();
    Reopen();
    ASSERT_EQ(pages_->PageCount(), 1);
    fs::remove_all(DataFolderPath());
    MeasureOnePage();
    Form().close();
    EXPECT_EQ(Messages(), 0);
    Reopen();
    EXPECT_EQ(pages_->PageCount(), 2);
    EXPECT_EQ(Messages(), 0);
}

TEST_F(MainFormFaultsTest, ADamagedStateFileIsReportedAndKeptUntilThePagesChange) {
    Open();
    MeasureOnePage();
    MeasureOnePage();
    Form().close();
    const fs::path state = DataFolderPath() + "/State.tkr";
    std::vector<char> bytes = FileBytes(state);
    bytes.resize(bytes.size() - 3); // cut inside the second page's annotation length
    std::ofstream(state, std::ios::binary | std::ios::trunc).write(bytes.data(), bytes.size());

    Reopen();
    EXPECT_EQ(LastMessage(), "Error while loading saved state from \"" + state.string() + "\".");
    EXPECT_EQ(pages_->PageCount(), 1); // the page read whole
    EXPECT_EQ(Form().PageIndex(), 1);
    Form().close();
    EXPECT_EQ(FileBytes(state), bytes); // unchanged pages: the damaged file stays for rescue

    Reopen();
    MeasureOnePage();
    Form().close();
    EXPECT_EQ(Messages(), 2);
    Reopen();
    EXPECT_EQ(pages_->PageCount(), 2);
    EXPECT_EQ(Messages(), 2);
}

TEST_F(MainFormFaultsTest, AFullDiskAtCloseKeepsTheSavedStateWhole) {
    Open();
    MeasureOnePage();
    Form().close();
    const fs::path folder = DataFolderPath();
    const std::vector<char> state = FileBytes(folder / "State.tkr");
    const std::vector<char> picture = FileBytes(folder / "1.png");
    ASSERT_FALSE(state.empty());
    ASSERT_FALSE(picture.empty());

    Reopen();
    pages_->SetPageAnnotation(1, "Dial Up");
    MeasureOnePage();
    {
        const FullDisk full(64); // bytes
        Form().close();
    }
    EXPECT_EQ(LastMessage(),
              "Error while saving state to \"" + (folder / "State.tkr").string() + "\".");
    EXPECT_TRUE(pages_->PagesChanged());
    EXPECT_EQ(FileBytes(folder / "State.tkr"), state);
    EXPECT_EQ(FileBytes(folder / "1.png"), picture);
    for (const auto& entry : fs::directory_iterator(folder))
        EXPECT_EQ(entry.path().filename().string().find(".new-"), std::string::npos)
            << entry.path();

    // With room again the next close saves both pages.
    Form().FormClose();
    Reopen();
    ASSERT_EQ(pages_->PageCount(), 2);
    EXPECT_EQ(pages_->GetPage(1).Annotation, "Dial Up");
}

// A recording that ends in the middle of a test: silence follows it, and the test ends as
// after any ten seconds without a tick, keeping its result. The recording plays in real
// time, so this test takes some fifteen seconds.
TEST_F(MainFormFaultsTest, ARecordingThatEndsMidTestStopsAfterTenSilentSecondsWithItsPage) {
    // A WAV file whose header promises a minute of sound but holds four and a half seconds,
    // as a copy cut short would.
    const std::string path = dataDir_->path().toStdString() + "/cut.wav";
    {
        synth::WatchSynthesiser watch(watch_);
        std::vector<std::int16_t> sound(4 * 44100 + 22050);
        watch.Generate(sound.data(), sound.size());
        const std::uint32_t promised = 60 * 44100 * 2; // bytes
        std::ofstream out(path, std::ios::binary);
        auto u32 = [&](std::uint32_t v) {
            for (int i = 0; i < 4; ++i)
                out.put(static_cast<char>(v >> (8 * i)));
        };
        auto u16 = [&](std::uint16_t v) {
            out.put(static_cast<char>(v));
            out.put(static_cast<char>(v >> 8));
        };
        out.write("RIFF", 4);
        u32(36 + promised);
        out.write("WAVEfmt ", 8);
        u32(16);
        u16(1);
        u16(1);
        u32(44100);
        u32(44100 * 2);
        u16(2);
        u16(16);
        out.write("data", 4);
        u32(promised);
        for (const std::int16_t sample : sound)
            u16(static_cast<std::uint16_t>(sample));
    }
    class RecordingCatalog : public InputCatalog {
    public:
        explicit RecordingCatalog(std::string file) : file_(std::move(file)) {}
        int ListInputs(std::vector<std::string>& names) override {
            names.push_back("Recording: cut.wav");
            return 0;
        }
        std::unique_ptr<AudioInput> CreateInput(int) override {
            return std::make_unique<RecordingInput>(file_);
        }

    private:
        std::string file_;
    } recordings(path);

    settings_.record.Settling = 2;
    settings_.record.InputDevice = 0;
    form_ = std::make_unique<TMainForm>(
        TMainFormServices{dialogs_, *analysis_, *pages_, longTerm_, recordings});
    form_->SetSettings(&settings_);
    form_->show();
    form_->FormActivate();
    ASSERT_TRUE(Form().AudioCapture().IsOpen()) << LastMessage();

    Key(vk::Space);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(40);
    bool tested = false;
    while (State() != S::Idle && std::chrono::steady_clock::now() < deadline) {
        QCoreApplication::processEvents();
        tested = tested || State() == S::Testing;
        QThread::msleep(5);
    }
    EXPECT_TRUE(tested);
    EXPECT_EQ(State(), S::Idle);
    EXPECT_EQ(Messages(), 0) << LastMessage();
    ASSERT_EQ(pages_->PageCount(), 1);
    const pages::TPageInfo page = pages_->GetPage(1);
    EXPECT_TRUE(page.Valid);
    EXPECT_EQ(page.BeatsPerSecond, 8.0);
    EXPECT_NEAR(page.DailyRate, watch_.rate, 10.0); // s/d, over two seconds of ticks
}

} // namespace tickora::testing

namespace tickora::testing {
namespace {

// The page keeps the sound the analysis had, every buffer of it. Then a disk that fills up
// during a test stops the recording with one message, told after the buffer so that the test
// runs on; its page is made without a sound and the recording leaves nothing behind.
TEST_F(MainFormFaultsTest, APageKeepsItsSoundAndAFullDiskOnlyStopsTheRecording) {
    Open();
    MeasureOnePage();
    const std::string sound = pages_->GetPage(1).Sound;
    ASSERT_NE(sound, "");
    tools::SoundFileReader reader;
    ASSERT_TRUE(reader.Open(sound)) << reader.Error();
    EXPECT_EQ(reader.SourceFrames() % 4096, 0);
    EXPECT_GE(reader.SourceFrames(), 8 * 44100 - 4096); // 5 s of calibration, 3 s of test

    StartAndCalibrate();
    {
        const FullDisk full(64 * 1024); // bytes: the recording outgrows them at once
        FeedWatchFor(3);
    }
    QCoreApplication::processEvents();
    EXPECT_EQ(State(), S::Testing);
    ASSERT_EQ(Messages(), 1);
    EXPECT_EQ(LastMessage().rfind(
                  "The sound of this test cannot be recorded in " + DataFolderPath() + " (", 0),
              0u)
        << LastMessage();
    FeedWatchFor(2);
    Key(vk::Escape);
    ASSERT_EQ(pages_->PageCount(), 2);
    EXPECT_EQ(pages_->GetPage(2).Sound, "");
    EXPECT_EQ(Messages(), 1);
    for (const auto& entry : fs::directory_iterator(DataFolderPath()))
        EXPECT_EQ(entry.path().filename().string().rfind("Recording", 0), std::string::npos)
            << entry.path();
    Form().close();
    EXPECT_EQ(Messages(), 1);
    EXPECT_TRUE(fs::exists(DataFolderPath() + "/1.flac"));
    EXPECT_FALSE(fs::exists(DataFolderPath() + "/2.flac"));
}

} // namespace
} // namespace tickora::testing
