#include "tools/SoundFileReader.h"
#include "tests/tools/TempFolder.h"
#include "tools/SoundFileWriter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <numbers>
#include <random>
#include <string>
#include <vector>

namespace {

using tools::SoundFileReader;

void Put16(std::string& s, unsigned v) {
    s += static_cast<char>(v & 0xff);
    s += static_cast<char>((v >> 8) & 0xff);
}
void Put32(std::string& s, std::uint32_t v) {
    Put16(s, v & 0xffff);
    Put16(s, v >> 16);
}

// A RIFF WAVE file made byte by byte: format 1 = PCM, 3 = IEEE float.
std::string MakeWav(unsigned format, unsigned channels, std::uint32_t rate, unsigned bits,
                    const std::string& payload) {
    std::string fmt;
    Put16(fmt, format);
    Put16(fmt, channels);
    Put32(fmt, rate);
    Put32(fmt, rate * channels * bits / 8);
    Put16(fmt, channels * bits / 8);
    Put16(fmt, bits);
    std::string wav = "RIFF";
    Put32(wav, static_cast<std::uint32_t>(4 + 8 + fmt.size() + 8 + payload.size()));
    wav += "WAVEfmt ";
    Put32(wav, static_cast<std::uint32_t>(fmt.size()));
    wav += fmt + "data";
    Put32(wav, static_cast<std::uint32_t>(payload.size()));
    return wav + payload;
}

std::string Pcm16(const std::vector<std::int16_t>& samples) {
    std::string s;
    for (std::int16_t v : samples) {
        Put16(s, static_cast<std::uint16_t>(v));
    }
    return s;
}

std::string Float32(const std::vector<float>& samples) {
    std::string s(samples.size() * 4, '\0');
    std::memcpy(s.data(), samples.data(), s.size());
    return s;
}

std::vector<std::int16_t> ReadAll(const std::string& bytes, std::string* error = nullptr) {
    std::string e;
    std::vector<std::int16_t> sound = SoundFileReader::ReadAll(bytes.data(), bytes.size(), e);
    if (error != nullptr) {
        *error = e;
    }
    return sound;
}

TEST(SoundFileReader, MonoAt44100IsReadExactly) {
    const std::vector<std::int16_t> samples = {0, 1, -1, 32767, -32768, 12345, -4321};
    const std::string wav = MakeWav(1, 1, 44100, 16, Pcm16(samples));
    EXPECT_EQ(ReadAll(wav), samples);

    // The same bytes from a file.
    TempFolder folder;
    SoundFileReader reader;
    ASSERT_TRUE(reader.Open(folder.Write("exact.wav", wav))) << reader.Error();
    EXPECT_EQ(reader.SourceRate(), 44100);
    EXPECT_EQ(reader.SourceChannels(), 1);
    EXPECT_EQ(reader.SourceFrames(), 7);
    std::int16_t buffer[16];
    // Pieces of any size add up to the whole.
    EXPECT_EQ(reader.Read(buffer, 3), 3u);
    EXPECT_EQ(reader.Read(buffer + 3, 16), 4u);
    EXPECT_EQ(reader.Read(buffer, 16), 0u);
    EXPECT_EQ(std::vector<std::int16_t>(buffer, buffer + 7), samples);
    EXPECT_EQ(reader.Error(), "");
}

TEST(SoundFileReader, ChannelsAreMixedByTheirMean) {
    const std::string wav = MakeWav(1, 3, 44100, 16, Pcm16({1000, 3000, 2000, -300, -300, 0}));
    EXPECT_EQ(ReadAll(wav), (std::vector<std::int16_t>{2000, -200}));
}

// Two microphones wired in opposite polarity: their plain mean would cancel every tick. A hum
// common to both, louder than the ticks and in phase, must not decide which channel turns.
TEST(SoundFileReader, AChannelInOppositePolarityIsTurnedOverBeforeTheMean) {
    constexpr int kFrames = 44100;
    std::vector<std::int16_t> stereo(2 * kFrames);
    std::vector<double> tick(kFrames);
    for (int i = 0; i < kFrames; ++i) {
        const int since = i % 4410; // ten ticks a second
        tick[i] =
            8000.0 * std::exp(-since / 20.0) * std::sin(2.0 * std::numbers::pi * since / 12.0);
        const double hum = 12000.0 * std::sin(2.0 * std::numbers::pi * 50.0 * i / 44100.0);
        stereo[2 * i] = static_cast<std::int16_t>(std::lround(hum + tick[i]));
        stereo[2 * i + 1] = static_cast<std::int16_t>(std::lround(hum - 0.5 * tick[i]));
    }
    const std::vector<std::int16_t> mono = ReadAll(MakeWav(1, 2, 44100, 16, Pcm16(stereo)));
    ASSERT_EQ(mono.size(), static_cast<std::size_t>(kFrames));
    // Turned over, the hum cancels and the ticks add: (hum + t - hum + t / 2) / 2 = 3t / 4.
    double worst = 0.0;
    for (int i = 0; i < kFrames; ++i) {
        worst = std::max(worst, std::fabs(mono[i] - 0.75 * tick[i]));
    }
    EXPECT_LT(worst, 2.0);
}

TEST(SoundFileReader, FloatSamplesAreClippedAndNanIsSilence) {
    const float inf = std::numeric_limits<float>::infinity();
    const std::string wav =
        MakeWav(3, 1, 44100, 32, Float32({0.5f, -0.25f, 1.5f, -2.0f, inf, -inf, std::nanf("")}));
    EXPECT_EQ(ReadAll(wav),
              (std::vector<std::int16_t>{16384, -8192, 32767, -32768, 32767, -32768, 0}));
}

TEST(SoundFileReader, OtherSampleRatesAreConvertedTo44100) {
    // A 1 kHz tone of 2 s at 48000 Hz: 88200 samples at 44100 Hz, still 1 kHz.
    std::vector<std::int16_t> tone(96000);
    for (std::size_t i = 0; i < tone.size(); ++i) {
        tone[i] = static_cast<std::int16_t>(
            std::lround(16000.0 * std::sin(2.0 * std::numbers::pi * 1000.0 * i / 48000.0)));
    }
    const std::vector<std::int16_t> sound = ReadAll(MakeWav(1, 1, 48000, 16, Pcm16(tone)));
    EXPECT_NEAR(static_cast<double>(sound.size()), 88200.0, 2.0);
    int crossings = 0;
    for (std::size_t i = 4410; i + 1 < 88200 - 4410; ++i) {
        crossings += (sound[i] < 0) != (sound[i + 1] < 0) ? 1 : 0;
    }
    EXPECT_NEAR(crossings, 2 * 1000 * 1.8, 2.0);
    const auto loudest = *std::max_element(sound.begin() + 4410, sound.end() - 4410);
    EXPECT_NEAR(loudest, 16000, 300);
}

TEST(SoundFileReader, WhatIsNotSoundIsRefusedWithAReason) {
    std::string error;
    EXPECT_TRUE(ReadAll("", &error).empty());
    EXPECT_NE(error, "");
    EXPECT_TRUE(ReadAll("just some text, not a recording", &error).empty());
    EXPECT_NE(error, "");
    EXPECT_TRUE(ReadAll(MakeWav(1, 1, 44100, 16, ""), &error).empty());
    EXPECT_EQ(error, "the file holds no sound");
    EXPECT_TRUE(ReadAll(MakeWav(1, 1, 100, 16, Pcm16({1, 2, 3})), &error).empty());
    EXPECT_EQ(error, "unsupported sample rate: 100 Hz");

    // Chunks before the sound that do not hold together (found by fuzzing: the sound file
    // library never returned from this header).
    const std::string looping("\x52\x49\x46\x46\xd4\x04\x00\x00\x57\x41\x56\x45\x49\x4e\x46\x4f"
                              "\x66\x6d\x74\x49\x4e\x46\xff\xff\xff\xff\xff\xff\xff\xff\xff\xff"
                              "\xff\xff\xff\xff\xff\xff\xff\xff\xff\xff\xff\xff\xff\xff\xff\xff"
                              "\xff\xff\xff\xff\xff\xff\xff\xff\xff\xff\xff\xff\xff\xff\xff\xff"
                              "\xff\xff\xff\xff\xff\xff\xff\xff\xf7\xff\xff\xff\xff\xff\xff\xff"
                              "\xff\xff\xff\xff\xff\xff\xff\xff\xff\xff\xff\xff\xff\xff\xff\xff"
                              "\xff\xff\xff\xff\xff\xff\xff\xff\xff\xff\x4f\x66\x91\x06\x00\x00"
                              "\x46\x63\xba\x46",
                              116);
    EXPECT_TRUE(ReadAll(looping, &error).empty());
    EXPECT_EQ(error, "the file's header is damaged");
    // The same in a big-endian RIFX file, whose lengths read the other way round.
    EXPECT_TRUE(ReadAll("RIFX" + looping.substr(4), &error).empty());
    EXPECT_EQ(error, "the file's header is damaged");
    // The same kind of chunk after a whole data chunk kept the library busy for minutes; bytes
    // after the sound that are no chunk at all are padding and still read.
    const std::string sound = MakeWav(1, 1, 44100, 16, Pcm16({100, -100, 200, -200}));
    EXPECT_TRUE(ReadAll(sound + "INFOfmtI" + std::string(64, '\xff'), &error).empty());
    EXPECT_EQ(error, "the file's header is damaged");
    EXPECT_EQ(ReadAll(sound + std::string(16, '\0'), &error).size(), 4u);

    SoundFileReader reader;
    EXPECT_FALSE(reader.Open("/nonexistent/folder/watch.wav"));
    EXPECT_NE(reader.Error(), "");
    std::int16_t buffer[4];
    EXPECT_EQ(reader.Read(buffer, 4), 0u);
}

TEST(SoundFileReader, DamagedFilesNeverCrash) {
    std::vector<std::int16_t> samples(3000);
    for (std::size_t i = 0; i < samples.size(); ++i) {
        samples[i] = static_cast<std::int16_t>(i * 37);
    }
    const std::string good = MakeWav(1, 2, 22050, 16, Pcm16(samples));

    // Every truncation of the header and the start of the data.
    for (std::size_t length = 0; length < 200; ++length) {
        std::string error;
        const std::vector<std::int16_t> sound = ReadAll(good.substr(0, length), &error);
        EXPECT_TRUE(!sound.empty() || !error.empty()) << length;
    }
    // A data chunk that claims far more than there is.
    std::string liar = good;
    liar[40] = liar[41] = liar[42] = liar[43] = static_cast<char>(0xff);
    ReadAll(liar);
    // Random damage anywhere in the first hundred bytes.
    std::mt19937 random(20261208);
    for (int trial = 0; trial < 400; ++trial) {
        std::string damaged = good;
        const int changes = 1 + static_cast<int>(random() % 6);
        for (int c = 0; c < changes; ++c) {
            damaged[random() % 100] = static_cast<char>(random() & 0xff);
        }
        std::string error;
        const std::vector<std::int16_t> sound = ReadAll(damaged, &error);
        EXPECT_TRUE(sound.empty() || error.empty()) << trial;
    }
}

TEST(SoundFileWriter, WritesWhatTheReaderReads) {
    TempFolder folder;
    const std::string path = folder.File("round.wav");
    const std::vector<std::int16_t> samples = {5, -5, 32767, -32768, 0, 77};
    tools::SoundFileWriter writer;
    ASSERT_TRUE(writer.Open(path, 44100));
    ASSERT_TRUE(writer.Write(samples.data(), 4));
    ASSERT_TRUE(writer.Write(samples.data() + 4, 2));
    ASSERT_TRUE(writer.Close());
    SoundFileReader reader;
    ASSERT_TRUE(reader.Open(path));
    std::int16_t buffer[8];
    ASSERT_EQ(reader.Read(buffer, 8), 6u);
    EXPECT_EQ(std::vector<std::int16_t>(buffer, buffer + 6), samples);

    EXPECT_FALSE(writer.Open(folder.File("missing/folder/x.wav"), 44100));
    EXPECT_NE(writer.Error(), "");
}

} // namespace
