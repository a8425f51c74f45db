#include "report/ReportStatistics.h"
#include "report/ReportTexts.h"
#include "report/ValueTexts.h"

#include "ReportTestPages.h"

#include <gtest/gtest.h>

namespace {

using report::PositionWeights;
using report::ResultTexts;
using report::TReportRow;
using report::testing::Page;

const report::FieldWidths kWidths = {26, 9, 7, 8, 3, 5};

TReportRow Row(double rate, double amplitude, double beatError, std::int32_t weight) {
    TReportRow row;
    row.Page = Page("Bench", rate, amplitude, beatError);
    row.Weight = weight;
    return row;
}

// The rate, amplitude and beat error texts of a result row, trimmed.
std::vector<std::string> Values(const ResultTexts& texts, int row) {
    return {report::Trim(texts[row][1]), report::Trim(texts[row][2]), report::Trim(texts[row][3])};
}

TEST(ReportStatistics, AveragesExtremesAndSpreadOverThePositiveWeights) {
    const std::vector<TReportRow> rows = {Row(3.0, 280, 0.3, 1), Row(-5.0, 260, 0.5, 2),
                                          Row(40.0, 200, 3.0, 0),  // weight 0: left out
                                          Row(-9.0, 100, 9.0, -2), // negative: left out
                                          Row(1.0, 270, 0.1, 3)};
    const report::ReportStatistics s = report::ComputeStatistics(rows);
    EXPECT_EQ(s.count, 3);
    EXPECT_EQ(s.totalWeight, 6);
    EXPECT_DOUBLE_EQ(s.rate.weightedSum, 3.0 - 10.0 + 3.0);
    EXPECT_DOUBLE_EQ(s.amplitude.minimum, 260);
    EXPECT_DOUBLE_EQ(s.beatError.maximum, 0.5);

    const ResultTexts texts = report::StatisticsTexts(s, kWidths);
    EXPECT_EQ(texts[report::kAverageRow][0], " Average");
    EXPECT_EQ(texts[report::kWeightedAverageRow][0], " Weighted Average");
    EXPECT_EQ(texts[report::kDeviationRow][0], " Deviation");
    EXPECT_EQ(Values(texts, report::kAverageRow),
              (std::vector<std::string>{"-0.3s/d", "270\u00b0", "0.3ms"}));
    // (3 - 10 + 3) / 6 s/d, (280 + 520 + 810) / 6 degrees, (0.3 + 1.0 + 0.3) / 6 ms.
    EXPECT_EQ(Values(texts, report::kWeightedAverageRow),
              (std::vector<std::string>{"-0.7s/d", "268\u00b0", "0.3ms"}));
    EXPECT_EQ(Values(texts, report::kMinimumRow),
              (std::vector<std::string>{"-5.0s/d", "260\u00b0", "0.1ms"}));
    EXPECT_EQ(Values(texts, report::kMaximumRow),
              (std::vector<std::string>{"+3.0s/d", "280\u00b0", "0.5ms"}));
    // The spread has no sign.
    EXPECT_EQ(Values(texts, report::kDeviationRow),
              (std::vector<std::string>{"8.0s/d", "20\u00b0", "0.4ms"}));
    // Right-aligned in the field widths of the report's value columns.
    EXPECT_EQ(texts[report::kAverageRow][1], "  -0.3s/d");
    EXPECT_EQ(texts[report::kAverageRow][2], "   270\u00b0");
    EXPECT_EQ(texts[report::kAverageRow][3], "   0.3ms");
}

TEST(ReportStatistics, TwoPagesOfOnePositionCountOnceUntilAWeightIsTyped) {
    auto rows =
        report::BuildReportRows({Page("Dial Up", 2.0, 280, 0.2), Page("Dial Up", 6.0, 300, 0.4)},
                                PositionWeights{1, 1, 1, 1, 1, 1});
    ResultTexts texts = report::StatisticsTexts(report::ComputeStatistics(rows), kWidths);
    EXPECT_EQ(report::ComputeStatistics(rows).count, 1);
    EXPECT_EQ(Values(texts, report::kAverageRow),
              (std::vector<std::string>{"+6.0s/d", "300\u00b0", "0.4ms"}));
    EXPECT_EQ(Values(texts, report::kDeviationRow),
              (std::vector<std::string>{"0.0s/d", "0\u00b0", "0.0ms"}));

    report::ApplyCellEdit(rows, 0, report::kWeightColumn, "1");
    texts = report::StatisticsTexts(report::ComputeStatistics(rows), kWidths);
    EXPECT_EQ(Values(texts, report::kAverageRow),
              (std::vector<std::string>{"+4.0s/d", "290\u00b0", "0.3ms"}));
}

TEST(ReportStatistics, TypedWeightsChangeTheWeightedAverageAtOnce) {
    auto rows =
        report::BuildReportRows({Page("Bench", 0.0, 270, 0.2), Page("Shelf", 6.0, 270, 0.2)},
                                PositionWeights{1, 1, 1, 1, 1, 1});
    const auto weightedRate = [&rows] {
        return report::Trim(report::StatisticsTexts(report::ComputeStatistics(rows),
                                                    kWidths)[report::kWeightedAverageRow][1]);
    };
    EXPECT_EQ(weightedRate(), "+3.0s/d");
    ASSERT_TRUE(report::ApplyCellEdit(rows, 1, report::kWeightColumn, "2"));
    EXPECT_EQ(weightedRate(), "+4.0s/d");
    ASSERT_TRUE(report::ApplyCellEdit(rows, 1, report::kWeightColumn, "2a"));
    EXPECT_EQ(rows[1].Weight, 0);
    EXPECT_EQ(weightedRate(), "-0.0s/d");
}

TEST(ReportStatistics, WithoutPositiveWeightsOnlyTheCaptionsRemain) {
    const std::vector<TReportRow> rows = {Row(3.0, 280, 0.3, 0), Row(-5.0, 260, 0.5, 0)};
    const report::ReportStatistics s = report::ComputeStatistics(rows);
    EXPECT_EQ(s.count, 0);
    const ResultTexts texts = report::StatisticsTexts(s, kWidths);
    for (int r = 0; r < report::kResultRowCount; ++r) {
        EXPECT_FALSE(texts[r][0].empty());
        for (int c = 1; c < report::kResultColumnCount; ++c)
            EXPECT_TRUE(texts[r][c].empty()) << r << "," << c;
    }
}

TEST(ReportStatistics, ExtremesHoldForValuesBeyondAnyStartingGuess) {
    // A rate far off scale (a damaged page) is still the minimum and the maximum.
    const std::vector<TReportRow> rows = {Row(2.5e9, 280, 0.3, 1)};
    const report::ReportStatistics s = report::ComputeStatistics(rows);
    EXPECT_DOUBLE_EQ(s.rate.minimum, 2.5e9);
    EXPECT_DOUBLE_EQ(s.rate.maximum, 2.5e9);
    const ResultTexts texts = report::StatisticsTexts(s, kWidths);
    EXPECT_EQ(report::Trim(texts[report::kDeviationRow][1]), "0.0s/d");
}

TEST(ReportStatistics, HugeWeightsDoNotOverflow) {
    const std::vector<TReportRow> rows = {Row(1.0, 280, 0.3, 2147483647),
                                          Row(3.0, 280, 0.3, 2147483647)};
    const report::ReportStatistics s = report::ComputeStatistics(rows);
    EXPECT_EQ(s.totalWeight, 2 * 2147483647LL);
    const ResultTexts texts = report::StatisticsTexts(s, kWidths);
    EXPECT_EQ(report::Trim(texts[report::kWeightedAverageRow][1]), "+2.0s/d");
}

} // namespace
