// A device that fails or goes away while it records: the owner hears of it once, after the
// buffers the device filled and before the message, and nothing waits for sound that will
// not come.
#include "audio/TAudio.h"
#include "audio/ThreadedInput.h"
#include "audio/testing/ScriptedInputs.h"
#include "platform/testing/FakeDialogs.h"
#include "platform/testing/TestApplication.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

using tickora::CaptureBuffer;
using tickora::TAudio;
using tickora::testing::ScriptedInput;
using tickora::testing::ScriptedInputs;

// What the owner saw, in order: "buffer N (bytes)" and "failed after K messages".
struct Owner {
    std::vector<std::string> events;
    const platform::testing::FakeDialogs* dialogs = nullptr;

    static void Deliver(void* owner, const CaptureBuffer& buffer) {
        static_cast<Owner*>(owner)->events.push_back("buffer " + std::to_string(buffer.number) +
                                                     " (" + std::to_string(buffer.bytesRecorded) +
                                                     ")");
    }
    static void Failed(void* owner) {
        auto* self = static_cast<Owner*>(owner);
        self->events.push_back("failed after " + std::to_string(self->dialogs->Messages().size()) +
                               " messages");
    }
};

std::vector<std::string> Texts(const platform::testing::FakeDialogs& dialogs) {
    std::vector<std::string> texts;
    for (const auto& message : dialogs.Messages()) {
        EXPECT_EQ(message.icon, platform::MessageIcon::Error);
        texts.push_back(message.text);
    }
    return texts;
}

class CaptureFailureTest : public ::testing::Test {
protected:
    CaptureFailureTest() {
        platform::testing::EnsureTestApplication();
        owner.dialogs = &dialogs;
        audio.SetFailureCallback(&Owner::Failed);
        inputs.SetErrorText("Device unplugged");
    }

    void Open() { audio.OpenDevice(0, 44100, &Owner::Deliver, &owner); }
    ScriptedInput& Input() { return *inputs.Current(); }
    static void Flush() { QCoreApplication::processEvents(); }

    platform::testing::FakeDialogs dialogs;
    ScriptedInputs inputs;
    TAudio audio{dialogs, inputs};
    Owner owner;
};

TEST_F(CaptureFailureTest, AFailingDeviceEndsRecordingAfterItsLastBuffer) {
    Open();
    ASSERT_TRUE(audio.StartCapture());
    Input().PushBuffers(2);
    const std::vector<std::int16_t> part(1000, 7);
    Input().Push(part, false); // half a buffer when the device fails
    Input().Fail(11);
    Flush();
    EXPECT_EQ(owner.events,
              (std::vector<std::string>{"buffer 1 (8192)", "buffer 2 (8192)", "buffer 3 (2000)",
                                        "failed after 0 messages"}));
    EXPECT_EQ(Texts(dialogs),
              std::vector<std::string>{"Device unplugged. Error while recording audio."});
    EXPECT_FALSE(Input().IsRecording());
    EXPECT_TRUE(audio.IsOpen());

    // The device came back: a new start records again.
    ASSERT_TRUE(audio.StartCapture());
    EXPECT_EQ(Input().PushBuffers(1), 1);
    Flush();
    EXPECT_EQ(owner.events.back(), "buffer 4 (8192)");
    EXPECT_EQ(dialogs.Messages().size(), 1u);
}

TEST_F(CaptureFailureTest, AVanishedDeviceRefusesTheNextStart) {
    Open();
    ASSERT_TRUE(audio.StartCapture());
    Input().PushBuffers(1);
    Input().Fail(12, true);
    Flush();
    EXPECT_FALSE(audio.StartCapture());
    EXPECT_EQ(Texts(dialogs),
              (std::vector<std::string>{"Device unplugged. Error while recording audio.",
                                        "Device unplugged. Error while starting audio capture."}));
    audio.StopCapture(true); // nothing to stop, nothing to report
    audio.CloseDevice();
    EXPECT_EQ(inputs.OpenInputs(), 0);
    EXPECT_EQ(inputs.PreparedBuffers(), 0);
    EXPECT_EQ(dialogs.Messages().size(), 2u);
}

TEST_F(CaptureFailureTest, ANoticeFromAClosedDeviceIsIgnored) {
    Open();
    ASSERT_TRUE(audio.StartCapture());
    Input().Fail(13); // posted, then the device closes before it is delivered
    audio.CloseDevice();
    Flush();
    Open();
    Flush();
    EXPECT_TRUE(owner.events.empty());
    EXPECT_TRUE(dialogs.Messages().empty());
}

TEST_F(CaptureFailureTest, ABufferThatCannotBeQueuedAgainEndsRecordingLikeAFailure) {
    inputs.SetFailures({.addCall = 21});
    Open();
    ASSERT_TRUE(audio.StartCapture());
    Input().PushBuffers(1);
    Flush();
    EXPECT_EQ(owner.events,
              (std::vector<std::string>{"buffer 1 (8192)", "failed after 0 messages"}));
    EXPECT_EQ(Texts(dialogs),
              std::vector<std::string>{"Device unplugged. Error while adding audio buffer."});
}

// A recording backend on its own thread whose reads fail from a given chunk on, as a sound
// card's do once it is pulled out.
class FailingCard final : public tickora::ThreadedInput {
public:
    FailingCard(std::shared_ptr<std::atomic<int>> failAt, int error)
        : failAt_(std::move(failAt)), error_(error) {}
    ~FailingCard() override { Shutdown(); }

private:
    std::string SourceErrorText(int error) const override {
        return error == 9 ? "Device unavailable" : "";
    }
    int OpenSource(const tickora::AudioFormat&) override { return 0; }
    int StartSource() override { return 0; }
    int StopSource() override { return 0; }
    void CloseSource() override {}
    int ReadSource(std::int16_t* samples, int count) override {
        const int failAt = failAt_->load();
        if (failAt >= 0 && chunks_ >= failAt)
            return error_;
        std::fill(samples, samples + count, std::int16_t{100});
        ++chunks_;
        // Paced a little, so the ring does not spin while the test waits.
        std::this_thread::sleep_for(std::chrono::microseconds(200));
        return 0;
    }

    std::shared_ptr<std::atomic<int>> failAt_;
    int error_;
    int chunks_ = 0; // backend thread
};

class FailingCards : public tickora::InputCatalog {
public:
    std::shared_ptr<std::atomic<int>> failAt = std::make_shared<std::atomic<int>>(-1);
    int error = 9; // what the reads fail with
    int ListInputs(std::vector<std::string>& names) override {
        names.push_back("Failing card");
        return 1;
    }
    std::unique_ptr<tickora::AudioInput> CreateInput(int) override {
        return std::make_unique<FailingCard>(failAt, error);
    }
};

// Lets the event loop run until the owner has seen count events (at most 10 s).
void WaitForEvents(const Owner& owner, std::size_t count) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (owner.events.size() < count && std::chrono::steady_clock::now() < deadline) {
        QCoreApplication::processEvents();
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
}

TEST(CaptureFailureOnABackendThread, TheFailureFollowsThePartBufferAndAStartRecordsAgain) {
    platform::testing::EnsureTestApplication();
    platform::testing::FakeDialogs dialogs;
    FailingCards cards;
    TAudio audio(dialogs, cards);
    Owner owner;
    owner.dialogs = &dialogs;
    audio.SetFailureCallback(&Owner::Failed);
    audio.OpenDevice(0, 44100, &Owner::Deliver, &owner);
    ASSERT_TRUE(audio.IsOpen());
    // Ten chunks fill a buffer (nine of 441 samples and one of 127): two buffers and five
    // chunks, then the card fails.
    cards.failAt->store(25);
    ASSERT_TRUE(audio.StartCapture());
    WaitForEvents(owner, 4);
    EXPECT_EQ(owner.events,
              (std::vector<std::string>{"buffer 1 (8192)", "buffer 2 (8192)", "buffer 3 (4410)",
                                        "failed after 0 messages"}));
    EXPECT_EQ(Texts(dialogs),
              std::vector<std::string>{"Device unavailable. Error while recording audio."});

    // Once the card works again a start records again; it does not wait for ever.
    cards.failAt->store(-1);
    ASSERT_TRUE(audio.StartCapture());
    WaitForEvents(owner, 5);
    ASSERT_EQ(owner.events.size(), 5u);
    EXPECT_EQ(owner.events[4], "buffer 4 (8192)");
    audio.CloseDevice();
}

// An input that falls silent ends the measurement like a failure, and the message is the
// sentence alone: nothing failed that the user could look up.
TEST(CaptureFailureOnABackendThread, SilenceIsSaidInItsOwnWords) {
    platform::testing::EnsureTestApplication();
    platform::testing::FakeDialogs dialogs;
    FailingCards cards;
    cards.error = tickora::kNoSoundArrived;
    TAudio audio(dialogs, cards);
    Owner owner;
    owner.dialogs = &dialogs;
    audio.SetFailureCallback(&Owner::Failed);
    audio.OpenDevice(0, 44100, &Owner::Deliver, &owner);
    cards.failAt->store(12);
    ASSERT_TRUE(audio.StartCapture());
    WaitForEvents(owner, 3);
    EXPECT_EQ(owner.events, (std::vector<std::string>{"buffer 1 (8192)", "buffer 2 (1764)",
                                                      "failed after 0 messages"}));
    EXPECT_EQ(Texts(dialogs), std::vector<std::string>{"No sound has arrived from the input."});
    audio.CloseDevice();
}

} // namespace
