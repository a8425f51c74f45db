#include "audio/TAudio.h"
#include "audio/testing/ScriptedInputs.h"
#include "platform/testing/FakeDialogs.h"
#include "platform/testing/TestApplication.h"

#include <QCoreApplication>
#include <QThread>

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <functional>
#include <thread>
#include <vector>

namespace {

using platform::MessageButtons;
using platform::MessageIcon;
using tickora::CaptureBuffer;
using tickora::TAudio;
using tickora::testing::ScriptedInput;
using tickora::testing::ScriptedInputs;

// What the owner saw of one delivered buffer.
struct Seen {
    int number;
    std::uint32_t bytes;
    std::int16_t first;
    std::int16_t last;
    bool guiThread;
    int depth; // deliveries in progress, this one included
};

class Owner {
public:
    std::vector<Seen> seen;
    int depth = 0;
    int maxDepth = 0;
    // Runs inside the handler once, at the given delivery (1-based), if set.
    int actAt = 0;
    std::function<void()> action;

    static void Deliver(void* owner, const CaptureBuffer& buffer) {
        static_cast<Owner*>(owner)->Handle(buffer);
    }

private:
    void Handle(const CaptureBuffer& buffer) {
        ++depth;
        maxDepth = std::max(maxDepth, depth);
        const int samples = buffer.SampleCount();
        seen.push_back({buffer.number, buffer.bytesRecorded, buffer.data[0],
                        samples > 0 ? buffer.data[samples - 1] : std::int16_t{0},
                        QThread::currentThread() == QCoreApplication::instance()->thread(), depth});
        if (action && static_cast<int>(seen.size()) == actAt) {
            action();
        }
        --depth;
    }
};

class TAudioTest : public ::testing::Test {
protected:
    TAudioTest() { platform::testing::EnsureTestApplication(); }

    void Open(int device = 0) { audio.OpenDevice(device, 44100, &Owner::Deliver, &owner); }
    ScriptedInput& Input() { return *inputs.Current(); }
    static void Flush() { QCoreApplication::processEvents(); }

    std::vector<std::string> MessageTexts() const {
        std::vector<std::string> texts;
        for (const auto& message : dialogs.Messages()) {
            EXPECT_EQ(message.icon, MessageIcon::Error);
            EXPECT_EQ(message.buttons, MessageButtons::Ok);
            texts.push_back(message.text);
        }
        return texts;
    }

    platform::testing::FakeDialogs dialogs;
    ScriptedInputs inputs;
    TAudio audio{dialogs, inputs};
    Owner owner;
};

TEST_F(TAudioTest, OpenQueuesTheWholeRingAndWaitsForStart) {
    Open(3);
    ASSERT_TRUE(audio.IsOpen());
    EXPECT_EQ(inputs.LastDevice(), 3);
    EXPECT_EQ(Input().Format().samplesPerSecond, 44100);
    EXPECT_EQ(Input().Format().channels, 1);
    EXPECT_EQ(Input().Format().bitsPerSample, 16);
    EXPECT_EQ(Input().Format().blockAlign, 2);
    EXPECT_EQ(Input().Format().averageBytesPerSecond, 88200);
    EXPECT_EQ(Input().PreparedCount(), 20);
    EXPECT_EQ(Input().QueuedCount(), 20);
    EXPECT_FALSE(Input().IsRecording());
    // Nothing records before StartCapture.
    EXPECT_EQ(Input().PushBuffers(1), 0);
    Flush();
    EXPECT_TRUE(owner.seen.empty());
    EXPECT_TRUE(dialogs.Messages().empty());
}

TEST_F(TAudioTest, BuffersArriveInOrderOnTheGuiThreadAndAreQueuedAgain) {
    Open();
    ASSERT_TRUE(audio.StartCapture());
    // Three rounds of the ring: every buffer goes back to the queue after its delivery.
    for (int round = 0; round < 3; ++round) {
        for (int i = 0; i < 20; ++i) {
            const std::int16_t value = static_cast<std::int16_t>(round * 100 + i);
            std::array<std::int16_t, 4096> samples;
            samples.fill(value);
            ASSERT_TRUE(Input().Push(samples));
        }
        EXPECT_EQ(Input().QueuedCount(), 0);
        Flush();
        EXPECT_EQ(Input().QueuedCount(), 20);
    }
    ASSERT_EQ(owner.seen.size(), 60u);
    for (int k = 0; k < 60; ++k) {
        const Seen& seen = owner.seen[static_cast<std::size_t>(k)];
        EXPECT_EQ(seen.number, k % 20 + 1) << k;
        EXPECT_EQ(seen.bytes, 8192u);
        EXPECT_EQ(seen.first, (k / 20) * 100 + k % 20);
        EXPECT_EQ(seen.last, seen.first);
        EXPECT_TRUE(seen.guiThread);
        EXPECT_EQ(seen.depth, 1);
    }
    EXPECT_EQ(audio.DeliveredCount(), 60u);
}

TEST_F(TAudioTest, SoundBeyondTheRingIsDroppedWhileTheHandlerLags) {
    Open();
    ASSERT_TRUE(audio.StartCapture());
    EXPECT_EQ(Input().PushBuffers(25), 20);
    EXPECT_EQ(Input().DroppedSamples(), 5u * 4096);
    Flush();
    EXPECT_EQ(owner.seen.size(), 20u);
    EXPECT_EQ(Input().PushBuffers(1), 1);
    Flush();
    ASSERT_EQ(owner.seen.size(), 21u);
    EXPECT_EQ(owner.seen.back().number, 1);
}

TEST_F(TAudioTest, StopKeepsTheQueueAndStartResumesWithIt) {
    Open();
    ASSERT_TRUE(audio.StartCapture());
    Input().PushBuffers(3);
    Flush();
    audio.StopCapture(true);
    EXPECT_FALSE(Input().IsRecording());
    EXPECT_EQ(Input().QueuedCount(), 20);
    EXPECT_EQ(Input().PushBuffers(2), 0); // stopped: nothing recorded
    ASSERT_TRUE(audio.StartCapture());
    Input().PushBuffers(2);
    Flush();
    ASSERT_EQ(owner.seen.size(), 5u);
    EXPECT_EQ(owner.seen[3].number, 4);
    EXPECT_EQ(owner.seen[4].number, 5);
    EXPECT_TRUE(audio.IsOpen());
    EXPECT_TRUE(dialogs.Messages().empty());
}

TEST_F(TAudioTest, ABufferCutShortByAStopArrivesWithItsRealByteCount) {
    Open();
    ASSERT_TRUE(audio.StartCapture());
    std::vector<std::int16_t> part(1000, 7);
    part.back() = 9;
    ASSERT_TRUE(Input().Push(part, false));
    Flush();
    EXPECT_TRUE(owner.seen.empty()); // still filling
    audio.StopCapture(true);
    Flush();
    ASSERT_EQ(owner.seen.size(), 1u);
    EXPECT_EQ(owner.seen[0].bytes, 2000u);
    EXPECT_EQ(owner.seen[0].number, 1);
    EXPECT_EQ(owner.seen[0].last, 9);
    // The short buffer went back to the end of the queue like any other.
    EXPECT_EQ(Input().QueuedCount(), 20);
    ASSERT_TRUE(audio.StartCapture());
    Input().PushBuffers(1);
    Flush();
    ASSERT_EQ(owner.seen.size(), 2u);
    EXPECT_EQ(owner.seen[1].number, 2);
    EXPECT_EQ(owner.seen[1].bytes, 8192u);
}

TEST_F(TAudioTest, CloseDropsWaitingBuffersAndFreesTheRing) {
    Open();
    ASSERT_TRUE(audio.StartCapture());
    Input().PushBuffers(3);
    ScriptedInput& input = Input();
    audio.CloseDevice();
    EXPECT_FALSE(audio.IsOpen());
    EXPECT_FALSE(input.IsOpen());
    EXPECT_EQ(input.PreparedCount(), 0);
    EXPECT_EQ(input.QueuedCount(), 0);
    Flush();
    EXPECT_TRUE(owner.seen.empty()); // posted before the close, ignored after it
    audio.CloseDevice();             // a second close does nothing
    EXPECT_FALSE(audio.StartCapture());
    EXPECT_EQ(MessageTexts(), std::vector<std::string>{"No audio device has been selected."});
}

TEST_F(TAudioTest, AReopenedDeviceIgnoresWhatTheOldOnePosted) {
    Open();
    ASSERT_TRUE(audio.StartCapture());
    Input().PushBuffers(2);
    audio.CloseDevice();
    Open();
    ASSERT_TRUE(audio.StartCapture());
    EXPECT_EQ(inputs.CreatedCount(), 2);
    Flush();
    EXPECT_TRUE(owner.seen.empty());
    Input().PushBuffers(1);
    Flush();
    ASSERT_EQ(owner.seen.size(), 1u);
    EXPECT_EQ(owner.seen[0].number, 1);
}

TEST_F(TAudioTest, OpeningTwiceClosesTheFirstDevice) {
    Open();
    Open(1);
    EXPECT_EQ(inputs.CreatedCount(), 2);
    EXPECT_EQ(inputs.OpenInputs(), 1);
    EXPECT_EQ(inputs.PreparedBuffers(), 20);
    EXPECT_TRUE(audio.IsOpen());
    EXPECT_EQ(Input().QueuedCount(), 20);
    audio.CloseDevice();
    EXPECT_EQ(inputs.OpenInputs(), 0);
    EXPECT_EQ(inputs.PreparedBuffers(), 0);
}

TEST_F(TAudioTest, ABufferArrivingDuringTheHandlerIsDeliveredInsideIt) {
    Open();
    ASSERT_TRUE(audio.StartCapture());
    // The first handler runs an event loop, as a message box does; the next buffer arrives
    // meanwhile and is delivered inside it.
    owner.actAt = 1;
    owner.action = [this] {
        Input().PushBuffers(1);
        Flush();
    };
    Input().PushBuffers(1);
    Flush();
    ASSERT_EQ(owner.seen.size(), 2u);
    EXPECT_EQ(owner.seen[0].depth, 1);
    EXPECT_EQ(owner.seen[1].depth, 2);
    EXPECT_EQ(owner.seen[1].number, 2);
    EXPECT_EQ(owner.maxDepth, 2);
    // Both went back to the queue, the inner one first.
    EXPECT_EQ(Input().QueuedCount(), 20);
    Input().PushBuffers(20);
    Flush();
    ASSERT_EQ(owner.seen.size(), 22u);
    EXPECT_EQ(owner.seen[2].number, 3);
    EXPECT_EQ(owner.seen[19].number, 20);
    EXPECT_EQ(owner.seen[20].number, 2);
    EXPECT_EQ(owner.seen[21].number, 1);
}

TEST_F(TAudioTest, AStopInsideTheHandlerKeepsTheBufferQueued) {
    Open();
    ASSERT_TRUE(audio.StartCapture());
    owner.actAt = 1;
    owner.action = [this] { audio.StopCapture(true); };
    Input().PushBuffers(2);
    Flush();
    // The second buffer was already posted when the first handler stopped recording.
    EXPECT_EQ(owner.seen.size(), 2u);
    EXPECT_FALSE(Input().IsRecording());
    EXPECT_EQ(Input().QueuedCount(), 20);
    EXPECT_TRUE(dialogs.Messages().empty());
}

TEST_F(TAudioTest, ACloseInsideTheHandlerEndsTheDeliveries) {
    Open();
    ASSERT_TRUE(audio.StartCapture());
    owner.actAt = 1;
    owner.action = [this] { audio.CloseDevice(); };
    ScriptedInput& input = Input();
    input.PushBuffers(3);
    Flush();
    EXPECT_EQ(owner.seen.size(), 1u);
    EXPECT_FALSE(audio.IsOpen());
    EXPECT_EQ(input.AddCalls(), 20); // the delivered buffer was not queued again
    EXPECT_TRUE(dialogs.Messages().empty());
}

TEST_F(TAudioTest, DestroyingTheObjectDiscardsPostedBuffers) {
    int delivered = 0;
    {
        ScriptedInputs local;
        TAudio shortLived(dialogs, local);
        shortLived.OpenDevice(
            0, 44100, [](void* count, const CaptureBuffer&) { ++*static_cast<int*>(count); },
            &delivered);
        ASSERT_TRUE(shortLived.StartCapture());
        local.Current()->PushBuffers(4);
    }
    Flush();
    EXPECT_EQ(delivered, 0);
}

TEST(TAudioErrors, StartWithoutADeviceAsksForOne) {
    platform::testing::EnsureTestApplication();
    platform::testing::FakeDialogs dialogs;
    ScriptedInputs inputs;
    TAudio audio(dialogs, inputs);
    EXPECT_FALSE(audio.IsOpen());
    EXPECT_FALSE(audio.StartCapture());
    ASSERT_EQ(dialogs.Messages().size(), 1u);
    EXPECT_EQ(dialogs.Messages()[0].text, "No audio device has been selected.");
    EXPECT_EQ(dialogs.Messages()[0].icon, MessageIcon::Error);
    EXPECT_EQ(dialogs.Messages()[0].buttons, MessageButtons::Ok);
    audio.StopCapture(true); // nothing to stop, nothing to report
    audio.CloseDevice();
    EXPECT_EQ(dialogs.Messages().size(), 1u);
}

TEST_F(TAudioTest, AFailedOpenIsReportedWithThePlatformTextFirst) {
    inputs.SetFailures({.open = -9985});
    inputs.SetErrorText("Device unavailable");
    Open();
    EXPECT_FALSE(audio.IsOpen());
    EXPECT_FALSE(audio.StartCapture());
    EXPECT_EQ(MessageTexts(),
              (std::vector<std::string>{"Device unavailable. Unable to open audio input device.",
                                        "No audio device has been selected."}));
}

TEST_F(TAudioTest, AnErrorWithoutPlatformTextShowsTheMessageAlone) {
    inputs.SetFailures({.open = 7});
    inputs.SetErrorText("");
    Open();
    EXPECT_EQ(MessageTexts(), std::vector<std::string>{"Unable to open audio input device."});
}

TEST_F(TAudioTest, FailuresWhileQueueingTheRingCloseTheDevice) {
    inputs.SetFailures({.prepare = 11});
    inputs.SetErrorText("Out of memory");
    Open();
    EXPECT_FALSE(audio.IsOpen());
    EXPECT_EQ(Input().PreparedCount(), 0);
    EXPECT_FALSE(Input().IsOpen());

    inputs.SetFailures({.addCall = 5});
    inputs.SetErrorText("Bad buffer");
    Open();
    EXPECT_FALSE(audio.IsOpen());
    EXPECT_EQ(Input().PreparedCount(), 0);
    EXPECT_EQ(Input().QueuedCount(), 0);
    EXPECT_EQ(MessageTexts(),
              (std::vector<std::string>{"Out of memory. Error while preparing audio headers.",
                                        "Bad buffer. Error while adding audio buffers."}));
}

TEST_F(TAudioTest, StartAndStopFailuresUseTheirTexts) {
    inputs.SetFailures({.start = 3, .stop = 4});
    inputs.SetErrorText("Host error");
    Open();
    EXPECT_FALSE(audio.StartCapture());
    audio.StopCapture(false); // not reported
    audio.StopCapture(true);
    EXPECT_EQ(MessageTexts(),
              (std::vector<std::string>{"Host error. Error while starting audio capture.",
                                        "Host error. Error while stopping audio capture."}));
    EXPECT_TRUE(audio.IsOpen());
}

TEST_F(TAudioTest, AFailedRequeueStopsRecordingBeforeTheMessage) {
    inputs.SetFailures({.addCall = 21}); // the first buffer handed back
    inputs.SetErrorText("Device lost");
    Open();
    ASSERT_TRUE(audio.StartCapture());
    Input().PushBuffers(1);
    Flush();
    EXPECT_EQ(owner.seen.size(), 1u);
    EXPECT_FALSE(Input().IsRecording());
    EXPECT_TRUE(audio.IsOpen());
    EXPECT_EQ(MessageTexts(),
              std::vector<std::string>{"Device lost. Error while adding audio buffer."});
    EXPECT_EQ(Input().PushBuffers(1), 0);
}

TEST_F(TAudioTest, OpeningOffTheGuiThreadIsRefused) {
    std::thread other([this] { Open(); });
    other.join();
    EXPECT_FALSE(audio.IsOpen());
    EXPECT_EQ(MessageTexts(),
              std::vector<std::string>{"Unable to allocate audio callback handler."});
}

TEST_F(TAudioTest, TheDeviceListStartsWithTheMapper) {
    ScriptedInputs listed({"USB microphone", "Line in", "Simulated watch 21600 bph"}, 2);
    TAudio withList(dialogs, listed);
    std::vector<std::string> items{"stale entry"};
    EXPECT_EQ(withList.ListInputDevices(items), 2);
    EXPECT_EQ(items, (std::vector<std::string>{"Microsoft Sound Mapper - Input", "USB microphone",
                                               "Line in", "Simulated watch 21600 bph"}));
    ScriptedInputs none({}, 0);
    TAudio withoutDevices(dialogs, none);
    EXPECT_EQ(withoutDevices.ListInputDevices(items), 0);
    EXPECT_EQ(items, std::vector<std::string>{"Microsoft Sound Mapper - Input"});
}

// The number chosen from the list opens that entry, by its name, even when inputs came or
// went since the list was made; an input that is gone says so.
TEST_F(TAudioTest, TheChosenEntryOpensWhateverCameOrWentSince) {
    ScriptedInputs changing({"USB microphone", "USB microphone", "Recording: b.wav"}, 2);
    TAudio chosen(dialogs, changing);
    std::vector<std::string> items;
    chosen.ListInputDevices(items);
    // A card plugged in before the others, a recording that sorts in first.
    changing.SetNames(
        {"Line in", "USB microphone", "USB microphone", "Recording: a.wav", "Recording: b.wav"});
    chosen.OpenDevice(1, 44100, &Owner::Deliver, &owner); // the second USB microphone
    EXPECT_EQ(changing.LastDevice(), 2);
    chosen.OpenDevice(2, 44100, &Owner::Deliver, &owner); // Recording: b.wav
    EXPECT_EQ(changing.LastDevice(), 4);
    chosen.OpenDevice(-1, 44100, &Owner::Deliver, &owner);
    EXPECT_EQ(changing.LastDevice(), -1);
    EXPECT_TRUE(MessageTexts().empty());

    changing.SetNames({"USB microphone"});
    const int created = changing.CreatedCount();
    chosen.OpenDevice(2, 44100, &Owner::Deliver, &owner);
    EXPECT_FALSE(chosen.IsOpen());
    EXPECT_EQ(changing.CreatedCount(), created);
    EXPECT_EQ(MessageTexts(), std::vector<std::string>{"The input \"Recording: b.wav\" is no "
                                                       "longer there. Unable to open audio "
                                                       "input device."});

    // An input the settings named that no list held: it says so, the default input does
    // not open in its place, and once it is back it is the one that opens.
    chosen.OpenDevice(-1, 44100, &Owner::Deliver, &owner, "Line in");
    EXPECT_FALSE(chosen.IsOpen());
    EXPECT_EQ(changing.CreatedCount(), created);
    EXPECT_EQ(MessageTexts().back(),
              "The input \"Line in\" is no longer there. Unable to open audio input device.");
    changing.SetNames({"USB microphone", "Line in"});
    chosen.OpenDevice(-1, 44100, &Owner::Deliver, &owner, "Line in");
    EXPECT_TRUE(chosen.IsOpen());
    EXPECT_EQ(changing.LastDevice(), 1);
    EXPECT_EQ(MessageTexts().size(), 2u);
}

} // namespace
