#include "settings/SettingsValidation.h"

#include <gtest/gtest.h>

namespace {

using tickora::SettingsField;
using tickora::SettingsValues;
using tickora::ValidateFields;

const std::string kRateMessage =
    "Invalid beat rate. Please select AUTO, or a rate between 300 and 43200 beats/hour.";
const std::string kAngleMessage =
    "Invalid lift angle. Please select an angle between 30 and 70 degrees.";
const std::string kPeriodMessage =
    "Invalid averaging period. Please select a period between 2 and 600 seconds.";
const std::string kScaleMessage =
    "Invalid vertical scale. Please select a scale between 1 and 20 dots/millisecond.";
const std::string kSettlingMessage =
    "Invalid settling time. Please select a time between 5 and 60 seconds.";
const std::string kCorrectionMessage =
    "Invalid time correction. Please enter a correction between -1500 and +1500 seconds/day.";
const std::string kSweepMessage =
    "Invalid scope sweep time. Please select a sweep time between 1/10 and 10 seconds.";

// The message of checking only `field` with its text set to `text`; empty when it passes.
std::string FieldMessage(SettingsField field, const std::string& text) {
    SettingsValues values;
    switch (field) {
    case SettingsField::Rate:
        values.Rate = text;
        break;
    case SettingsField::Angle:
        values.Angle = text;
        break;
    case SettingsField::Period:
        values.Period = text;
        break;
    case SettingsField::Scale:
        values.Scale = text;
        break;
    case SettingsField::Settling:
        values.Settling = text;
        break;
    case SettingsField::Calibration:
        values.Calibration = text;
        break;
    case SettingsField::Sweep:
        values.Sweep = text;
        break;
    }
    const auto result = ValidateFields(values, field);
    if (result.allPassed) {
        EXPECT_TRUE(result.messages.empty());
        EXPECT_FALSE(result.failedField);
        return {};
    }
    EXPECT_EQ(result.failedField, field);
    EXPECT_EQ(result.messages.size(), 1u);
    return result.messages.empty() ? std::string("?") : result.messages.front().text;
}

TEST(SettingsValidationTest, InitialValuesPass) {
    const auto result = ValidateFields(SettingsValues{});
    EXPECT_TRUE(result.allPassed);
    EXPECT_TRUE(result.messages.empty());
}

TEST(SettingsValidationTest, BeatRate) {
    EXPECT_EQ(FieldMessage(SettingsField::Rate, "AUTO"), "");
    EXPECT_EQ(FieldMessage(SettingsField::Rate, "300"), "");
    EXPECT_EQ(FieldMessage(SettingsField::Rate, "43200"), "");
    EXPECT_EQ(FieldMessage(SettingsField::Rate, "28800"), "");
    for (const char* bad : {"auto", "Auto", "299", "43201", "abc", "", "0", "-28800", "28800.0"})
        EXPECT_EQ(FieldMessage(SettingsField::Rate, bad), kRateMessage) << bad;
}

TEST(SettingsValidationTest, IntegerRanges) {
    EXPECT_EQ(FieldMessage(SettingsField::Angle, "30"), "");
    EXPECT_EQ(FieldMessage(SettingsField::Angle, "70"), "");
    for (const char* bad : {"29", "71", "abc", "52.5"})
        EXPECT_EQ(FieldMessage(SettingsField::Angle, bad), kAngleMessage) << bad;

    EXPECT_EQ(FieldMessage(SettingsField::Period, "2"), "");
    EXPECT_EQ(FieldMessage(SettingsField::Period, "600"), "");
    for (const char* bad : {"1", "601", "x"})
        EXPECT_EQ(FieldMessage(SettingsField::Period, bad), kPeriodMessage) << bad;

    EXPECT_EQ(FieldMessage(SettingsField::Scale, "1"), "");
    EXPECT_EQ(FieldMessage(SettingsField::Scale, "20"), "");
    for (const char* bad : {"0", "21", "ten"})
        EXPECT_EQ(FieldMessage(SettingsField::Scale, bad), kScaleMessage) << bad;

    EXPECT_EQ(FieldMessage(SettingsField::Settling, "5"), "");
    EXPECT_EQ(FieldMessage(SettingsField::Settling, "60"), "");
    for (const char* bad : {"4", "61", ""})
        EXPECT_EQ(FieldMessage(SettingsField::Settling, bad), kSettlingMessage) << bad;
}

TEST(SettingsValidationTest, RateCorrectionWithToleranceOnTheOuterSide) {
    for (const char* good :
         {"1500", "-1500", "+1500", "0", "-2.5", "1500.000000001", "-1500.000000001"})
        EXPECT_EQ(FieldMessage(SettingsField::Calibration, good), "") << good;
    for (const char* bad : {"1500.5", "-1500.5", "1500.00000001", "abc", "", "nan", "inf"})
        EXPECT_EQ(FieldMessage(SettingsField::Calibration, bad), kCorrectionMessage) << bad;
}

TEST(SettingsValidationTest, SweepTime) {
    for (const char* good : {"1/10", "10", "1/8", "2/5.5", "0.09999999999", "10.0000000001"})
        EXPECT_EQ(FieldMessage(SettingsField::Sweep, good), "") << good;
    for (const char* bad : {"1/11", "11", "1/0", "20", "x/2", "0.0999999", "10.00001"})
        EXPECT_EQ(FieldMessage(SettingsField::Sweep, bad), kSweepMessage) << bad;
}

TEST(SettingsValidationTest, AllChecksRunInOrderAndStopAtTheFirstFailure) {
    SettingsValues values;
    values.Angle = "abc";
    values.Sweep = "11";
    values.Period = "1";
    auto result = ValidateFields(values);
    EXPECT_FALSE(result.allPassed);
    ASSERT_EQ(result.messages.size(), 1u);
    EXPECT_EQ(result.messages[0].text, kAngleMessage);
    EXPECT_EQ(result.failedField, SettingsField::Angle);

    values.Angle = "52";
    values.Period = "20";
    result = ValidateFields(values);
    ASSERT_EQ(result.messages.size(), 1u);
    EXPECT_EQ(result.failedField, SettingsField::Sweep);

    // A field as sender checks that field alone.
    EXPECT_TRUE(ValidateFields(values, SettingsField::Angle).allPassed);
}

TEST(SettingsValidationTest, ShortSettlingTimeOnlyWarns) {
    SettingsValues values;
    values.Rate = "300";
    values.Settling = "5";
    const std::string warning = "Settling time is too short for a beat rate of 300 beats/hour. "
                                "Please select a time between 60 and 60 seconds.";

    auto result = ValidateFields(values, SettingsField::Settling);
    EXPECT_TRUE(result.allPassed);
    ASSERT_EQ(result.messages.size(), 1u);
    EXPECT_EQ(result.messages[0].text, warning);
    EXPECT_TRUE(result.messages[0].warning);
    EXPECT_FALSE(result.failedField);

    // Checking everything warns once and goes on to a later failure.
    values.Sweep = "1/11";
    result = ValidateFields(values);
    EXPECT_FALSE(result.allPassed);
    ASSERT_EQ(result.messages.size(), 2u);
    EXPECT_EQ(result.messages[0].text, warning);
    EXPECT_EQ(result.messages[1].text, kSweepMessage);
    EXPECT_EQ(result.failedField, SettingsField::Sweep);

    values.Sweep = "1";
    values.Rate = "1800";
    values.Settling = "9";
    result = ValidateFields(values);
    EXPECT_TRUE(result.allPassed);
    ASSERT_EQ(result.messages.size(), 1u);
    EXPECT_EQ(result.messages[0].text,
              "Settling time is too short for a beat rate of 1800 beats/hour. Please select a "
              "time between 10 and 60 seconds.");

    values.Settling = "10"; // exactly five beats passes
    EXPECT_TRUE(ValidateFields(values).messages.empty());

    values.Rate = "AUTO";
    values.Settling = "5";
    EXPECT_TRUE(ValidateFields(values, SettingsField::Settling).messages.empty());
}

TEST(SettingsValidationTest, SettlingCheckAgainstARefusedRateIsSkipped) {
    // Leaving the settling field while the rate field holds a refused text: there is no
    // minimum to compare with; the rate check reports the rate itself.
    SettingsValues values;
    values.Settling = "5";
    for (const char* rate : {"abc", "0", "-300", "100", "auto", "99999"}) {
        values.Rate = rate;
        const auto result = ValidateFields(values, SettingsField::Settling);
        EXPECT_TRUE(result.allPassed) << rate;
        EXPECT_TRUE(result.messages.empty()) << rate;
    }
    // A settling time that fails its own range does not also warn.
    values.Rate = "300";
    values.Settling = "4";
    const auto result = ValidateFields(values, SettingsField::Settling);
    ASSERT_EQ(result.messages.size(), 1u);
    EXPECT_EQ(result.messages[0].text, kSettlingMessage);
}

} // namespace
