#include "ReportFormFixture.h"
#include "ReportTestPages.h"

#include "report/ui/ReportPrinter.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>

#include <fstream>

namespace tickora::testing {
namespace {

using platform::MessageButtons;
using platform::MessageIcon;
using platform::MessageResult;
using platform::PageOrientation;
using platform::Rgb;
using platform::RgbOf;
using report::testing::Page;

const Rgb kRed = RgbOf(200, 40, 40);
const Rgb kGreen = RgbOf(40, 160, 40);
const Rgb kBlue = RgbOf(40, 40, 200);
const Rgb kMagenta = RgbOf(200, 40, 200);

struct Spot {
    int count = 0;
    double x = 0; // mean column
    double y = 0; // mean row
};

Spot Find(const platform::Image& page, Rgb colour) {
    Spot spot;
    for (int y = 0; y < page.Height(); ++y)
        for (int x = 0; x < page.Width(); ++x)
            if (page.Pixel(x, y) == colour) {
                ++spot.count;
                spot.x += x;
                spot.y += y;
            }
    if (spot.count > 0) {
        spot.x /= spot.count;
        spot.y /= spot.count;
    }
    return spot;
}

class ReportPrintTest : public ReportFormTest {
protected:
    // Four pages in four colours; the third will be left out.
    void FourPages() {
        const Rgb colours[] = {kRed, kGreen, kMagenta, kBlue};
        const char* names[] = {"Dial Up", "Crown Left", "Bench", "Crown Right"};
        for (int i = 0; i < 4; ++i) {
            pages_.push_back(Page(names[i], i - 1.5, 270 + 5 * i, 0.1 * (i + 1)));
            pages_.back().Image = Picture(colours[i]);
            pages_.back().Timestamp = pages::TimestampOf(2024, 3, 15, 10, 10 + i, 31);
        }
    }
    void SetCell(int row, int col, const QString& text) {
        EditCell(row, col);
        Type(text);
    }
};

TEST_F(ReportPrintTest, CancelledPrintDialogKeepsTheReportOpenWithItsEdits) {
    FourPages();
    Show();
    SetCell(0, 5, "3");
    dialogs_.QueuePrinterCancel();
    form_->PrintButton()->click();
    EXPECT_EQ(dialogs_.PrinterRequests(), 1);
    EXPECT_TRUE(dialogs_.PrintedPages().empty());
    EXPECT_TRUE(form_->isVisible());
    EXPECT_EQ(form_->Rows()[0].Weight, 3);
    EXPECT_TRUE(shownPages_.empty());
}

TEST_F(ReportPrintTest, LandscapeIsPrintedOnlyInPortraitAndOnlyWhenTheUserAgrees) {
    FourPages();
    Show();
    dialogs_.QueueImagePrinter(PageOrientation::Landscape);
    dialogs_.QueueMessageAnswer(MessageResult::Cancel);
    form_->PrintButton()->click();
    ASSERT_EQ(dialogs_.Messages().size(), 1u);
    EXPECT_EQ(dialogs_.Messages()[0].text, "Landscape mode printing is not supported. Do you wish "
                                           "to print in portrait mode?");
    EXPECT_EQ(dialogs_.Messages()[0].icon, MessageIcon::Error);
    EXPECT_EQ(dialogs_.Messages()[0].buttons, MessageButtons::YesCancel);
    EXPECT_TRUE(dialogs_.PrintedPages().empty());
    EXPECT_TRUE(form_->isVisible());

    dialogs_.QueueImagePrinter(PageOrientation::Landscape);
    dialogs_.QueueMessageAnswer(MessageResult::Yes);
    form_->PrintButton()->click();
    ASSERT_EQ(dialogs_.PrintedPages().size(), 1u);
    const auto& printed = dialogs_.PrintedPages()[0];
    EXPECT_EQ(printed.orientation, PageOrientation::Portrait);
    EXPECT_EQ(printed.page.Width(), 1240);
    EXPECT_EQ(printed.page.Height(), 1754);
    EXPECT_FALSE(form_->isVisible());
    EXPECT_TRUE(dialogs_.ScriptErrors().empty());
}

TEST_F(ReportPrintTest, PageShowsTheIncludedTracesInPrintingOrderTablesAndAGreyFooter) {
    FourPages();
    Show();
    SetCell(2, 5, "0"); // Bench (magenta) is left out
    SetCell(0, 4, "3"); // Dial Up (red) last
    SetCell(1, 4, "1"); // Crown Left (green) first
    SetCell(3, 4, "2"); // Crown Right (blue) second
    SetCell(1, 5, "2"); // a weight of 2: the weighted average is printed
    dialogs_.QueueImagePrinter();
    form_->PrintButton()->click();
    ASSERT_EQ(dialogs_.PrintedPages().size(), 1u);
    EXPECT_FALSE(form_->isVisible());
    EXPECT_EQ(dialogs_.WaitCursorDepth(), 0);
    // Each included page shown once, in printing order.
    EXPECT_EQ(shownPages_, (std::vector<std::int32_t>{2, 4, 1}));

    const platform::Image& page = dialogs_.PrintedPages()[0].page;
    const Spot green = Find(page, kGreen);
    const Spot blue = Find(page, kBlue);
    const Spot red = Find(page, kRed);
    EXPECT_EQ(Find(page, kMagenta).count, 0);
    // A 2 x 2 grid: green, blue / red, each trace a quarter of 7/8 of the page width.
    for (const Spot& s : {green, blue, red})
        EXPECT_GT(s.count, 100000);
    EXPECT_LT(green.x, blue.x);
    EXPECT_NEAR(green.y, blue.y, 1.0);
    EXPECT_NEAR(red.x, green.x, 1.0);
    EXPECT_GT(red.y, green.y);
    const double pictureWidth = 2 * (blue.x - green.x);
    EXPECT_NEAR(pictureWidth, 1240 * 7.0 / 8.0, 8.0);
    EXPECT_NEAR((green.x + blue.x) / 2, 620, 2.0);

    // Dark text between the picture and the footer; the footer band only grey.
    const int bottomOfTraces = static_cast<int>(red.y + (red.y - green.y) / 2) + 2;
    int tableInk = 0;
    int footerGrey = 0;
    int footerDark = 0;
    for (int y = bottomOfTraces; y < page.Height(); ++y)
        for (int x = 0; x < page.Width(); ++x) {
            const Rgb p = page.Pixel(x, y);
            if (y < page.Height() * 9 / 10) {
                tableInk += p.r < 80 && p.g < 80 && p.b < 80;
            } else {
                footerDark += p.r < 140;
                footerGrey += p.r == p.g && p.g == p.b && p.r >= 150 && p.r <= 160;
            }
        }
    EXPECT_GT(tableInk, 2000);
    EXPECT_GT(footerGrey, 20);
    EXPECT_EQ(footerDark, 0);

    // Printing closes the report as OK does: the changed weights are stored.
    const std::vector<std::string> lines = SettingsLines();
    ASSERT_EQ(lines.size(), 19u);
    EXPECT_EQ(lines[13 + 4], "2"); // Crown Left
}

TEST_F(ReportPrintTest, WithoutTracesNoPageIsShownAndNoPictureIsPrinted) {
    FourPages();
    Show();
    form_->GraphCheckBox()->setChecked(false);
    dialogs_.QueueImagePrinter();
    form_->PrintButton()->click();
    ASSERT_EQ(dialogs_.PrintedPages().size(), 1u);
    EXPECT_TRUE(shownPages_.empty());
    const platform::Image& page = dialogs_.PrintedPages()[0].page;
    EXPECT_EQ(Find(page, kRed).count + Find(page, kBlue).count, 0);
}

TEST_F(ReportPrintTest, PrintsToAPdfFile) {
    FourPages();
    Show();
    form_->TitleEdit()->setText("Customer watch 17");
    const std::string path = (folder_ / "report.pdf").string();
    dialogs_.QueuePdfPrinter(path);
    form_->PrintButton()->click();
    EXPECT_FALSE(form_->isVisible());
    std::ifstream in(path, std::ios::binary);
    ASSERT_TRUE(in.good());
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_GT(bytes.size(), 10000u);
    EXPECT_EQ(bytes.rfind("%PDF", 0), 0u);
    EXPECT_TRUE(dialogs_.Messages().empty());
}

TEST_F(ReportPrintTest, AFailedPrintIsReportedAndTheReportStaysOpen) {
    FourPages();
    Show();
    dialogs_.QueuePdfPrinter((folder_ / "missing" / "folder" / "report.pdf").string());
    form_->PrintButton()->click();
    ASSERT_EQ(dialogs_.Messages().size(), 1u);
    EXPECT_EQ(dialogs_.Messages()[0].text, "Unable to print the report.");
    EXPECT_EQ(dialogs_.Messages()[0].icon, MessageIcon::Error);
    EXPECT_TRUE(form_->isVisible());
    EXPECT_EQ(dialogs_.WaitCursorDepth(), 0);
}

TEST(TracePicture, EachTraceInItsFrameAndEmptyCellsWhite) {
    constexpr int w = 20; // plot pixels
    constexpr int h = 10;
    std::vector<report::TReportRow> rows(10);
    for (int i = 0; i < 10; ++i) {
        rows[i].Order = 10 - i; // printed in reverse
        rows[i].Weight = 1;
    }
    const report::PrintPlan plan = report::PlanPrint(rows, "");
    const report::TracePictureLayout layout = report::LayoutTracePicture(plan, w, h);
    platform::Image plot(w, h);
    std::vector<std::int32_t> shown;
    const auto colourOf = [](int page) { return RgbOf(20 * page, 100, 255 - 20 * page); };
    const platform::Image picture = ComposeTracePicture(
        layout,
        [&](std::int32_t page) {
            shown.push_back(page);
            plot.Fill(colourOf(page));
        },
        plot);
    ASSERT_EQ(picture.Width(), 3 * (w + 1) + 1);
    ASSERT_EQ(picture.Height(), 4 * (h + 1) + 1);
    EXPECT_EQ(shown, (std::vector<std::int32_t>{10, 9, 8, 7, 6, 5, 4, 3, 2, 1}));
    for (int k = 0; k < 12; ++k) {
        const int left = (w + 1) * (k % 3);
        const int top = (h + 1) * (k / 3);
        if (k < 10) {
            const Rgb colour = colourOf(10 - k);
            // The frame on all four sides, the trace inside it.
            for (int x = left; x <= left + w + 1; ++x) {
                EXPECT_EQ(picture.Pixel(x, top), platform::kBlack);
                EXPECT_EQ(picture.Pixel(x, top + h + 1), platform::kBlack);
            }
            for (int y = top; y <= top + h + 1; ++y) {
                EXPECT_EQ(picture.Pixel(left, y), platform::kBlack);
                EXPECT_EQ(picture.Pixel(left + w + 1, y), platform::kBlack);
            }
            for (int y = top + 1; y <= top + h; ++y)
                for (int x = left + 1; x <= left + w; ++x)
                    ASSERT_EQ(picture.Pixel(x, y), colour) << k << " at " << x << "," << y;
        } else {
            EXPECT_EQ(picture.Pixel(left + w / 2, top + h / 2), platform::kWhite) << k;
        }
    }
}

} // namespace
} // namespace tickora::testing
