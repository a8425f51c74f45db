// The built programs themselves: exit statuses and where their words go.
#include "tests/tools/TempFolder.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/wait.h>

namespace {

struct Outcome {
    int status;
    std::string out;
};

// Runs a command line through the shell; stdout captured, stderr sent where the line says.
Outcome Shell(const std::string& command) {
    Outcome run{-1, {}};
    std::FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) {
        return run;
    }
    char chunk[4096];
    while (const std::size_t n = std::fread(chunk, 1, sizeof chunk, pipe)) {
        run.out.append(chunk, n);
    }
    const int raw = ::pclose(pipe);
    run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    return run;
}

const std::string kAnalyze = TICKORA_ANALYZE;
const std::string kSynth = TICKORA_SYNTH;

TEST(Programs, AnalyzeExitStatuses) {
    TempFolder folder;
    EXPECT_EQ(Shell(kAnalyze + " --demo --json 2>/dev/null").status, 0);
    EXPECT_EQ(Shell(kAnalyze + " --no-such-option 2>/dev/null").status, 2);
    EXPECT_EQ(Shell(kAnalyze + " --period 1 --demo 2>/dev/null").status, 2);
    EXPECT_EQ(Shell(kAnalyze + " '" + folder.Write("junk.wav", "junk") + "' 2>/dev/null").status,
              2);
    // The message goes to stderr, one line, and stdout stays empty.
    const Outcome message = Shell(kAnalyze + " --rate 7 --demo 2>&1 >/dev/null");
    EXPECT_EQ(message.status, 2);
    EXPECT_EQ(message.out, "tickora-analyze: Invalid beat rate. Please select AUTO, or a rate "
                           "between 300 and 43200 beats/hour.\n");
}

TEST(Programs, SynthWritesAFileTheAnalyzerReads) {
    TempFolder folder;
    const std::string file = folder.File("made by synth.wav");
    ASSERT_EQ(Shell(kSynth + " --preset 28800 --seconds 9 '" + file + "'").status, 0);
    const Outcome run = Shell(kAnalyze + " --period 2 --json '" + file + "'");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out.rfind("{\"bph\": 28800, ", 0), 0u) << run.out;

    // Silence: the program's calibration message and status 1.
    const std::string quiet = folder.File("quiet.wav");
    ASSERT_EQ(Shell(kSynth + " --offset 1000 --seconds 6 '" + quiet + "'").status, 0);
    const Outcome failed = Shell(kAnalyze + " --rate 21600 '" + quiet + "' 2>&1");
    EXPECT_EQ(failed.status, 1);
    EXPECT_EQ(failed.out, "Unable to detect a consistent tick at 21600bph.\n");
}

} // namespace
