// tickora-analyze and tickora-synth as a user runs them, on small files in a temporary folder.
#include "dsp/synth/WatchSynthesiser.h"
#include "tests/tools/TempFolder.h"
#include "tools/AnalyzerProgram.h"
#include "tools/SoundFileWriter.h"
#include "tools/SynthProgram.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <regex>
#include <sstream>
#include <vector>

namespace {

struct Outcome {
    int status;
    std::string out;
    std::string err;
};

Outcome Analyze(std::vector<std::string> arguments) {
    std::ostringstream out;
    std::ostringstream err;
    const int status = tools::RunAnalyzer(arguments, out, err);
    return {status, out.str(), err.str()};
}

// A synthesised watch written as 16-bit WAV; at 22050 Hz every second sample is kept (the
// ticks have nothing above 6 kHz), in stereo the second channel is a quieter copy.
void WriteWatch(const std::string& path, const synth::WatchParameters& p, double seconds,
                int rate = 44100, int channels = 1) {
    synth::WatchSynthesiser s(p);
    std::vector<std::int16_t> mono(static_cast<std::size_t>(seconds * 44100.0));
    s.Generate(mono);
    const std::size_t step = rate == 22050 ? 2 : 1;
    std::vector<std::int16_t> frames;
    for (std::size_t i = 0; i < mono.size(); i += step) {
        frames.push_back(mono[i]);
        if (channels == 2) {
            frames.push_back(static_cast<std::int16_t>(mono[i] / 2));
        }
    }
    tools::SoundFileWriter writer;
    const bool flac = path.size() > 5 && path.substr(path.size() - 5) == ".flac";
    ASSERT_TRUE(writer.Open(path, rate, channels,
                            flac ? tools::SoundFileFormat::Flac : tools::SoundFileFormat::Wav))
        << writer.Error();
    ASSERT_TRUE(writer.Write(frames.data(), frames.size() / static_cast<std::size_t>(channels)));
    ASSERT_TRUE(writer.Close());
}

synth::WatchParameters TestWatch() {
    synth::WatchParameters p;
    p.beatsPerHour = 21600;
    p.rate = 8.0;
    p.amplitude = 260.0;
    p.beatError = 0.6;
    p.noiseDb = -40.0;
    return p;
}

double JsonNumber(const std::string& json, const std::string& key) {
    std::smatch m;
    const std::regex pattern("\"" + key + "\": (-?[0-9.e+-]+)");
    if (!std::regex_search(json, m, pattern)) {
        ADD_FAILURE() << key << " missing in " << json;
        return std::nan("");
    }
    return std::stod(m[1]);
}

TEST(Analyzer, JsonReportsTheLastCompleteResult) {
    TempFolder folder;
    const std::string file = folder.File("watch.wav");
    WriteWatch(file, TestWatch(), 18.0);
    const Outcome run = Analyze({"--period", "10", "--json", file});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "");
    const std::regex shape(
        R"(\{"bph": \d+, "rate": \S+, "amplitude": \S+, "beat_error": \S+, )"
        R"("complete": (true|false), "used": \S+, "scatter": \S+, "results": \d+, )"
        R"("calibration_start": \S+\}\n)");
    EXPECT_TRUE(std::regex_match(run.out, shape)) << run.out;
    EXPECT_EQ(JsonNumber(run.out, "bph"), 21600);
    EXPECT_NEAR(JsonNumber(run.out, "rate"), 8.0, 0.25);
    EXPECT_NEAR(JsonNumber(run.out, "amplitude"), 260.0, 3.0);
    EXPECT_NEAR(JsonNumber(run.out, "beat_error"), 0.6, 0.05);
    EXPECT_NE(run.out.find("\"complete\": true"), std::string::npos);
    EXPECT_GT(JsonNumber(run.out, "used"), 0.95);
    EXPECT_LT(JsonNumber(run.out, "scatter"), 0.05);

    // Too short for a complete result: the last valid one, marked incomplete.
    const Outcome early = Analyze({"--period", "60", "--json", file});
    ASSERT_EQ(early.status, 0) << early.err;
    EXPECT_NE(early.out.find("\"complete\": false"), std::string::npos);
    EXPECT_NEAR(JsonNumber(early.out, "amplitude"), 260.0, 3.0);
}

TEST(Analyzer, BeatsListEveryResultWithFullPrecision) {
    TempFolder folder;
    const std::string file = folder.File("watch.wav");
    WriteWatch(file, TestWatch(), 18.0);
    const Outcome beats = Analyze({"--period", "10", "--beats", file});
    ASSERT_EQ(beats.status, 0) << beats.err;
    std::istringstream lines(beats.out);
    std::string line;
    std::getline(lines, line);
    EXPECT_EQ(line, "time,span,rate,amplitude,beat_error,valid,complete,used,scatter");
    const std::regex number(R"(-?\d(\.\d+)?(e[+-]\d+)?|-?\d+(\.\d+)?(e[+-]\d+)?)");
    int count = 0;
    int valid = 0;
    int complete = 0;
    double lastTime = -1.0;
    while (std::getline(lines, line)) {
        std::vector<std::string> fields;
        std::istringstream cells(line);
        for (std::string cell; std::getline(cells, cell, ',');) {
            fields.push_back(cell);
        }
        ASSERT_EQ(fields.size(), 9u) << line;
        for (int i = 0; i < 5; ++i) {
            ASSERT_TRUE(std::regex_match(fields[i], number)) << line;
        }
        ASSERT_TRUE(fields[5] == "0" || fields[5] == "1") << line;
        ASSERT_TRUE(fields[6] == "0" || fields[6] == "1") << line;
        // The first four records of a test carry times only.
        EXPECT_EQ(fields[5], count < 4 ? "0" : "1") << line;
        const double time = std::stod(fields[0]);
        EXPECT_GT(time, lastTime);
        lastTime = time;
        ++count;
        valid += fields[5] == "1" ? 1 : 0;
        complete += fields[6] == "1" ? 1 : 0;
        if (fields[6] == "1") {
            EXPECT_GE(std::stod(fields[1]), 10.0 - 0.0001);
        }
    }
    EXPECT_GT(complete, 0);
    // 17 significant digits: a time like 1.2345678901234567 is not cut short.
    EXPECT_TRUE(std::regex_search(beats.out, std::regex(R"(\n\d\.\d{15,16},)")));

    const Outcome json = Analyze({"--period", "10", "--json", file});
    EXPECT_EQ(JsonNumber(json.out, "results"), valid);
    EXPECT_GT(count, valid);
}

TEST(Analyzer, SummaryNamesTheResults) {
    TempFolder folder;
    const std::string file = folder.File("watch.wav");
    WriteWatch(file, TestWatch(), 18.0);
    const Outcome run = Analyze({"--period", "10", file});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("21600 bph (detected)"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("+8.0 s/d"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("0.6 ms"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("(complete)"), std::string::npos) << run.out;
}

TEST(Analyzer, StereoAndOtherSampleRatesAreConverted) {
    TempFolder folder;
    const std::string file = folder.File("stereo22050.wav");
    WriteWatch(file, TestWatch(), 18.0, 22050, 2);
    const Outcome run = Analyze({"--period", "10", "--json", file});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(JsonNumber(run.out, "bph"), 21600);
    EXPECT_NEAR(JsonNumber(run.out, "rate"), 8.0, 0.5);
    EXPECT_NEAR(JsonNumber(run.out, "beat_error"), 0.6, 0.1);
    // Half the sample rate blurs the first sound a little; the amplitude stays close.
    EXPECT_NEAR(JsonNumber(run.out, "amplitude"), 260.0, 8.0);
}

TEST(Analyzer, FailedCalibrationGivesTheProgramsMessage) {
    TempFolder folder;
    synth::WatchParameters silent = TestWatch();
    silent.startOffset = 3000.0; // nothing but light noise within the file
    const std::string file = folder.File("silent.wav");
    WriteWatch(file, silent, 7.0);
    const Outcome automatic = Analyze({file});
    EXPECT_EQ(automatic.status, 1);
    EXPECT_EQ(automatic.out, "");
    EXPECT_EQ(automatic.err, "Unable to detect a consistent tick.\n");
    const Outcome set = Analyze({"--rate", "28800", "--json", file});
    EXPECT_EQ(set.status, 1);
    EXPECT_EQ(set.err, "Unable to detect a consistent tick at 28800bph.\n");

    // A watch of another rate than the one set is not confirmed either.
    const std::string other = folder.File("other.wav");
    WriteWatch(other, TestWatch(), 7.0);
    EXPECT_EQ(Analyze({"--rate", "28800", other}).err,
              "Unable to detect a consistent tick at 28800bph.\n");

    // AUTO finds 18000 to 28800 bph only. Here one rung finds 5 beats/s by chance, and the
    // threshold it places finds the watch's 3.33: refused, not read as 12600 bph, -4111 s/d.
    synth::WatchParameters slow;
    slow.beatsPerHour = 12000;
    slow.rate = 3.0;
    slow.noiseDb = -35.0;
    slow.shape = synth::RandomShape(77);
    const std::string twelve = folder.File("12000.wav");
    WriteWatch(twelve, slow, 40.0);
    EXPECT_EQ(Analyze({twelve}).err, "Unable to detect a consistent tick.\n");
    EXPECT_NEAR(JsonNumber(Analyze({"--rate", "12000", "--json", twelve}).out, "rate"), slow.rate,
                0.5);

    // Where the program would stop, the analyser calibrates again, as a watchmaker presses
    // Start once the watch sits on the microphone: a recording that starts 6 s before it.
    synth::WatchParameters late = TestWatch();
    late.startOffset = 6.0;
    const std::string placed = folder.File("placed.wav");
    WriteWatch(placed, late, 40.0);
    const Outcome again = Analyze({"--json", placed});
    EXPECT_EQ(again.status, 0) << again.err;
    EXPECT_NEAR(JsonNumber(again.out, "calibration_start"), 5.0, 0.1);
    EXPECT_NEAR(JsonNumber(again.out, "rate"), late.rate, 0.1);
    EXPECT_NE(again.out.find("\"complete\": true"), std::string::npos) << again.out;
}

TEST(Analyzer, StopsWhereTheProgramWouldStopATest) {
    TempFolder folder;
    // Ticks for 12 s, then 15 s of light noise only: a watch taken off the microphone.
    synth::WatchParameters p = TestWatch();
    synth::WatchSynthesiser ticking(p);
    p.startOffset = 3000.0;
    synth::WatchSynthesiser quiet(p);
    std::vector<std::int16_t> sound(27 * 44100);
    ticking.Generate(sound.data(), 12 * 44100);
    quiet.Generate(sound.data() + 12 * 44100, 15 * 44100);
    const std::string file = folder.File("stops.wav");
    tools::SoundFileWriter writer;
    ASSERT_TRUE(writer.Open(file, 44100));
    ASSERT_TRUE(writer.Write(sound.data(), sound.size()));
    ASSERT_TRUE(writer.Close());

    const Outcome run = Analyze({"--period", "5", file});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("stopped after 10 s without a tick"), std::string::npos) << run.out;
    // It stopped in the buffer (93 ms) where the silence after the last tick, at 11.88 s,
    // passed 10 s, not at the end of the file.
    std::smatch m;
    ASSERT_TRUE(std::regex_search(run.out, m, std::regex(R"(from (\d+\.\d) s of sound)")));
    EXPECT_GE(std::stod(m[1]), 21.9);
    EXPECT_LE(std::stod(m[1]), 22.0);
}

TEST(Analyzer, BadFilesAreRefusedWithOneLine) {
    TempFolder folder;
    const std::string missing = folder.File("missing.wav");
    const std::string empty = folder.Write("empty.wav", "");
    const std::string text = folder.Write("notes.wav", "These are my notes about the watch.\n");
    // A proper WAV header with no samples.
    const std::string noFrames = folder.File("noframes.wav");
    {
        tools::SoundFileWriter writer;
        ASSERT_TRUE(writer.Open(noFrames, 44100));
        ASSERT_TRUE(writer.Close());
    }
    for (const std::string& file : {missing, empty, text, noFrames}) {
        const Outcome run = Analyze({"--json", file});
        EXPECT_EQ(run.status, 2) << file;
        EXPECT_EQ(run.out, "") << file;
        EXPECT_EQ(run.err.find("tickora-analyze: " + file + ": "), 0u) << run.err;
        EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
    }
}

// A folder of recordings in one run: a FLAC reads as its WAV does, and a bad file still gets
// its own line, so that lines and files pair up; the status is the worst one's.
TEST(Analyzer, SeveralFilesGiveOneLineEach) {
    TempFolder folder;
    const std::string wav = folder.File("watch.wav");
    const std::string flac = folder.File("watch.flac");
    const std::string junk = folder.Write("junk \"1\".wav", "not a sound");
    WriteWatch(wav, TestWatch(), 18.0);
    WriteWatch(flac, TestWatch(), 18.0);
    const Outcome alone = Analyze({"--period", "10", "--json", wav});
    const Outcome run = Analyze({"--period", "10", "--json", wav, flac, junk});
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(std::count(run.out.begin(), run.out.end(), '\n'), 3) << run.out;
    const std::string sameResult = alone.out.substr(1);
    EXPECT_EQ(run.out.find("{\"file\": \"" + wav + "\", " + sameResult), 0u) << run.out;
    EXPECT_NE(run.out.find("{\"file\": \"" + flac + "\", " + sameResult), std::string::npos)
        << run.out;
    EXPECT_NE(run.out.find("\"error\": \"tickora-analyze: "), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("junk \\\"1\\\".wav"), std::string::npos) << run.out;

    const Outcome lines = Analyze({"--period", "10", wav, flac});
    EXPECT_EQ(lines.status, 0) << lines.err;
    const std::regex line(R"(\S+watch\.(wav|flac): 21600 bph, \+8\.\d s/d, 2[56]\d degrees \(lift )"
                          R"(angle 52\), beat error 0\.\d ms, complete\n)");
    std::istringstream text(lines.out);
    int count = 0;
    for (std::string one; std::getline(text, one); ++count) {
        EXPECT_TRUE(std::regex_match(one + "\n", line)) << one;
    }
    EXPECT_EQ(count, 2);
}

TEST(Analyzer, TooShortASoundEndsWithoutAResult) {
    TempFolder folder;
    const std::string file = folder.File("short.wav");
    WriteWatch(file, TestWatch(), 3.0);
    const Outcome run = Analyze({"--settling", "5", file});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("before the settling time of 5 s"), std::string::npos) << run.err;

    // Calibrated, but the sound ends before the fifth beat: no result, said so.
    const std::string barely = folder.File("barely.wav");
    WriteWatch(barely, TestWatch(), 5.6);
    const Outcome none = Analyze({"--json", barely});
    EXPECT_EQ(none.status, 1);
    EXPECT_EQ(none.out,
              "{\"bph\": 21600, \"rate\": null, \"amplitude\": null, \"beat_error\": null, "
              "\"complete\": false, \"used\": null, \"scatter\": null, \"results\": 0, "
              "\"calibration_start\": 0}\n");
}

TEST(Analyzer, OptionErrorsExitWithStatusTwo) {
    for (const std::vector<std::string>& arguments :
         std::vector<std::vector<std::string>>{{"--rate", "100", "--demo"},
                                               {"--unknown", "--demo"},
                                               {"--lift", "90", "--demo"},
                                               {}}) {
        const Outcome run = Analyze(arguments);
        EXPECT_EQ(run.status, 2);
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(run.err.rfind("tickora-analyze: ", 0), 0u) << run.err;
        EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
    }
    EXPECT_EQ(Analyze({"--lift", "90", "--demo"}).err,
              "tickora-analyze: Invalid lift angle. Please select an angle between 30 and 70 "
              "degrees.\n");
    const Outcome help = Analyze({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("Usage: tickora-analyze"), std::string::npos);
}

TEST(Analyzer, DemoFindsTheDemoWatchTruth) {
    const Outcome run = Analyze({"--demo", "--json"});
    ASSERT_EQ(run.status, 0) << run.err;
    const synth::WatchParameters demo = synth::SimulatedWatch28800();
    EXPECT_EQ(JsonNumber(run.out, "bph"), demo.beatsPerHour);
    EXPECT_NEAR(JsonNumber(run.out, "rate"), demo.rate, 0.1);
    EXPECT_NEAR(JsonNumber(run.out, "amplitude"), demo.amplitude, 3.0);
    EXPECT_NEAR(JsonNumber(run.out, "beat_error"), demo.beatError, 0.05);
    EXPECT_NE(run.out.find("\"complete\": true"), std::string::npos);
    EXPECT_GT(JsonNumber(run.out, "used"), 0.95);
    EXPECT_LT(JsonNumber(run.out, "scatter"), 0.05);
    const Outcome text = Analyze({"--demo", "--filter", "medium"});
    EXPECT_EQ(text.status, 0);
    EXPECT_EQ(text.out.rfind("Demo watch (synthesised", 0), 0u) << text.out;
}

TEST(Analyzer, CorrectionCancelsAFastSoundCardClock) {
    TempFolder folder;
    synth::WatchParameters p = TestWatch();
    p.clockError = 250.0; // s/d
    const std::string file = folder.File("fastcard.wav");
    WriteWatch(file, p, 18.0);
    const Outcome corrected = Analyze({"--period", "10", "--correction", "250", "--json", file});
    ASSERT_EQ(corrected.status, 0) << corrected.err;
    EXPECT_NEAR(JsonNumber(corrected.out, "rate"), 8.0, 0.25);
    const Outcome plain = Analyze({"--period", "10", "--json", file});
    EXPECT_NEAR(JsonNumber(plain.out, "rate"), 86408.0 / (1.0 + 250.0 / 86400.0) - 86400.0, 0.25);
}

TEST(Synth, WritesTheWatchItIsToldTo) {
    TempFolder folder;
    const std::string file = folder.File("made.wav");
    std::ostringstream out;
    std::ostringstream err;
    ASSERT_EQ(tools::RunSynth({"--bph", "28800", "--rate", "-12", "--amplitude", "300",
                               "--beat-error", "0.5", "--noise", "-45", "--seconds", "17", file},
                              out, err),
              0)
        << err.str();
    const Outcome run = Analyze({"--period", "10", "--json", file});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(JsonNumber(run.out, "bph"), 28800);
    EXPECT_NEAR(JsonNumber(run.out, "rate"), -12.0, 0.25);
    EXPECT_NEAR(JsonNumber(run.out, "amplitude"), 300.0, 3.0);
    EXPECT_NEAR(JsonNumber(run.out, "beat_error"), 0.5, 0.05);

    // The presets are the program's simulated watches.
    ASSERT_EQ(tools::RunSynth({"--preset", "21600", "--seconds", "17", file}, out, err), 0);
    const Outcome preset = Analyze({"--period", "10", "--json", file});
    EXPECT_EQ(JsonNumber(preset.out, "bph"), 21600);
    EXPECT_NEAR(JsonNumber(preset.out, "rate"), 6.0, 0.25);
}

TEST(Synth, RefusesBadOptions) {
    TempFolder folder;
    const std::string file = folder.File("never.wav");
    for (const std::vector<std::string>& arguments : std::vector<std::vector<std::string>>{
             {"--bph", "100", file},
             {"--amplitude", "20", file},
             {"--noise", "loud", file},
             {"--seconds", "0", file},
             {"--preset", "18000", file},
             {"--whatever", "1", file},
             {"--bph", "21600"},
             {"--bph", "21600", folder.File("no/such/folder/x.wav")}}) {
        std::ostringstream out;
        std::ostringstream err;
        EXPECT_EQ(tools::RunSynth(arguments, out, err), 2) << arguments[0];
        EXPECT_EQ(err.str().rfind("tickora-synth: ", 0), 0u) << err.str();
    }
    EXPECT_FALSE(std::filesystem::exists(file));
}

} // namespace
