#include "report/ValueTexts.h"

#include <gtest/gtest.h>

#include <limits>

using namespace report;

TEST(ValueTexts, RateSwitchesFormatAtItsThresholds) {
    EXPECT_EQ(RateText(0.0), "-0.0s/d");
    EXPECT_EQ(RateText(9.949), "+9.9s/d");
    EXPECT_EQ(RateText(-9.949), "-9.9s/d");
    EXPECT_EQ(RateText(9.95), "+ 10s/d");
    EXPECT_EQ(RateText(123.4), "+123s/d");
    EXPECT_EQ(RateText(999.4), "+999s/d");
    EXPECT_EQ(RateText(999.5), "+ 17m/d");
    EXPECT_EQ(RateText(-1000.0), "- 17m/d");
    EXPECT_EQ(RateText(59969.0), "+999m/d");
    EXPECT_EQ(RateText(60000.0), "+******");
    EXPECT_EQ(RateText(-60000.0), "-******");
}

TEST(ValueTexts, RateOfNonFiniteValuesIsOverflow) {
    EXPECT_EQ(RateText(std::numeric_limits<double>::infinity()), "+******");
    EXPECT_EQ(RateText(std::numeric_limits<double>::quiet_NaN()), "-******");
}

TEST(ValueTexts, AmplitudeIsRoundedHalfToEvenAndPadded) {
    EXPECT_EQ(AmplitudeText(7.4), "  7\u00b0");
    EXPECT_EQ(AmplitudeText(0.0), "  0\u00b0");
    EXPECT_EQ(AmplitudeText(42.0), " 42\u00b0");
    EXPECT_EQ(AmplitudeText(275.6), "276\u00b0");
    EXPECT_EQ(AmplitudeText(274.5), "274\u00b0");
    EXPECT_EQ(AmplitudeText(275.5), "276\u00b0");
    EXPECT_EQ(AmplitudeText(1234.0), "1234\u00b0");
}

TEST(ValueTexts, BeatErrorKeepsItsSign) {
    EXPECT_EQ(BeatErrorText(0.0), "0.0ms");
    EXPECT_EQ(BeatErrorText(0.34), "0.3ms");
    EXPECT_EQ(BeatErrorText(9.949), "9.9ms");
    EXPECT_EQ(BeatErrorText(9.95), " 10ms");
    EXPECT_EQ(BeatErrorText(12.3), " 12ms");
    EXPECT_EQ(BeatErrorText(-1.25), "-1.2ms");
}

TEST(ValueTexts, ParametersPreferDetectedRateThenSetRateThenAuto) {
    EXPECT_EQ(ParametersText(28800, 0, 52, 20), "28800bph 52\u00b0 20s");
    EXPECT_EQ(ParametersText(0, 21600, 44, 60), "21600bph 44\u00b0 60s");
    EXPECT_EQ(ParametersText(0, 0, 52, 20), "AUTO 52\u00b0 20s");
    EXPECT_EQ(ParametersText(18000, 28800, 52, 20), "18000bph 52\u00b0 20s");
}

TEST(ValueTexts, GainInDecibels) {
    EXPECT_EQ(GainText(1.0), "+0dB");
    EXPECT_EQ(GainText(2.0), "+6dB");
    EXPECT_EQ(GainText(32.0), "+30dB");
    EXPECT_EQ(GainText(256.0), "+48dB");
}

TEST(ValueTexts, PageTimeRoundsToNearestMinute) {
    // 2024-03-15 is day 45366 after 1899-12-30.
    const double day = 45366.0;
    EXPECT_EQ(PageTimeText(day), "2024-03-15 00:00");
    EXPECT_EQ(PageTimeText(day + (9 * 3600 + 25 * 60 + 40) / 86400.0), "2024-03-15 09:26");
    EXPECT_EQ(PageTimeText(day + (9 * 3600 + 25 * 60 + 20) / 86400.0), "2024-03-15 09:25");
    EXPECT_EQ(PageTimeText(day + (23 * 3600 + 59 * 60 + 45) / 86400.0), "2024-03-16 00:00");
    EXPECT_EQ(PageTimeText(0.0), "1899-12-30 00:00");
    EXPECT_EQ(PageTimeText(60.0), "1900-02-28 00:00");
    EXPECT_EQ(PageTimeText(61.0), "1900-03-01 00:00");
    EXPECT_EQ(PageTimeText(std::numeric_limits<double>::quiet_NaN()), "(no time)");
}

TEST(ValueTexts, PageCaptionUsesAnnotationOrPageNumber) {
    const double t = 45366.5;
    EXPECT_EQ(PageCaptionText("", 3, 10, t), "Page 3/10 - 2024-03-15 12:00");
    EXPECT_EQ(PageCaptionText("Dial Up", 3, 10, t), "Dial Up - 2024-03-15 12:00");
}

TEST(ValueTexts, TonesFollowCompletenessAndLongTermState) {
    EXPECT_EQ(RateTone(false, true, false), ResultTone::Provisional);
    EXPECT_EQ(RateTone(true, false, false), ResultTone::Complete);
    EXPECT_EQ(RateTone(true, true, true), ResultTone::Complete);
    EXPECT_EQ(RateTone(true, true, false), ResultTone::LongTermRate);
    EXPECT_EQ(AmplitudeTone(false, false, false), ResultTone::Provisional);
    EXPECT_EQ(AmplitudeTone(true, true, true), ResultTone::Complete);
    EXPECT_EQ(AmplitudeTone(true, true, false), ResultTone::LongTermAmplitude);
    EXPECT_EQ(BeatErrorTone(true), ResultTone::Complete);
    EXPECT_EQ(BeatErrorTone(false), ResultTone::Provisional);
}
