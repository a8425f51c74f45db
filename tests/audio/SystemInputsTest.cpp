#include "audio/SystemInputs.h"
#include "WavFile.h"
#include "audio/PortAudioSession.h"
#include "audio/TAudio.h"
#include "platform/testing/FakeDialogs.h"
#include "platform/testing/TestApplication.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <numbers>
#include <thread>

namespace {

using audiotest::TempFolder;
using audiotest::WriteWav;
using tickora::CaptureBuffer;
using tickora::SystemInputs;
using tickora::TAudio;

#ifdef TICKORA_HAVE_SYNTH
constexpr int kSimulatedWatches = 2;
#else
constexpr int kSimulatedWatches = 0;
#endif

struct Recorder {
    std::vector<std::int16_t> samples;
    int buffers = 0;
    static void Deliver(void* owner, const CaptureBuffer& buffer) {
        auto* self = static_cast<Recorder*>(owner);
        self->samples.insert(self->samples.end(), buffer.data, buffer.data + buffer.SampleCount());
        ++self->buffers;
    }
};

// Lets the event loop run until count samples have arrived (at most 10 s).
void WaitForSamples(const Recorder& recorder, std::size_t count) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (recorder.samples.size() < count && std::chrono::steady_clock::now() < deadline) {
        QCoreApplication::processEvents();
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

int DeviceNumberOf(TAudio& audio, const std::string& name) {
    std::vector<std::string> items;
    audio.ListInputDevices(items);
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (items[i] == name) {
            return static_cast<int>(i) - 1;
        }
    }
    return -2;
}

class SystemInputsTest : public ::testing::Test {
protected:
    SystemInputsTest() { platform::testing::EnsureTestApplication(); }

    TempFolder folder;
    platform::testing::FakeDialogs dialogs;
    SystemInputs inputs{folder.Path()};
    TAudio audio{dialogs, inputs};
    Recorder recorder;
};

TEST_F(SystemInputsTest, ListsCardsThenSimulatedWatchesThenRecordings) {
    ASSERT_TRUE(WriteWav(folder.File("b watch.wav"), {0, 1}, 1, 44100));
    ASSERT_TRUE(WriteWav(folder.File("A.WAV"), {0, 1}, 1, 44100));
    std::ofstream(folder.File("notes.txt")) << "not sound";
    std::filesystem::create_directory(folder.File("old.wav")); // a folder, not a file

    std::vector<std::string> items;
    const int cards = audio.ListInputDevices(items);
    ASSERT_GE(cards, 0);
    ASSERT_EQ(items.size(), static_cast<std::size_t>(1 + cards + kSimulatedWatches + 2));
    EXPECT_EQ(items[0], "Microsoft Sound Mapper - Input");
    // Whole names, each saying its sound system.
    for (int i = 1; i <= cards; ++i) {
        EXPECT_EQ(items[i].back(), ')') << items[i];
    }
    std::size_t next = 1 + static_cast<std::size_t>(cards);
    if (kSimulatedWatches == 2) {
        EXPECT_EQ(items[next++], "Simulated watch 21600 bph");
        EXPECT_EQ(items[next++], "Simulated watch 28800 bph");
    }
    EXPECT_EQ(items[next++], "Recording: A.WAV");
    EXPECT_EQ(items[next++], "Recording: b watch.wav");
}

TEST_F(SystemInputsTest, RecordingsComeFromTheDataFolder) {
    const char* old = std::getenv("XDG_DATA_HOME");
    const std::string saved = old != nullptr ? old : "";
    setenv("XDG_DATA_HOME", folder.Path().c_str(), 1);
    const std::string recordings = folder.Path() + "/Tickora/Recordings";
    std::filesystem::create_directories(recordings);
    ASSERT_TRUE(WriteWav(recordings + "/bench.wav", {0, 1}, 1, 44100));

    SystemInputs dataFolderInputs;
    std::vector<std::string> names;
    dataFolderInputs.ListInputs(names);
    if (old != nullptr) {
        setenv("XDG_DATA_HOME", saved.c_str(), 1);
    } else {
        unsetenv("XDG_DATA_HOME");
    }
    ASSERT_FALSE(names.empty());
    EXPECT_EQ(names.back(), "Recording: bench.wav");
    EXPECT_TRUE(SystemInputs::RecordingFiles(folder.File("missing")).empty());
}

TEST_F(SystemInputsTest, ARecordingPlaysSampleForSampleThenSilence) {
    std::vector<std::int16_t> sound(11025); // 0.25 s
    for (std::size_t i = 0; i < sound.size(); ++i) {
        sound[i] = static_cast<std::int16_t>(static_cast<int>(i * 7 % 60000) - 30000);
    }
    ASSERT_TRUE(WriteWav(folder.File("ramp.wav"), sound, 1, 44100));
    const int device = DeviceNumberOf(audio, "Recording: ramp.wav");
    audio.OpenDevice(device, 44100, &Recorder::Deliver, &recorder);
    ASSERT_TRUE(audio.IsOpen()) << (dialogs.Messages().empty() ? "" : dialogs.Messages()[0].text);
    ASSERT_TRUE(audio.StartCapture());
    WaitForSamples(recorder, 4 * 4096);
    audio.CloseDevice();
    ASSERT_GE(recorder.samples.size(), 4u * 4096);
    for (std::size_t i = 0; i < sound.size(); ++i) {
        ASSERT_EQ(recorder.samples[i], sound[i]) << i;
    }
    for (std::size_t i = sound.size(); i < recorder.samples.size(); ++i) {
        ASSERT_EQ(recorder.samples[i], 0) << i;
    }
    EXPECT_TRUE(dialogs.Messages().empty());
}

TEST_F(SystemInputsTest, ARecordingResumesWhereAStopLeftIt) {
    std::vector<std::int16_t> sound(22050); // 0.5 s
    for (std::size_t i = 0; i < sound.size(); ++i) {
        sound[i] = static_cast<std::int16_t>(i % 20000 + 1);
    }
    ASSERT_TRUE(WriteWav(folder.File("long.wav"), sound, 1, 44100));
    audio.OpenDevice(DeviceNumberOf(audio, "Recording: long.wav"), 44100, &Recorder::Deliver,
                     &recorder);
    ASSERT_TRUE(audio.StartCapture());
    WaitForSamples(recorder, 4096);
    std::this_thread::sleep_for(std::chrono::milliseconds(30)); // into the next buffer
    audio.StopCapture(true);
    QCoreApplication::processEvents(); // the part buffer the stop cut short
    ASSERT_TRUE(audio.StartCapture());
    WaitForSamples(recorder, sound.size());
    audio.CloseDevice();
    ASSERT_GE(recorder.samples.size(), sound.size());
    for (std::size_t i = 0; i < sound.size(); ++i) {
        ASSERT_EQ(recorder.samples[i], sound[i]) << i;
    }
}

TEST_F(SystemInputsTest, AStereoRecordingIsMixedToMonoAndConvertedTo44100) {
    constexpr int kRate = 48000;
    constexpr double kFrequency = 1000.0;           // Hz
    std::vector<std::int16_t> sound(2 * kRate / 2); // 0.5 s of stereo
    for (int i = 0; i < kRate / 2; ++i) {
        const double wave = std::sin(2.0 * std::numbers::pi * kFrequency * i / kRate);
        sound[2 * i] = static_cast<std::int16_t>(std::lround(0.6 * 32767 * wave));
        // The second microphone wired the other way round: turned over before the mean.
        sound[2 * i + 1] = static_cast<std::int16_t>(std::lround(-0.2 * 32767 * wave));
    }
    ASSERT_TRUE(WriteWav(folder.File("stereo.wav"), sound, 2, kRate));
    audio.OpenDevice(DeviceNumberOf(audio, "Recording: stereo.wav"), 44100, &Recorder::Deliver,
                     &recorder);
    ASSERT_TRUE(audio.StartCapture());
    WaitForSamples(recorder, 7 * 4096);
    audio.CloseDevice();
    ASSERT_GE(recorder.samples.size(), 7u * 4096);

    // The sound lasts 0.5 s at the new rate; silence after it.
    std::size_t last = 0;
    for (std::size_t i = 0; i < recorder.samples.size(); ++i) {
        if (std::abs(recorder.samples[i]) > 100) {
            last = i;
        }
    }
    EXPECT_NEAR(static_cast<double>(last), 22050.0, 60.0);
    // The mean of the channels, at the same pitch: count rising zero crossings in the
    // middle 0.4 s, and find the peak there.
    int crossings = 0;
    int peak = 0;
    for (std::size_t i = 2205; i < 2205 + 17640; ++i) {
        crossings += recorder.samples[i - 1] < 0 && recorder.samples[i] >= 0 ? 1 : 0;
        peak = std::max(peak, std::abs(static_cast<int>(recorder.samples[i])));
    }
    EXPECT_NEAR(crossings, 400, 1);
    EXPECT_NEAR(peak, 0.4 * 32767, 0.02 * 32767);
}

TEST_F(SystemInputsTest, ADamagedRecordingIsReportedAndLeavesTheDeviceClosed) {
    std::ofstream(folder.File("broken.wav"), std::ios::binary) << "RIFF\x10\0\0\0WAVEjunk";
    audio.OpenDevice(DeviceNumberOf(audio, "Recording: broken.wav"), 44100, &Recorder::Deliver,
                     &recorder);
    EXPECT_FALSE(audio.IsOpen());
    ASSERT_EQ(dialogs.Messages().size(), 1u);
    const std::string& text = dialogs.Messages()[0].text;
    const std::string ending = " Unable to open audio input device.";
    ASSERT_GT(text.size(), ending.size());
    EXPECT_EQ(text.substr(text.size() - ending.size()), ending);
}

TEST_F(SystemInputsTest, ADeviceNumberBeyondTheListIsInvalid) {
    audio.OpenDevice(1000, 44100, &Recorder::Deliver, &recorder);
    EXPECT_FALSE(audio.IsOpen());
    ASSERT_EQ(dialogs.Messages().size(), 1u);
    EXPECT_EQ(dialogs.Messages()[0].text, "Invalid device. Unable to open audio input device.");
}

TEST_F(SystemInputsTest, WithoutASoundCardTheMapperFailsToOpen) {
    std::vector<std::string> items;
    if (audio.ListInputDevices(items) > 0) {
        GTEST_SKIP() << "this machine has a sound card";
    }
    audio.OpenDevice(-1, 44100, &Recorder::Deliver, &recorder);
    EXPECT_FALSE(audio.IsOpen());
    ASSERT_EQ(dialogs.Messages().size(), 1u);
    EXPECT_EQ(dialogs.Messages()[0].text, "Device unavailable. Unable to open audio input device.");
    EXPECT_FALSE(audio.StartCapture());
}

TEST(DeviceNames, AreCutTo31BytesWithoutSplittingACharacter) {
    EXPECT_EQ(tickora::CutName("Built-in Audio Analog Stereo", 31), "Built-in Audio Analog Stereo");
    EXPECT_EQ(tickora::CutName("HDA Intel PCH: ALC892 Analog (hw:0,0)", 31),
              "HDA Intel PCH: ALC892 Analog (h");
    // "é" is two bytes; cut at 31 it would be split in half.
    const std::string name = std::string(30, 'a') + "\xC3\xA9" + "b";
    EXPECT_EQ(tickora::CutName(name, 31), std::string(30, 'a'));
    EXPECT_EQ(tickora::CutName(name, 32), std::string(30, 'a') + "\xC3\xA9");
}

} // namespace
