#include "ReportFormFixture.h"
#include "ReportTestPages.h"

#include "report/ReportTexts.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <fstream>

namespace tickora::testing {
namespace {

using platform::MessageButtons;
using platform::MessageIcon;
using platform::MessageResult;
using platform::PageOrientation;
using report::testing::Page;

const std::vector<std::string> kSettingsLines = {"28800",
                                                 "52",
                                                 "20",
                                                 "10",
                                                 "0",
                                                 "1",
                                                 "FALSE",
                                                 "5",
                                                 "FALSE",
                                                 "FALSE",
                                                 "None",
                                                 "Microsoft Sound Mapper - Input",
                                                 " 1.00000000000000E+0000",
                                                 "2",
                                                 "1",
                                                 "1",
                                                 "1",
                                                 "4",
                                                 "1"};

int Chars(const std::string& text) {
    return static_cast<int>(report::TextLength(text));
}

TEST_F(ReportFormTest, LayoutFollowsTheGridFontAtTheFirstShowing) {
    pages_ = {Page("Dial Up", 3, 280, 0.3), Page("Bench", -2, 270, 0.5)};
    Show();
    TReportForm& f = *form_;
    EXPECT_EQ(f.windowTitle(), "Performance Report");
    EXPECT_TRUE(f.LayoutDone());
    EXPECT_EQ(f.ReportGrid()->font().family(), "Cousine");
    EXPECT_EQ(f.ReportGrid()->font().pixelSize(), 12);
    EXPECT_EQ(f.ResultGrid()->font().family(), "Cousine");
    EXPECT_EQ(f.TitleEdit()->font().pixelSize(), 19);
    EXPECT_EQ(f.TitleLabel()->text(), "Report &Title:");
    EXPECT_EQ(f.GraphCheckBox()->text(), "Print Tr&aces");
    EXPECT_TRUE(f.GraphCheckBox()->isChecked());
    EXPECT_EQ(f.PrintButton()->text(), "&Print");
    EXPECT_TRUE(f.PrintButton()->isDefault());
    EXPECT_EQ(f.CloseButton()->text(), "Close");

    // Each value is centred in its cell: the field holds the value and half the room.
    const report::FieldWidths& widths = f.FieldWidths();
    for (int c = 0; c < report::kReportColumnCount; ++c) {
        EXPECT_GT(widths[c], report::kReportColumns[c].ValueChars) << c;
        EXPECT_EQ(f.CaptionLabel(c)->text().toStdString(), report::kReportColumns[c].Caption);
    }
    EXPECT_EQ(widths[report::kPositionColumn], 26);

    // Both grids as wide as their columns; captions centred over them.
    TColorStringGrid* grid = f.ReportGrid();
    const int border = grid->BorderWidth();
    int left = grid->x() + border;
    for (int c = 0; c < report::kReportColumnCount; ++c) {
        const int w = f.ColumnPixels()[c];
        EXPECT_EQ(grid->ColWidth(c), w);
        if (c > 0) {
            const QLabel* label = f.CaptionLabel(c);
            EXPECT_NEAR(label->x() + label->width() / 2.0, left + w / 2.0, 1.0) << c;
            EXPECT_LT(label->y() + label->height(), grid->y() + 1);
        }
        if (c < report::kResultColumnCount) {
            EXPECT_EQ(f.ResultGrid()->ColWidth(c), w);
        }
        left += w + 1;
    }
    EXPECT_EQ(grid->width(), left - grid->x() + border);
    EXPECT_EQ(f.CaptionLabel(0)->x(),
              grid->x() + QFontMetrics(grid->font()).horizontalAdvance(' ') + 3);
    EXPECT_EQ(f.TitleEdit()->x() + f.TitleEdit()->width(), grid->x() + grid->width());

    // Rows of 21 pixels, one per page; the parts below in their distances.
    EXPECT_EQ(grid->RowCount(), 2);
    EXPECT_EQ(grid->height(), 2 * (21 + 1) + 2 * border);
    EXPECT_EQ(f.ResultGrid()->RowCount(), 5);
    EXPECT_EQ(f.ResultGrid()->y(), grid->y() + grid->height() + 16);
    EXPECT_EQ(f.GraphCheckBox()->x(), f.ResultGrid()->x() + f.ResultGrid()->width() + 16);
    const int resultBottom = f.ResultGrid()->y() + f.ResultGrid()->height();
    EXPECT_EQ(f.PrintButton()->y(), resultBottom + 19);
    EXPECT_EQ(f.height(), f.PrintButton()->y() + f.PrintButton()->height() + 19);
    // The buttons are centred as a pair.
    EXPECT_NEAR(f.PrintButton()->x() + f.CloseButton()->x() + f.CloseButton()->width(), f.width(),
                1);
    EXPECT_GE(f.width(), f.GraphCheckBox()->x() + f.GraphCheckBox()->width() + 16);
    EXPECT_EQ(ResultCell(1, 0), " Weighted Average");

    // The next showing rebuilds the rows: an empty history shows one empty row.
    f.done(QDialog::Rejected);
    pages_.clear();
    Show();
    EXPECT_EQ(grid->RowCount(), 1);
    EXPECT_EQ(ReportCell(0, 0), "");
    EXPECT_EQ(grid->height(), 21 + 1 + 2 * border);
    EXPECT_FALSE(f.PrintButton()->isEnabled());
}

TEST_F(ReportFormTest, RowsShowTheirPagesWithStoredWeights) {
    WriteSettings(kSettingsLines); // Dial Up 2, Crown Left 4
    pages_ = {Page("Dial Up", 3, 280, 0.3), Page("Crown Left", -12.6, 250, 1.2, false),
              Page("Dial Up", 9.95, 275.5, 9.96), Page("Bench", 0, 260, 0.5, false),
              Page("", 1, 270, 0.2)};
    Show();
    const auto& rows = form_->Rows();
    ASSERT_EQ(rows.size(), 5u);
    EXPECT_EQ(rows[0].Weight, 0); // the earlier Dial Up
    EXPECT_EQ(rows[1].Weight, 4); // incomplete, but a standard position
    EXPECT_EQ(rows[2].Weight, 2);
    EXPECT_EQ(rows[3].Weight, 0); // free text, incomplete
    EXPECT_EQ(rows[4].Weight, 0); // no position

    const report::FieldWidths& widths = form_->FieldWidths();
    EXPECT_EQ(ReportCell(2, 0), " Dial Up");
    EXPECT_EQ(report::Trim(ReportCell(2, 1)), "+ 10s/d");
    EXPECT_EQ(report::Trim(ReportCell(2, 2)), "276\u00b0");
    EXPECT_EQ(report::Trim(ReportCell(2, 3)), "10ms");
    EXPECT_EQ(report::Trim(ReportCell(1, 1)), "- 13s/d");
    for (int c = 1; c <= 5; ++c)
        EXPECT_EQ(Chars(ReportCell(2, c)), widths[c]) << c;
    EXPECT_EQ(report::Trim(ReportCell(2, 4)), "3");
    EXPECT_EQ(report::Trim(ReportCell(2, 5)), "2");
    EXPECT_EQ(ReportCell(0, 5), ""); // weight 0 shows empty

    // Statistics over Crown Left (weight 4) and the later Dial Up (weight 2).
    EXPECT_EQ(report::Trim(ResultCell(0, 1)), "-1.3s/d");
    EXPECT_EQ(report::Trim(ResultCell(1, 1)), "-5.1s/d");
    EXPECT_EQ(report::Trim(ResultCell(2, 2)), "250\u00b0");
    EXPECT_EQ(report::Trim(ResultCell(4, 1)), "23s/d");
    EXPECT_EQ(Chars(ResultCell(4, 1)), widths[1]);
    EXPECT_TRUE(form_->PrintButton()->isEnabled());
}

TEST_F(ReportFormTest, ResultColoursByCompletenessAndLongTerm) {
    pages_ = {Page("A", 1, 280, 0.3, true), Page("B", 1, 280, 0.3, false),
              Page("C", 1, 280, 0.3, true, true)};
    Show();
    const auto colours = [this](int row, int col) {
        QBrush brush(Qt::yellow);
        QColor font(Qt::yellow);
        form_->ReportGridGetCellColor(row, col, {true, true}, brush, font);
        EXPECT_EQ(brush.color(), QColor(Qt::white)) << row << "," << col;
        return font;
    };
    for (int c = 1; c <= 3; ++c) {
        EXPECT_EQ(colours(0, c), QColor(0, 119, 0));
        EXPECT_EQ(colours(1, c), QColor(204, 0, 0));
        EXPECT_EQ(colours(2, c), QColor(Qt::black));
    }
    for (const int c : {0, 4, 5})
        EXPECT_EQ(colours(1, c), QColor(Qt::black));
    EXPECT_EQ(colours(3, 1), QColor(Qt::black)); // no page in that row

    QBrush brush(Qt::yellow);
    QColor font(Qt::yellow);
    form_->ResultGridGetCellColor(2, 1, {}, brush, font);
    EXPECT_EQ(brush.color(), QColor(Qt::white));
    EXPECT_EQ(font, QColor(Qt::black));

    // The grid paints what the handler chose: a green rate cell with a white background.
    const QImage shot = form_->ReportGrid()->grab().toImage();
    const QRect cell = form_->ReportGrid()->visualItemRect(form_->ReportGrid()->item(0, 1));
    const QPoint origin = form_->ReportGrid()->viewport()->pos();
    int green = 0;
    for (int y = cell.top(); y <= cell.bottom(); ++y)
        for (int x = cell.left(); x <= cell.right(); ++x) {
            const QColor p = shot.pixelColor(origin + QPoint(x, y));
            green += p.green() > p.red() + 40 && p.green() > p.blue() + 40;
        }
    EXPECT_GT(green, 5);
    EXPECT_EQ(shot.pixelColor(origin + cell.topLeft() + QPoint(1, 1)), QColor(Qt::white));
}

TEST_F(ReportFormTest, OnlyPositionOrderAndWeightOfPageRowsCanBeSelected) {
    pages_ = {Page("A", 1, 280, 0.3), Page("B", 1, 280, 0.3)};
    Show();
    TColorStringGrid* grid = form_->ReportGrid();
    for (int c = 0; c < report::kReportColumnCount; ++c)
        EXPECT_EQ(grid->CanSelect(c, 1), report::kReportColumns[c].Editable) << c;
    EXPECT_FALSE(grid->CanSelect(0, 2));
    for (int r = 0; r < 5; ++r)
        for (int c = 0; c < 4; ++c)
            EXPECT_FALSE(form_->ResultGrid()->CanSelect(c, r));

    EXPECT_NE(EditCell(1, 4), nullptr); // the editor opens at once
    EXPECT_EQ(form_->EditRow(), 1);
    EXPECT_EQ(form_->EditCol(), 4);
    // The cursor keys pass the result columns by.
    QTest::keyClick(grid, Qt::Key_Left);
    QCoreApplication::processEvents();
    EXPECT_EQ(grid->currentColumn(), 0);
}

TEST_F(ReportFormTest, TypedWeightsChangeTheStatisticsAtOnce) {
    pages_ = {Page("Bench", 0.0, 270, 0.2), Page("Shelf", 6.0, 270, 0.2)};
    Show();
    EXPECT_EQ(report::Trim(ResultCell(1, 1)), "+3.0s/d");
    QLineEdit* editor = EditCell(1, 5);
    ASSERT_NE(editor, nullptr);
    // The editor starts from the cell as shown, selected, so typing replaces it.
    EXPECT_EQ(editor->text().toStdString(), ReportCell(1, 5));
    EXPECT_EQ(report::Trim(editor->text().toStdString()), "1");
    Type("2");
    EXPECT_EQ(form_->Rows()[1].Weight, 2);
    EXPECT_EQ(report::Trim(ResultCell(1, 1)), "+4.0s/d");
    Type("a");
    EXPECT_EQ(form_->Rows()[1].Weight, 0);
    EXPECT_EQ(report::Trim(ResultCell(1, 1)), "-0.0s/d");
    EXPECT_EQ(ReportCell(1, 5), "2a"); // shown as typed while being edited

    // Moving on renders the cell from its row: "2a" counted as 0 shows empty.
    EditCell(0, 5);
    EXPECT_EQ(ReportCell(1, 5), "");
    EXPECT_EQ(form_->EditRow(), 0);

    // Leaving the grid does the same for the last cell edited.
    Type("x");
    Focus(form_->TitleEdit());
    EXPECT_EQ(ReportCell(0, 5), "");
    EXPECT_EQ(form_->EditRow(), -1);
    EXPECT_FALSE(form_->PrintButton()->isEnabled());
}

TEST_F(ReportFormTest, EveryWeightZeroDisablesPrintAndEmptiesTheStatistics) {
    pages_ = {Page("Bench", 1.0, 270, 0.2), Page("Shelf", 2.0, 280, 0.4)};
    Show();
    EXPECT_TRUE(form_->PrintButton()->isEnabled());
    EditCell(0, 5);
    Type("0");
    EXPECT_TRUE(form_->PrintButton()->isEnabled());
    EditCell(1, 5);
    Type("0");
    EXPECT_FALSE(form_->PrintButton()->isEnabled());
    for (int r = 0; r < 5; ++r)
        EXPECT_EQ(ResultCell(r, 1), "") << r;
    EditCell(0, 5);
    Type("3");
    EXPECT_TRUE(form_->PrintButton()->isEnabled());
    EXPECT_EQ(report::Trim(ResultCell(0, 1)), "+1.0s/d");
}

TEST_F(ReportFormTest, EditsLastOnlyWhileOpenButTitleAndTracesChoiceStay) {
    pages_ = {Page("Bench", 1.0, 270, 0.2), Page("Shelf", 2.0, 280, 0.4)};
    Show();
    EditCell(0, 0);
    Type("  Dial Up  ");
    EXPECT_EQ(form_->Rows()[0].Page.Annotation, "Dial Up");
    EditCell(0, 4);
    Type("9");
    EXPECT_EQ(form_->Rows()[0].Order, 9);
    form_->TitleEdit()->setText("Customer watch 17");
    form_->GraphCheckBox()->setChecked(false);
    form_->CloseButton()->click();
    EXPECT_FALSE(form_->isVisible());
    EXPECT_EQ(pages_[0].Annotation, "Bench"); // the history is untouched

    Show();
    EXPECT_EQ(form_->Rows()[0].Page.Annotation, "Bench");
    EXPECT_EQ(form_->Rows()[0].Order, 1);
    EXPECT_EQ(form_->TitleEdit()->text(), "Customer watch 17");
    EXPECT_FALSE(form_->GraphCheckBox()->isChecked());
}

TEST_F(ReportFormTest, EscapeInTheEditorClosesTheReportAndStoresItsWeights) {
    pages_ = {Page("Dial Up", 3, 280, 0.3)};
    Show();
    QLineEdit* editor = EditCell(0, 5);
    ASSERT_NE(editor, nullptr);
    Type("6");
    QTest::keyClick(editor, Qt::Key_Escape);
    QCoreApplication::processEvents();
    EXPECT_FALSE(form_->isVisible());
    ASSERT_EQ(SettingsLines().size(), 19u);
    EXPECT_EQ(SettingsLines()[13], "6");
}

TEST_F(ReportFormTest, ClosingStoresChangedWeightsOfStandardPositionsInTheSettingsFile) {
    WriteSettings(kSettingsLines);
    pages_ = {Page("Dial Up", 3, 280, 0.3), Page("Crown Left", -1, 250, 1.2),
              Page("Bench", 0, 260, 0.5)};
    Show();
    EditCell(0, 5);
    Type("3");
    EditCell(1, 5);
    Type("5");
    EditCell(2, 5);
    Type("7"); // free text: never stored
    form_->CloseButton()->click();
    const std::vector<std::string> lines = SettingsLines();
    ASSERT_EQ(lines.size(), 19u);
    EXPECT_EQ(std::vector<std::string>(lines.begin() + 13, lines.end()),
              (std::vector<std::string>{"3", "1", "1", "1", "5", "1"}));
    // The other settings are written back as they were.
    EXPECT_EQ(std::vector<std::string>(lines.begin(), lines.begin() + 13),
              std::vector<std::string>(kSettingsLines.begin(), kSettingsLines.begin() + 13));

    // A weight of 0 is not stored; unchanged weights leave the file alone.
    std::filesystem::remove(folder_ / "Settings.ini");
    Show();
    EditCell(0, 5);
    Type("0");
    form_->reject();
    EXPECT_FALSE(std::filesystem::exists(folder_ / "Settings.ini"));
}

} // namespace
} // namespace tickora::testing
