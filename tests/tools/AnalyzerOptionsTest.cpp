#include "tools/AnalyzerOptions.h"

#include <gtest/gtest.h>

namespace {

using tools::AnalyzerOptions;
using tools::AnalyzerOutput;

// Parses and returns the error ("" when accepted).
std::string Refusal(std::vector<std::string> arguments, AnalyzerOptions* parsed = nullptr) {
    AnalyzerOptions options;
    std::string error;
    const bool ok = tools::ParseAnalyzerOptions(arguments, options, error);
    if (parsed != nullptr) {
        *parsed = options;
    }
    EXPECT_EQ(ok, error.empty());
    return error;
}

const std::string kRate =
    "Invalid beat rate. Please select AUTO, or a rate between 300 and 43200 beats/hour.";
const std::string kLift = "Invalid lift angle. Please select an angle between 30 and 70 degrees.";
const std::string kPeriod =
    "Invalid averaging period. Please select a period between 2 and 600 seconds.";
const std::string kSettling =
    "Invalid settling time. Please select a time between 5 and 60 seconds.";
const std::string kCorrection = "Invalid time correction. Please enter a correction between "
                                "-1500 and +1500 seconds/day.";

TEST(AnalyzerOptions, DefaultsAreTheProgramsSettings) {
    AnalyzerOptions o;
    EXPECT_EQ(Refusal({"watch.wav"}, &o), "");
    EXPECT_EQ(o.files, std::vector<std::string>{"watch.wav"});
    EXPECT_EQ(o.settings.rate, 0);
    EXPECT_EQ(o.settings.liftAngle, 52);
    EXPECT_EQ(o.settings.period, 20);
    EXPECT_EQ(o.settings.settling, 5);
    EXPECT_EQ(o.settings.filter, 0);
    EXPECT_EQ(o.settings.correction, 0.0);
    EXPECT_EQ(o.output, AnalyzerOutput::Summary);
    EXPECT_FALSE(o.demo);
    EXPECT_TRUE(o.warnings.empty());
}

TEST(AnalyzerOptions, EveryValueIsReadInBothSpellings) {
    AnalyzerOptions o;
    EXPECT_EQ(Refusal({"--rate", "28800", "--lift=44", "--period", "60", "--settling=10",
                       "--filter", "narrow", "--correction=-12.5", "--json", "x.wav"},
                      &o),
              "");
    EXPECT_EQ(o.settings.rate, 28800);
    EXPECT_EQ(o.settings.liftAngle, 44);
    EXPECT_EQ(o.settings.period, 60);
    EXPECT_EQ(o.settings.settling, 10);
    EXPECT_EQ(o.settings.filter, 3);
    EXPECT_EQ(o.settings.correction, -12.5);
    EXPECT_EQ(o.output, AnalyzerOutput::Json);
    EXPECT_EQ(Refusal({"--filter", "wide", "--beats", "x.wav"}, &o), "");
    EXPECT_EQ(o.settings.filter, 1);
    EXPECT_EQ(o.output, AnalyzerOutput::Beats);
    EXPECT_EQ(Refusal({"--filter=medium", "--rate", "AUTO", "x.wav"}, &o), "");
    EXPECT_EQ(o.settings.filter, 2);
    EXPECT_EQ(o.settings.rate, 0);
}

TEST(AnalyzerOptions, RangesAreTheSettingsDialogs) {
    EXPECT_EQ(Refusal({"--rate", "300", "x"}), "");
    EXPECT_EQ(Refusal({"--rate", "43200", "x"}), "");
    EXPECT_EQ(Refusal({"--rate", "0", "x"}), "");
    EXPECT_EQ(Refusal({"--rate", "299", "x"}), kRate);
    EXPECT_EQ(Refusal({"--rate", "43201", "x"}), kRate);
    EXPECT_EQ(Refusal({"--rate", "auto", "x"}), kRate); // case matters, as in the dialog
    EXPECT_EQ(Refusal({"--rate", "21600.5", "x"}), kRate);

    EXPECT_EQ(Refusal({"--lift", "30", "x"}), "");
    EXPECT_EQ(Refusal({"--lift", "70", "x"}), "");
    EXPECT_EQ(Refusal({"--lift", "29", "x"}), kLift);
    EXPECT_EQ(Refusal({"--lift", "71", "x"}), kLift);
    EXPECT_EQ(Refusal({"--lift", "abc", "x"}), kLift);

    EXPECT_EQ(Refusal({"--period", "2", "x"}), "");
    EXPECT_EQ(Refusal({"--period", "600", "x"}), "");
    EXPECT_EQ(Refusal({"--period", "1", "x"}), kPeriod);
    EXPECT_EQ(Refusal({"--period", "601", "x"}), kPeriod);

    EXPECT_EQ(Refusal({"--settling", "5", "x"}), "");
    EXPECT_EQ(Refusal({"--settling", "60", "x"}), "");
    EXPECT_EQ(Refusal({"--settling", "4", "x"}), kSettling);
    EXPECT_EQ(Refusal({"--settling", "61", "x"}), kSettling);

    EXPECT_EQ(Refusal({"--correction", "1500", "x"}), "");
    EXPECT_EQ(Refusal({"--correction", "-1500", "x"}), "");
    EXPECT_EQ(Refusal({"--correction", "+3.25", "x"}), "");
    EXPECT_EQ(Refusal({"--correction", "1500.5", "x"}), kCorrection);
    EXPECT_EQ(Refusal({"--correction", "abc", "x"}), kCorrection);
    EXPECT_EQ(Refusal({"--correction", "nan", "x"}), kCorrection);
    EXPECT_EQ(Refusal({"--correction", "+-3", "x"}), kCorrection);

    EXPECT_NE(Refusal({"--filter", "steep", "x"}), "");
}

TEST(AnalyzerOptions, ShortSettlingForASlowRateOnlyWarns) {
    AnalyzerOptions o;
    EXPECT_EQ(Refusal({"--rate", "300", "x"}, &o), "");
    ASSERT_EQ(o.warnings.size(), 1u);
    EXPECT_EQ(o.warnings[0], "Settling time is too short for a beat rate of 300 beats/hour. "
                             "Please select a time between 60 and 60 seconds.");
    EXPECT_EQ(Refusal({"--rate", "1800", "--settling", "10", "x"}, &o), "");
    EXPECT_TRUE(o.warnings.empty());
}

TEST(AnalyzerOptions, MalformedCommandLinesAreRefused) {
    EXPECT_NE(Refusal({"--frobnicate", "x.wav"}), "");
    EXPECT_NE(Refusal({"x.wav", "--rate"}), "");
    EXPECT_NE(Refusal({"--json", "--beats", "x.wav"}), "");
    EXPECT_NE(Refusal({"--beats", "a.wav", "b.wav"}), ""); // one CSV per run
    EXPECT_NE(Refusal({"--demo", "a.wav"}), "");
    EXPECT_NE(Refusal({}), "");
    EXPECT_NE(Refusal({"--json=yes", "a.wav"}), "");
    EXPECT_NE(Refusal({"--seconds", "10", "a.wav"}), ""); // demo only
    EXPECT_NE(Refusal({"--demo", "--seconds", "-1"}), "");
    AnalyzerOptions o;
    EXPECT_EQ(Refusal({"--demo", "--seconds", "12"}, &o), "");
    EXPECT_TRUE(o.demo);
    EXPECT_EQ(o.demoSeconds, 12.0);
    EXPECT_EQ(Refusal({"--help"}, &o), "");
    EXPECT_TRUE(o.help);
}

} // namespace
