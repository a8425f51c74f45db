#include "report/ReportRows.h"
#include "report/ReportColumns.h"
#include "report/ReportTexts.h"

#include "ReportTestPages.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using report::PositionWeights;
using report::TReportRow;
using report::testing::Page;

std::vector<std::int32_t> Weights(const std::vector<TReportRow>& rows) {
    std::vector<std::int32_t> weights;
    for (const TReportRow& row : rows)
        weights.push_back(row.Weight);
    return weights;
}

TEST(ReportRows, FreeTextPositionsWeighByCompletenessAndOrdersFollowThePages) {
    const std::vector<pages::TPageInfo> pages = {
        Page("Bench", 1, 280, 0.2, true),      // free text, complete
        Page("Shelf", 2, 280, 0.2, false),     // free text, incomplete
        Page("", 3, 280, 0.2, true),           // no position
        Page("crown left", 4, 280, 0.2, true), // case differs: free text
        Page("Dial Up", 5, 280, 0.2, false),   // standard, incomplete: stored weight
    };
    const PositionWeights stored = {3, 1, 1, 1, 1, 1};
    const auto rows = report::BuildReportRows(pages, stored);
    ASSERT_EQ(rows.size(), 5u);
    EXPECT_EQ(Weights(rows), (std::vector<std::int32_t>{1, 0, 0, 1, 3}));
    for (std::size_t i = 0; i < rows.size(); ++i) {
        EXPECT_EQ(rows[i].Order, static_cast<std::int32_t>(i + 1));
        EXPECT_TRUE(rows[i].Selectable);
        EXPECT_EQ(rows[i].Page.DailyRate, pages[i].DailyRate);
    }
}

TEST(ReportRows, OnlyTheLatestPageOfAPositionTakesItsStoredWeight) {
    const std::vector<pages::TPageInfo> pages = {
        Page("Dial Up", 1, 280, 0.2), Page("Crown Left", 2, 280, 0.2), Page("Dial Up", 3, 280, 0.2),
        Page("Crown Right", 4, 280, 0.2)};
    const PositionWeights stored = {2, 1, 1, 1, 4, 0};
    const auto rows = report::BuildReportRows(pages, stored);
    // The earlier Dial Up keeps 0; a stored 0 leaves Crown Right out.
    EXPECT_EQ(Weights(rows), (std::vector<std::int32_t>{0, 4, 2, 0}));
}

TEST(ReportRows, AtMostTenRows) {
    const std::vector<pages::TPageInfo> pages(12, Page("x", 0, 0, 0));
    EXPECT_EQ(report::BuildReportRows(pages, {}).size(), 10u);
    EXPECT_TRUE(report::BuildReportRows({}, {}).empty());
}

TEST(ReportRows, EditsChangePositionOrderAndWeightOfTheCopyOnly) {
    auto rows = report::BuildReportRows({Page("Bench", 1, 280, 0.2), Page("", 2, 280, 0.2)},
                                        PositionWeights{1, 1, 1, 1, 1, 1});
    EXPECT_FALSE(report::ApplyCellEdit(rows, 1, report::kPositionColumn, "  Dial Down \t"));
    EXPECT_EQ(rows[1].Page.Annotation, "Dial Down");

    EXPECT_TRUE(report::ApplyCellEdit(rows, 0, report::kWeightColumn, " 2"));
    EXPECT_EQ(rows[0].Weight, 2);
    EXPECT_TRUE(report::ApplyCellEdit(rows, 0, report::kWeightColumn, "2a"));
    EXPECT_EQ(rows[0].Weight, 0);
    EXPECT_TRUE(report::ApplyCellEdit(rows, 1, report::kOrderColumn, "07"));
    EXPECT_EQ(rows[1].Order, 7);

    // Result columns and rows without a page take nothing.
    EXPECT_FALSE(report::ApplyCellEdit(rows, 0, report::kRateColumn, "5"));
    EXPECT_EQ(rows[0].Page.DailyRate, 1.0);
    EXPECT_FALSE(report::ApplyCellEdit(rows, 2, report::kWeightColumn, "5"));
    EXPECT_FALSE(report::ApplyCellEdit(rows, -1, report::kWeightColumn, "5"));
}

TEST(ReportRows, TypedNumbersAreDigitsOnlyWithinThirtyTwoBits) {
    EXPECT_EQ(report::ParseCellNumber("2"), 2);
    EXPECT_EQ(report::ParseCellNumber("  12 "), 12);
    EXPECT_EQ(report::ParseCellNumber("0"), 0);
    EXPECT_EQ(report::ParseCellNumber(""), 0);
    EXPECT_EQ(report::ParseCellNumber("   "), 0);
    EXPECT_EQ(report::ParseCellNumber("2a"), 0);
    EXPECT_EQ(report::ParseCellNumber("x"), 0);
    EXPECT_EQ(report::ParseCellNumber("-1"), 0);
    EXPECT_EQ(report::ParseCellNumber("+1"), 0);
    EXPECT_EQ(report::ParseCellNumber("1 2"), 0);
    EXPECT_EQ(report::ParseCellNumber("2147483647"), 2147483647);
    EXPECT_EQ(report::ParseCellNumber("2147483648"), 0);
    EXPECT_EQ(report::ParseCellNumber("99999999999999999999999"), 0);
}

TEST(ReportRows, ClosingKeepsTheLatestNonZeroWeightOfEachStandardPosition) {
    std::vector<TReportRow> rows = report::BuildReportRows(
        {Page("Dial Up", 0, 0, 0), Page("Dial Up", 0, 0, 0), Page("Crown Right", 0, 0, 0),
         Page("Bench", 0, 0, 0), Page("Dial Down", 0, 0, 0)},
        PositionWeights{1, 1, 1, 1, 1, 1});
    rows[0].Weight = 4; // the earlier Dial Up
    rows[1].Weight = 0; // the later one: skipped, 0 is never stored
    rows[2].Weight = 5;
    rows[3].Weight = 7; // free text: not stored
    rows[4].Weight = 0;
    PositionWeights weights = {1, 1, 1, 1, 1, 1};
    EXPECT_TRUE(report::TakeWeights(rows, weights));
    EXPECT_EQ(weights, (PositionWeights{4, 1, 1, 1, 1, 5}));

    // The same weights again: nothing to store.
    EXPECT_FALSE(report::TakeWeights(rows, weights));
    EXPECT_EQ(weights, (PositionWeights{4, 1, 1, 1, 1, 5}));

    // A position renamed in the report counts under its new name.
    rows[3].Page.Annotation = "Crown Up";
    EXPECT_TRUE(report::TakeWeights(rows, weights));
    EXPECT_EQ(weights[2], 7);
}

TEST(ReportColumns, CellTextsInTheFieldWidths) {
    const report::FieldWidths widths = {26, 9, 7, 8, 3, 5};
    TReportRow row;
    row.Page = Page("Dial Up", 9.95, 275.5, 0.5, true);
    row.Order = 3;
    row.Weight = 12;
    EXPECT_EQ(report::ReportCellText(&row, report::kPositionColumn, widths), " Dial Up");
    EXPECT_EQ(report::ReportCellText(&row, report::kRateColumn, widths), "  + 10s/d");
    EXPECT_EQ(report::ReportCellText(&row, report::kAmplitudeColumn, widths), "   276\u00b0");
    EXPECT_EQ(report::ReportCellText(&row, report::kBeatErrorColumn, widths), "   0.5ms");
    EXPECT_EQ(report::ReportCellText(&row, report::kOrderColumn, widths), "  3");
    EXPECT_EQ(report::ReportCellText(&row, report::kWeightColumn, widths), "   12");
    row.Order = 0;
    row.Weight = 0;
    EXPECT_EQ(report::ReportCellText(&row, report::kOrderColumn, widths), "");
    EXPECT_EQ(report::ReportCellText(&row, report::kWeightColumn, widths), "");
    row.Page.DailyRate = 0.0;
    EXPECT_EQ(report::ReportCellText(&row, report::kRateColumn, widths), "  -0.0s/d");
    EXPECT_EQ(report::ReportCellText(nullptr, report::kRateColumn, widths), "");
}

TEST(ReportColumns, ColumnsWidenForTheirCaptionsInProportion) {
    const auto ms = [](int letters) { return letters * 7; }; // 7 pixels a letter
    // 27 letters, 193 pixels: the caption fits; the value is centred in 27 characters.
    report::ColumnGeometry g = report::LayoutColumn(25, 60, ms);
    EXPECT_EQ(g.pixelWidth, 193);
    EXPECT_EQ(g.fieldWidth, 26);
    // 9 letters are 67 pixels; a 70-pixel caption makes 78 pixels and round(10.48) letters.
    g = report::LayoutColumn(7, 70, ms);
    EXPECT_EQ(g.pixelWidth, 78);
    EXPECT_EQ(g.fieldWidth, 9);
    // 4 letters are 32 pixels; 68 / 8 = 8.5 letters round to the even 8, not 9.
    g = report::LayoutColumn(2, 60, ms);
    EXPECT_EQ(g.pixelWidth, 68);
    EXPECT_EQ(g.fieldWidth, 5);
}

TEST(ReportTexts, PaddingCountsCharactersNotBytes) {
    EXPECT_EQ(report::TextLength("276\u00b0"), 4u);
    EXPECT_EQ(report::PadLeft("276\u00b0", 6), "  276\u00b0");
    EXPECT_EQ(report::PadRight("\u00c9tabli", 8), "\u00c9tabli  ");
    EXPECT_EQ(report::PadLeft("longer", 3), "longer");
    EXPECT_EQ(report::Trim("  a b \r\n"), "a b");
    EXPECT_EQ(report::UnsignedRateText(-12.0), " 12s/d");
}

} // namespace
