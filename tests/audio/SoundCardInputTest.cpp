#include "audio/SoundCardInput.h"
#include "audio/TAudio.h"
#include "dsp/DSP.h"
#include "dsp/synth/WatchParameters.h"
#include "dsp/synth/WatchSynthesiser.h"
#include "platform/testing/FakeDialogs.h"
#include "platform/testing/TestApplication.h"
#include "tools/RecordingAnalysis.h"

#include <QCoreApplication>

#include <gtest/gtest.h>
#include <samplerate.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

namespace {

using tickora::AudioFormat;
using tickora::CaptureBuffer;

constexpr int kEnd = -1; // the card's "sound ran out", an error that ends the run

// A sound card of one fixed format that plays a prepared sound, as fast as it is read.
// Hold() makes its reads, or with inStop its stop, wait until Release(), as a stalled card
// does.
class FakeCard final : public tickora::SoundCardStream {
public:
    FakeCard(int channels, double rate, std::vector<std::int16_t> frames = {},
             std::atomic<bool>* gone = nullptr)
        : channels_(channels), rate_(rate), frames_(std::move(frames)), gone_(gone) {}
    ~FakeCard() override {
        if (gone_ != nullptr) {
            *gone_ = true;
        }
    }

    void Hold(bool inStop) {
        std::lock_guard lock(mutex_);
        (inStop ? stopHeld_ : held_) = true;
    }
    void Release() {
        std::lock_guard lock(mutex_);
        held_ = stopHeld_ = false;
        changed_.notify_all();
    }
    bool Waiting() {
        std::lock_guard lock(mutex_);
        return waiting_;
    }
    int Reads() {
        std::lock_guard lock(mutex_);
        return reads_;
    }

    int Probe() override { return 0; }
    bool Supports(int channels, double rate) override {
        return channels == channels_ && rate == rate_;
    }
    double DefaultRate() const override { return rate_; }
    int MaxChannels() const override { return channels_; }
    int Open(int channels, double rate, int) override {
        return Supports(channels, rate) ? 0 : -9997; // PortAudio's invalid sample rate
    }
    int Start() override { return 0; }
    int Stop() override {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [this] { return !stopHeld_; });
        return 0;
    }
    void Close() override {}
    int Read(std::int16_t* frames, int count) override {
        std::unique_lock lock(mutex_);
        waiting_ = held_;
        changed_.wait(lock, [this] { return !held_; });
        waiting_ = false;
        ++reads_;
        const std::size_t samples = static_cast<std::size_t>(count) * channels_;
        if (position_ + samples > frames_.size()) {
            if (frames_.empty()) {
                std::fill_n(frames, samples, std::int16_t{0});
                return 0;
            }
            return kEnd;
        }
        std::copy_n(frames_.begin() + static_cast<std::ptrdiff_t>(position_), samples, frames);
        position_ += samples;
        return 0;
    }
    std::string ErrorText(int error) const override {
        return error == kEnd ? "End of sound" : "Invalid sample rate";
    }

private:
    int channels_;
    double rate_;
    std::vector<std::int16_t> frames_;
    std::size_t position_ = 0;
    std::atomic<bool>* gone_;
    std::mutex mutex_;
    std::condition_variable changed_;
    bool held_ = false;
    bool stopHeld_ = false;
    bool waiting_ = false;
    int reads_ = 0;
};

// Takes every filled buffer's sound on the backend thread and queues the buffer again at
// once, so that no sound is dropped however fast the card plays.
class Recorder : public tickora::BufferSink {
public:
    explicit Recorder(tickora::AudioInput& input) : input_(input) {}
    void BufferFilled(CaptureBuffer* buffer) override {
        std::lock_guard lock(mutex_);
        sound_.insert(sound_.end(), buffer->data, buffer->data + buffer->SampleCount());
        buffer->flags &= ~CaptureBuffer::kDone;
        input_.AddBuffer(*buffer);
    }
    void CaptureFailed(int error) override {
        std::lock_guard lock(mutex_);
        ended_ = error;
        changed_.notify_all();
    }
    std::vector<std::int16_t> WaitForEnd() {
        std::unique_lock lock(mutex_);
        changed_.wait_for(lock, std::chrono::seconds(60), [this] { return ended_ != 0; });
        return sound_;
    }

private:
    tickora::AudioInput& input_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<std::int16_t> sound_;
    int ended_ = 0;
};

class VectorSource : public tools::SampleSource {
public:
    explicit VectorSource(const std::vector<std::int16_t>& sound) : sound_(sound) {}
    std::size_t Read(std::int16_t* samples, std::size_t count) override {
        const std::size_t n = std::min(count, sound_.size() - position_);
        std::copy_n(sound_.begin() + static_cast<std::ptrdiff_t>(position_), n, samples);
        position_ += n;
        return n;
    }

private:
    const std::vector<std::int16_t>& sound_;
    std::size_t position_ = 0;
};

tools::AnalysisSummary Analyse(const std::vector<std::int16_t>& sound) {
    dsp::SignalAnalysis analysis;
    VectorSource source(sound);
    return tools::AnalyzeSound(analysis, source, tools::AnalyzerSettings{});
}

// The watch at 44100 samples/s as a card of rate and channels would record it: converted
// by libsamplerate's best converter, each channel the same.
std::vector<std::int16_t> AsRecordedBy(const std::vector<std::int16_t>& sound, double rate,
                                       int channels) {
    std::vector<float> in(sound.size());
    src_short_to_float_array(sound.data(), in.data(), static_cast<int>(sound.size()));
    std::vector<float> out(static_cast<std::size_t>(sound.size() * rate / 44100.0) + 1000);
    SRC_DATA data{};
    data.data_in = in.data();
    data.input_frames = static_cast<long>(in.size());
    data.data_out = out.data();
    data.output_frames = static_cast<long>(out.size());
    data.src_ratio = rate / 44100.0;
    EXPECT_EQ(src_simple(&data, SRC_SINC_BEST_QUALITY, 1), 0);
    std::vector<std::int16_t> frames;
    for (long i = 0; i < data.output_frames_gen; ++i) {
        const auto value = static_cast<std::int16_t>(
            std::clamp(std::lround(out[static_cast<std::size_t>(i)] * 32768.0F), -32768L, 32767L));
        frames.insert(frames.end(), static_cast<std::size_t>(channels), value);
    }
    return frames;
}

// A card that records only at its own rate, read through the input, reads as the watch
// read straight at 44100 samples/s.
TEST(SoundCardInputTest, ACardOfAnotherRateReadsAsTheWatchItself) {
    const synth::WatchParameters watch = synth::SimulatedWatch28800();
    std::vector<std::int16_t> original(44100 * 32);
    synth::WatchSynthesiser(watch).Generate(original);
    const tools::AnalysisSummary direct = Analyse(original);
    ASSERT_TRUE(direct.shownComplete);

    for (const auto& [rate, channels] : {std::pair{48000.0, 2}, std::pair{96000.0, 1}}) {
        SCOPED_TRACE(rate);
        tickora::SoundCardInput input(
            std::make_unique<FakeCard>(channels, rate, AsRecordedBy(original, rate, channels)));
        Recorder recorder(input);
        ASSERT_EQ(input.Open(AudioFormat::Pcm16Mono(44100), recorder), 0);
        EXPECT_EQ(input.DeviceRate(), rate);
        EXPECT_EQ(input.DeviceChannels(), channels);
        std::array<std::array<std::int16_t, tickora::kCaptureBufferSamples>, 4> blocks{};
        std::array<CaptureBuffer, 4> buffers{};
        for (std::size_t i = 0; i < buffers.size(); ++i) {
            buffers[i].data = blocks[i].data();
            buffers[i].number = static_cast<int>(i) + 1;
            input.AddBuffer(buffers[i]);
        }
        ASSERT_EQ(input.Start(), 0);
        const std::vector<std::int16_t> converted = recorder.WaitForEnd();
        input.Close();
        // Within a read of the card's end, all of the sound came through.
        EXPECT_NEAR(static_cast<double>(converted.size()), static_cast<double>(original.size()),
                    1000.0);
        const tools::AnalysisSummary through = Analyse(converted);
        ASSERT_TRUE(through.shownComplete);
        EXPECT_EQ(through.beatsPerHour, 28800);
        EXPECT_NEAR(through.shown.Rate, direct.shown.Rate, 0.05);
        EXPECT_NEAR(through.shown.Amplitude, direct.shown.Amplitude, 0.5);
        EXPECT_NEAR(through.shown.BeatError, direct.shown.BeatError, 0.01);
    }
}

struct StallingCatalog : tickora::InputCatalog {
    int ListInputs(std::vector<std::string>& names) override {
        names.emplace_back("Stalling card");
        return 1;
    }
    std::unique_ptr<tickora::AudioInput> CreateInput(int) override {
        auto card = std::make_unique<FakeCard>(1, 44100.0, std::vector<std::int16_t>{},
                                               latest == nullptr ? &gone : nullptr);
        latest = card.get();
        return std::make_unique<tickora::SoundCardInput>(std::move(card));
    }
    FakeCard* latest = nullptr;
    std::atomic<bool> gone{false}; // the first card made has ended
};

void NoDelivery(void*, const CaptureBuffer&) {}

// A card that holds its read, or its stop: Stop and Close come back within about a second,
// the card is given up as failed with its message, and the input ends by itself once the
// card lets go.
TEST(SoundCardInputTest, AStalledCardDoesNotHoldTheWindow) {
    platform::testing::EnsureTestApplication();
    for (const bool inStop : {false, true}) {
        SCOPED_TRACE(inStop ? "held in its stop" : "held in a read");
        platform::testing::FakeDialogs dialogs;
        StallingCatalog catalog;
        auto audio = std::make_unique<tickora::TAudio>(dialogs, catalog);
        audio->OpenDevice(0, 44100, &NoDelivery, nullptr);
        ASSERT_TRUE(audio->IsOpen());
        ASSERT_TRUE(audio->StartCapture());
        FakeCard* card = catalog.latest;
        card->Hold(inStop);
        while (inStop ? card->Reads() == 0 : !card->Waiting()) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }

        const auto before = std::chrono::steady_clock::now();
        audio->StopCapture(false);
        const auto waited = std::chrono::steady_clock::now() - before;
        EXPECT_GE(waited, std::chrono::milliseconds(900));
        EXPECT_LT(waited, std::chrono::milliseconds(1500));
        EXPECT_FALSE(audio->IsOpen());
        ASSERT_EQ(dialogs.Messages().size(), 1u);
        EXPECT_EQ(dialogs.Messages()[0].text,
                  "The input device does not answer. Error while stopping audio capture.");
        EXPECT_TRUE(audio->GivenUp()); // the window tries it again after the settings

        // A new open and the end of TAudio do not wait for the held card either.
        const auto reopened = std::chrono::steady_clock::now();
        audio->OpenDevice(0, 44100, &NoDelivery, nullptr);
        EXPECT_NE(catalog.latest, card);
        EXPECT_FALSE(audio->GivenUp());
        audio.reset();
        EXPECT_LT(std::chrono::steady_clock::now() - reopened, std::chrono::milliseconds(500));
        EXPECT_FALSE(catalog.gone);

        card->Release();
        for (int i = 0; i < 2000 && !catalog.gone; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        EXPECT_TRUE(catalog.gone);
        QCoreApplication::processEvents();
    }
}

} // namespace
