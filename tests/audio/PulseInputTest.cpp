// The sound server's inputs read through the program's own sound-card path against a private
// PulseAudio server (pulse_server.sh starts it, with a synthesised watch playing into a null
// sink): the sink's monitor as the server lists it, and the ALSA "pulse" device. The server is
// restarted under each recording: the input must say in words that the server went away, and
// the next start must record the watch again.
#include "audio/AudioInput.h"
#include "audio/SystemInputs.h"
#include "tests/audio/BufferCounter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace {

using Counter = tickora::tests::BufferCounter;

void RestartServer() {
    ASSERT_EQ(std::system(std::getenv("TICKORA_PULSE_RESTART")), 0);
}

TEST(ServerInputs, AServerRestartIsNamedAndTheNextStartRecordsAgain) {
    if (std::getenv("TICKORA_PULSE_RESTART") == nullptr) {
        GTEST_SKIP() << "run through pulse_server.sh, which starts the sound server";
    }
    tickora::SystemInputs inputs("/nonexistent");
    std::vector<std::string> names;
    const int devices = inputs.ListInputs(names);
    names.resize(static_cast<std::size_t>(devices));
    std::vector<std::string> tried{"Monitor of Tickora test watch (PulseAudio)"};
    if (std::find(names.begin(), names.end(), "pulse (ALSA)") != names.end()) {
        tried.emplace_back("pulse (ALSA)"); // with the ALSA plugin, as desktops have it
    }
    for (const std::string& name : tried) {
        SCOPED_TRACE(name);
        const auto entry = std::find(names.begin(), names.end(), name);
        ASSERT_NE(entry, names.end()) << "not listed among " << testing::PrintToString(names);
        std::unique_ptr<tickora::AudioInput> input =
            inputs.CreateInput(static_cast<int>(entry - names.begin()));
        Counter sink(*input);
        ASSERT_EQ(input->Open(tickora::AudioFormat::Pcm16Mono(44100), sink), 0);
        tickora::tests::QueuedBuffers buffers;
        ASSERT_EQ(buffers.QueueTo(*input), 0);
        ASSERT_EQ(input->Start(), 0);
        // A second of the watch: its drops reach half of full scale, far above silence.
        EXPECT_GT(sink.PeakOfMore(44100, std::chrono::seconds(10)), 8000);

        RestartServer();
        const int error = sink.WaitForFailure(std::chrono::seconds(6));
        ASSERT_NE(error, 0) << "the recording went on after the server went away";
        EXPECT_EQ(
            input->ErrorText(error).rfind("The sound server or the sound card has gone away", 0),
            0u)
            << input->ErrorText(error);
        input->Stop();

        ASSERT_EQ(input->Start(), 0) << input->ErrorText(input->Start());
        EXPECT_GT(sink.PeakOfMore(44100, std::chrono::seconds(10)), 8000);
        EXPECT_EQ(input->Stop(), 0);
        input->Close();
        tickora::AudioInput::Dispose(std::move(input));
    }
}

} // namespace
