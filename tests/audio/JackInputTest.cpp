// A JACK server's input read through the program's own sound-card path, as a user picks
// it from the list: against a dummy server at 48000 samples/s (jack_server.sh starts it),
// under AddressSanitizer in the sanitizer build. The server is then stopped under the
// recording, which must end with a message within a few seconds.
#include "audio/AudioInput.h"
#include "audio/PortAudioStream.h"
#include "audio/SoundCardInput.h"
#include "audio/SystemInputs.h"
#include "tests/audio/BufferCounter.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

using Counter = tickora::tests::BufferCounter;

TEST(JackInput, RecordsTheServersInputAndSaysSoWhenTheServerDies) {
    const char* serverPid = std::getenv("TICKORA_JACK_SERVER_PID");
    if (serverPid == nullptr) {
        GTEST_SKIP() << "run through jack_server.sh, which starts the JACK server";
    }
    tickora::SystemInputs inputs("/nonexistent");
    std::vector<std::string> names;
    const int devices = inputs.ListInputs(names);
    int jack = -1;
    for (int i = 0; i < devices; ++i) {
        if (names[static_cast<std::size_t>(i)].rfind("system", 0) == 0) {
            jack = i;
        }
    }
    ASSERT_GE(jack, 0) << "the JACK server's capture ports are not listed";
    EXPECT_EQ(names[static_cast<std::size_t>(jack)], "system (JACK)");

    std::unique_ptr<tickora::AudioInput> input = inputs.CreateInput(jack);
    Counter sink(*input);
    ASSERT_EQ(input->Open(tickora::AudioFormat::Pcm16Mono(44100), sink), 0);
    auto* card = dynamic_cast<tickora::SoundCardInput*>(input.get());
    ASSERT_NE(card, nullptr);
    EXPECT_EQ(card->DeviceRate(), 48000.0); // JACK runs at the server's rate: converted

    tickora::tests::QueuedBuffers buffers;
    ASSERT_EQ(buffers.QueueTo(*input), 0);
    // Twice: each start opens the server's input afresh.
    for (int run = 0; run < 2; ++run) {
        SCOPED_TRACE(run);
        ASSERT_EQ(input->Start(), 0);
        EXPECT_TRUE(sink.PeakOfMore(44100 / 2, std::chrono::seconds(10)) >= 0);
        EXPECT_EQ(input->Stop(), 0);
    }

    // The server stops under the running input: no sound comes, and the input says so.
    ASSERT_EQ(input->Start(), 0);
    EXPECT_TRUE(sink.PeakOfMore(4096, std::chrono::seconds(10)) >= 0);
    const auto killed = std::chrono::steady_clock::now();
    // Stopped as a user or the system stops it; killed outright it would stay in JACK's
    // machine-wide list of servers, which holds only a few.
    ASSERT_EQ(::kill(std::atoi(serverPid), SIGTERM), 0);
    const int error =
        sink.WaitForFailure(tickora::PortAudioStream::kSilenceLimit + std::chrono::seconds(5));
    const auto waited = std::chrono::steady_clock::now() - killed;
    EXPECT_TRUE(error == tickora::kNoSoundArrived || error == tickora::kInputWentAway) << error;
    EXPECT_LT(waited, tickora::PortAudioStream::kSilenceLimit + std::chrono::seconds(2));
    EXPECT_FALSE(input->ErrorText(error).empty());
    input->Stop();
    input->Close();
    tickora::AudioInput::Dispose(std::move(input));
}

} // namespace
