#include "report/PrintLayout.h"
#include "report/ReportTexts.h"

#include "ReportTestPages.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace {

using report::PrintFont;
using report::PrintPlan;
using report::TReportRow;
using report::testing::Page;

const report::FieldWidths kWidths = {26, 9, 7, 8, 3, 5};
constexpr int kPlotWidth = 960;  // pixels
constexpr int kPlotHeight = 511; // pixels

// Fixed-pitch sizes, so positions can be worked out by hand: the title 30 pixels a
// character and 60 high, the tables 20 a character and 40 high.
class FixedMeasure : public report::PrintMeasure {
public:
    int TextWidth(PrintFont font, const std::string& utf8) const override {
        return static_cast<int>(report::TextLength(utf8)) * (font == PrintFont::Title ? 30 : 20);
    }
    int TextHeight(PrintFont font, const std::string&) const override {
        return font == PrintFont::Title ? 60 : 40;
    }
};

std::vector<TReportRow> Rows(int count, std::int32_t weight = 1) {
    std::vector<TReportRow> rows;
    for (int i = 0; i < count; ++i) {
        TReportRow row;
        row.Page = Page("Bench " + std::to_string(i + 1), i, 270 + i, 0.1 * i);
        row.Order = i + 1;
        row.Weight = weight;
        rows.push_back(row);
    }
    return rows;
}

report::PrintPageInput Input(const std::vector<TReportRow>& rows, int pictureWidth,
                             int pictureHeight, int pageWidth = 2480, int pageHeight = 3508) {
    report::PrintPageInput input;
    input.pageWidth = pageWidth;
    input.pageHeight = pageHeight;
    input.pictureWidth = pictureWidth;
    input.pictureHeight = pictureHeight;
    for (std::size_t r = 0; r < rows.size(); ++r) {
        report::RowTexts texts;
        for (int c = 0; c < report::kReportColumnCount; ++c)
            texts[c] = report::ReportCellText(&rows[r], c, kWidths);
        input.cellTexts.push_back(texts);
    }
    for (int r = 0; r < report::kResultRowCount; ++r) {
        input.resultTexts[r][0] = std::string(report::kResultCaptions[r]);
        input.resultTexts[r][1] = "  +1.0s/d";
        input.resultTexts[r][2] = "   270\u00b0";
        input.resultTexts[r][3] = "   0.1ms";
    }
    input.fieldWidths = kWidths;
    input.applicationTitle = "Tickora 1.4";
    return input;
}

report::PrintPageLayout Layout(const std::vector<TReportRow>& rows, const std::string& title = "",
                               bool traces = true, int pageWidth = 2480, int pageHeight = 3508) {
    const PrintPlan plan = report::PlanPrint(rows, title);
    const report::TracePictureLayout picture =
        traces ? report::LayoutTracePicture(plan, kPlotWidth, kPlotHeight)
               : report::TracePictureLayout{};
    return report::LayoutPrintPage(
        plan, Input(rows, picture.width, picture.height, pageWidth, pageHeight), FixedMeasure());
}

bool Overlap(int aLeft, int aTop, int bLeft, int bTop, int width, int height) {
    return aLeft < bLeft + width && bLeft < aLeft + width && aTop < bTop + height &&
           bTop < aTop + height;
}

struct GridCase {
    int included;
    int columns;
    int rows;
};

class TraceGridTest : public ::testing::TestWithParam<GridCase> {};

TEST_P(TraceGridTest, TracesSitInTheirOwnFramedCells) {
    const GridCase c = GetParam();
    const PrintPlan plan = report::PlanPrint(Rows(c.included), "");
    EXPECT_EQ(plan.gridColumns, c.columns);
    EXPECT_EQ(plan.gridRows, c.rows);

    const report::TracePictureLayout picture =
        report::LayoutTracePicture(plan, kPlotWidth, kPlotHeight);
    EXPECT_EQ(picture.width, (kPlotWidth + 1) * c.columns + 1);
    EXPECT_EQ(picture.height, (kPlotHeight + 1) * c.rows + 1);
    ASSERT_EQ(picture.cells.size(), static_cast<std::size_t>(c.included));
    for (std::size_t k = 0; k < picture.cells.size(); ++k) {
        const report::TraceCell& a = picture.cells[k];
        EXPECT_EQ(a.row, static_cast<int>(k));
        // Row by row, left to right.
        EXPECT_EQ(a.left, (kPlotWidth + 1) * (static_cast<int>(k) % c.columns));
        EXPECT_EQ(a.top, (kPlotHeight + 1) * (static_cast<int>(k) / c.columns));
        // The frame lies inside the picture.
        EXPECT_LE(a.left + picture.cellWidth + 2, picture.width);
        EXPECT_LE(a.top + picture.cellHeight + 2, picture.height);
        // The traces themselves never overlap; only the one-pixel frames are shared.
        for (std::size_t m = k + 1; m < picture.cells.size(); ++m) {
            const report::TraceCell& b = picture.cells[m];
            EXPECT_FALSE(Overlap(a.left + 1, a.top + 1, b.left + 1, b.top + 1, picture.cellWidth,
                                 picture.cellHeight))
                << k << " and " << m;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(IncludedRows, TraceGridTest,
                         ::testing::Values(GridCase{1, 1, 1}, GridCase{2, 2, 1}, GridCase{4, 2, 2},
                                           GridCase{6, 2, 3}, GridCase{7, 3, 3},
                                           GridCase{10, 3, 4}));

TEST(PrintLayout, PagesWithoutWeightAreNeitherTracedNorListed) {
    auto rows = Rows(5);
    rows[1].Weight = 0;
    rows[3].Weight = 0;
    const PrintPlan plan = report::PlanPrint(rows, "");
    EXPECT_EQ(plan.included, (std::vector<int>{0, 2, 4}));
    EXPECT_EQ(report::LayoutTracePicture(plan, kPlotWidth, kPlotHeight).cells.size(), 3u);
    const report::PrintPageLayout page = Layout(rows);
    EXPECT_EQ(page.pageLineCount, 3);
    for (const auto& line : page.table)
        EXPECT_EQ(line.text.find("Bench 2"), std::string::npos);
}

TEST(PrintLayout, OrdersRankThePagesAndEqualOrdersKeepRowOrder) {
    auto rows = Rows(3);
    rows[0].Order = 3;
    rows[1].Order = 1;
    rows[2].Order = 2;
    EXPECT_EQ(report::PlanPrint(rows, "").included, (std::vector<int>{1, 2, 0}));
    const report::PrintPageLayout page = Layout(rows);
    ASSERT_GE(page.table.size(), 4u);
    EXPECT_EQ(page.table[1].text.rfind("Bench 2", 0), 0u);
    EXPECT_EQ(page.table[2].text.rfind("Bench 3", 0), 0u);
    EXPECT_EQ(page.table[3].text.rfind("Bench 1", 0), 0u);

    rows[0].Order = 2;
    rows[1].Order = 1;
    rows[2].Order = 2;
    EXPECT_EQ(report::PlanPrint(rows, "").included, (std::vector<int>{1, 0, 2}));
    // Empty orders (0) come first, in row order.
    rows[2].Order = 0;
    rows[0].Order = 0;
    EXPECT_EQ(report::PlanPrint(rows, "").included, (std::vector<int>{0, 2, 1}));
}

TEST(PrintLayout, WeightColumnAndWeightedAverageOnlyWithAWeightOfTwo) {
    auto rows = Rows(3);
    report::PrintPageLayout page = Layout(rows);
    EXPECT_EQ(page.table[0].text, "POSITION                    DAILY RATE  AMPLITUDE  BEAT ERROR");
    EXPECT_EQ(page.table.size(), 1u + 3u + 4u);
    for (const auto& line : page.table)
        EXPECT_EQ(line.text.find("Weighted"), std::string::npos);

    rows[1].Weight = 2;
    page = Layout(rows);
    EXPECT_EQ(page.table[0].text,
              "POSITION                    DAILY RATE  AMPLITUDE  BEAT ERROR  WEIGHT");
    ASSERT_EQ(page.table.size(), 1u + 3u + 5u);
    // Page rows: the grid's texts trimmed and aligned under the captions.
    EXPECT_EQ(page.table[2].text,
              "Bench 2                        +1.0s/d       271\u00b0       0.1ms       2");
    EXPECT_EQ(page.table[1].text,
              "Bench 1                        -0.0s/d       270\u00b0       0.0ms       1");
    EXPECT_EQ(page.table[5].text,
              "Weighted Average               +1.0s/d       270\u00b0       0.1ms");
    EXPECT_EQ(page.table[4].text.rfind("Average ", 0), 0u);
    EXPECT_EQ(page.table[8].text.rfind("Deviation ", 0), 0u);
}

TEST(PrintLayout, OnePageHasNoStatisticsAndLendsItsPositionToTheTitle) {
    auto rows = Rows(3);
    rows[0].Weight = 0;
    rows[2].Weight = 0;
    rows[1].Page.Annotation = "Dial Up";
    rows[1].Page.Timestamp = pages::TimestampOf(2024, 3, 15, 10, 14, 31);
    const report::PrintPageLayout page = Layout(rows);
    ASSERT_TRUE(page.title);
    EXPECT_EQ(page.title->text, "Dial Up");
    EXPECT_EQ(page.table.size(), 2u); // the header and the page
    EXPECT_EQ(page.footer.text, "2024-03-15 10:15 - Dial Up");

    // A typed title wins; blanks around it go.
    const report::PrintPageLayout titled = Layout(rows, "  Customer watch 17  ");
    EXPECT_EQ(titled.title->text, "Customer watch 17");
    EXPECT_EQ(titled.footer.text, "2024-03-15 10:15 - Customer watch 17");
}

TEST(PrintLayout, FooterShowsTheLatestIncludedTimeToTheNearestMinute) {
    auto rows = Rows(3);
    rows[0].Page.Timestamp = pages::TimestampOf(2024, 3, 15, 10, 14, 29);
    rows[1].Page.Timestamp = pages::TimestampOf(2024, 3, 15, 9, 0, 0);
    rows[2].Page.Timestamp = pages::TimestampOf(2024, 3, 16, 8, 0, 0);
    rows[2].Weight = 0; // a later page that is not printed does not count
    report::PrintPageLayout page = Layout(rows);
    EXPECT_FALSE(page.title); // two pages and no title: none, and none in the footer
    EXPECT_EQ(page.footer.text, "2024-03-15 10:14");
    rows[1].Page.Timestamp = pages::TimestampOf(2024, 3, 15, 10, 14, 31);
    page = Layout(rows, "Service");
    EXPECT_EQ(page.footer.text, "2024-03-15 10:15 - Service");
}

TEST(PrintLayout, PositionsOnAnA4PageAt300PixelsPerInch) {
    const report::PrintPageLayout page = Layout(Rows(4), "Report");
    const double u = 3508 * 0.25 / 10.5; // 83.52 pixels
    EXPECT_DOUBLE_EQ(page.unit, u);
    ASSERT_TRUE(page.title);
    EXPECT_EQ(page.title->y, 167);
    EXPECT_EQ(page.title->x, (2480 - 6 * 30) / 2);
    // The picture: 7/8 of the page width, centred, below the title.
    ASSERT_TRUE(page.picture);
    const report::PrintRect& r = *page.picture;
    EXPECT_EQ(r.top, 167 + 60 + 84);
    EXPECT_NEAR(r.right - r.left, 2480 * 7 / 8, 1);
    EXPECT_NEAR(r.left, 2480 - r.right, 1);
    const double scale = 2480 * 7.0 / 8.0 / (2 * 961 + 1);
    EXPECT_EQ(r.bottom, static_cast<int>(std::nearbyint((2 * 512 + 1) * scale + r.top)));
    // The header one unit below it; page rows 5h/4 apart after 3h/4; statistics likewise.
    EXPECT_EQ(page.table[0].y, r.bottom + 84);
    EXPECT_EQ(page.table[1].y, page.table[0].y + 30 + 50);
    EXPECT_EQ(page.table[2].y, page.table[1].y + 50);
    EXPECT_EQ(page.table[5].y, page.table[4].y + 30 + 50);
    // The table is centred on its character count: 26 + 12 + 11 + 12 characters.
    EXPECT_EQ(page.table[0].x, (2480 - 61 * 20) / 2);
    // Footer: a unit pair from the bottom, the date at the right, the program at the left.
    EXPECT_EQ(page.footer.y, static_cast<int>(std::nearbyint(3508 - 40 - 2 * u)));
    EXPECT_EQ(page.footer.x + static_cast<int>(page.footer.text.size()) * 20,
              static_cast<int>(std::nearbyint(2480 - 2 * u)));
    EXPECT_EQ(page.applicationTitle.x, 167);
    EXPECT_EQ(page.applicationTitle.y, page.footer.y);
    EXPECT_EQ(page.applicationTitle.text, "Tickora 1.4");
}

TEST(PrintLayout, WithoutTracesTheTableFollowsTheTitle) {
    const report::PrintPageLayout page = Layout(Rows(4), "Report", false);
    EXPECT_FALSE(page.picture);
    EXPECT_EQ(page.table[0].y, 167 + 60 + 84);
}

TEST(PrintLayout, EverythingStaysAboveTheFooterOnCommonPages) {
    // A4 and Letter at 300 pixels per inch, every count of pages.
    for (const auto& [width, height] : {std::pair{2480, 3508}, std::pair{2550, 3300}}) {
        for (int n = 1; n <= 10; ++n) {
            const report::PrintPageLayout page = Layout(Rows(n, 2), "Report", true, width, height);
            EXPECT_LE(page.contentBottom, page.footer.y - page.unit) << n << " on " << width;
            // Nothing had to give way: the picture keeps 7/8 of the width.
            EXPECT_NEAR(page.picture->right - page.picture->left, width * 7 / 8, 1);
        }
    }
}

TEST(PrintLayout, OnASmallPageOnlyThePictureGivesWay) {
    // A short printable area: ten pages with weights would run 55 pixels into the footer.
    const report::PrintPageLayout page = Layout(Rows(10, 2), "Report", true, 1240, 2000);
    ASSERT_TRUE(page.picture);
    EXPECT_LE(page.contentBottom, page.footer.y - std::lround(page.unit));
    EXPECT_LT(page.picture->right - page.picture->left, 1240 * 7 / 8);
    EXPECT_GT(page.picture->bottom, page.picture->top);
    // Still centred.
    EXPECT_NEAR(page.picture->left, 1240 - page.picture->right, 1);
}

} // namespace
