#include "settings/SettingsNumbers.h"

#include <gtest/gtest.h>

#include <clocale>

namespace {

using tickora::DivideRoundHalfEven;
using tickora::FormatGain;
using tickora::ParseDecimal;
using tickora::ParseInteger;
using tickora::ParseSweep;

TEST(SettingsNumbersTest, IntegersAreDecimalWithOptionalSignAndBlanks) {
    EXPECT_EQ(ParseInteger("28800"), 28800);
    EXPECT_EQ(ParseInteger(" -12 "), -12);
    EXPECT_EQ(ParseInteger("+7"), 7);
    EXPECT_EQ(ParseInteger("2147483647"), 2147483647);
    EXPECT_EQ(ParseInteger("-2147483648"), INT32_MIN);
    for (const char* bad : {"", " ", "AUTO", "abc", "12a", "1.5", "--1", "+", "2147483648",
                            "99999999999999999999", "0x10", "1 2"})
        EXPECT_FALSE(ParseInteger(bad)) << bad;
}

TEST(SettingsNumbersTest, DecimalsAcceptPointOrCommaAndRefuseNonFiniteForms) {
    EXPECT_DOUBLE_EQ(*ParseDecimal("1500"), 1500.0);
    EXPECT_DOUBLE_EQ(*ParseDecimal("-2.5"), -2.5);
    EXPECT_DOUBLE_EQ(*ParseDecimal("-2,5"), -2.5);
    EXPECT_DOUBLE_EQ(*ParseDecimal("+.5"), 0.5);
    EXPECT_DOUBLE_EQ(*ParseDecimal(" 1.00000000000000E+0000"), 1.0);
    EXPECT_DOUBLE_EQ(*ParseDecimal("2.5e-3"), 0.0025);
    for (const char* bad : {"", "abc", "1.2.3", "1,2.3", "inf", "-inf", "nan", "NAN", "0x1p3",
                            "1e999", "1.5x", "e5", "-", "."})
        EXPECT_FALSE(ParseDecimal(bad)) << bad;
}

TEST(SettingsNumbersTest, DecimalsIgnoreTheProcessLocale) {
    const char* old = std::setlocale(LC_ALL, nullptr);
    const std::string saved = old ? old : "C";
    // A comma-decimal locale may be missing; the parse must not depend on it either way.
    std::setlocale(LC_ALL, "de_DE.UTF-8");
    EXPECT_DOUBLE_EQ(*ParseDecimal(" 2.50000000000000E+0001"), 25.0);
    EXPECT_EQ(FormatGain(25.0), " 2.50000000000000E+0001");
    std::setlocale(LC_ALL, saved.c_str());
}

TEST(SettingsNumbersTest, SweepFractions) {
    EXPECT_DOUBLE_EQ(ParseSweep("1/5.5"), 1.0 / 5.5);
    EXPECT_DOUBLE_EQ(ParseSweep("2/3.5"), 2.0 / 3.5);
    EXPECT_DOUBLE_EQ(ParseSweep("10"), 10.0);
    EXPECT_DOUBLE_EQ(ParseSweep("1/10"), 0.1);
    EXPECT_DOUBLE_EQ(ParseSweep("1/0"), -1.0);     // denominator too small
    EXPECT_DOUBLE_EQ(ParseSweep("1/0.001"), -1.0); // at the limit: still too small
    EXPECT_DOUBLE_EQ(ParseSweep("1/-2"), -1.0);
    EXPECT_DOUBLE_EQ(ParseSweep("x/2"), -1.0); // numerator not a number
    EXPECT_DOUBLE_EQ(ParseSweep("2/x"), -1.0);
    EXPECT_DOUBLE_EQ(ParseSweep("0.005"), -1.0); // numerator below 0.01
    EXPECT_DOUBLE_EQ(ParseSweep("0.01"), 0.01);
    EXPECT_DOUBLE_EQ(ParseSweep(""), -1.0);
    EXPECT_DOUBLE_EQ(ParseSweep("1/2/3"), -1.0); // "2/3" is not a number
    EXPECT_DOUBLE_EQ(ParseSweep("/"), -1.0);
}

TEST(SettingsNumbersTest, RoundingHalvesToEven) {
    EXPECT_EQ(DivideRoundHalfEven(18000, 300), 60);
    EXPECT_EQ(DivideRoundHalfEven(18000, 1800), 10);
    EXPECT_EQ(DivideRoundHalfEven(18000, 3600), 5);
    EXPECT_EQ(DivideRoundHalfEven(18000, 43200), 0); // 0.42
    EXPECT_EQ(DivideRoundHalfEven(18000, 7200), 2);  // 2.5 -> 2
    EXPECT_EQ(DivideRoundHalfEven(18000, 4000), 4);  // 4.5 -> 4
    EXPECT_EQ(DivideRoundHalfEven(18000, 12000), 2); // 1.5 -> 2
    EXPECT_EQ(DivideRoundHalfEven(18000, 2769), 7);  // 6.50036 -> 7
    EXPECT_EQ(DivideRoundHalfEven(-5, 2), -2);       // -2.5 -> -2
    EXPECT_EQ(DivideRoundHalfEven(-7, 2), -4);       // -3.5 -> -4
}

TEST(SettingsNumbersTest, GainLineIsTwentyThreeCharactersInExponentForm) {
    EXPECT_EQ(FormatGain(1.0), " 1.00000000000000E+0000");
    EXPECT_EQ(FormatGain(256.0), " 2.56000000000000E+0002");
    EXPECT_EQ(FormatGain(0.0), " 0.00000000000000E+0000");
    EXPECT_EQ(FormatGain(-1.5), "-1.50000000000000E+0000");
    EXPECT_EQ(FormatGain(0.001), " 1.00000000000000E-0003");
    EXPECT_EQ(FormatGain(1e-300), " 1.00000000000000E-0300");
    EXPECT_EQ(FormatGain(1.0 / 3.0), " 3.33333333333333E-0001");
    EXPECT_EQ(FormatGain(9.999999999999999), " 1.00000000000000E+0001"); // rounds up
    for (const double gain : {1.0, 3.7, 17.25, 255.999, 1.0 / 3.0, 1e-300, 1e300})
        EXPECT_EQ(FormatGain(gain).size(), 23u) << gain;
    // Reads back to the written value within its 15 digits.
    EXPECT_NEAR(*ParseDecimal(FormatGain(17.123456789012345)), 17.123456789012345, 1e-13);
}

} // namespace
