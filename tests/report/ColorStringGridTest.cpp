#include "report/ui/ColorStringGrid.h"

#include "platform/testing/TestApplication.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCoreApplication>
#include <QImage>
#include <QLineEdit>
#include <QTest>

#include <memory>
#include <set>
#include <utility>

namespace tickora {
namespace {

class ColorStringGridTest : public ::testing::Test {
protected:
    void SetUp() override {
        platform::testing::EnsureTestApplication();
        grid_ = std::make_unique<TColorStringGrid>();
        grid_->SetColCount(3);
        grid_->SetRowCount(2);
        for (int c = 0; c < 3; ++c)
            grid_->SetColWidth(c, 40);
        grid_->FitToCells();
    }
    void Show() {
        grid_->show();
        grid_->activateWindow();
        QApplication::setActiveWindow(grid_.get());
        grid_->setFocus();
        QCoreApplication::processEvents();
    }
    QColor PixelInCell(const QImage& shot, int row, int col) {
        const QRect cell = grid_->visualItemRect(grid_->item(row, col));
        return shot.pixelColor(grid_->viewport()->pos() + cell.bottomRight() - QPoint(2, 2));
    }

    std::unique_ptr<TColorStringGrid> grid_;
};

TEST_F(ColorStringGridTest, EachCellIsDrawnWithTheColoursItsHandlerChose) {
    std::set<std::pair<int, int>> asked;
    grid_->SetOnGetCellColor([&](TColorStringGrid* sender, int row, int col, TGridDrawState,
                                 QBrush& brush, QColor& font) {
        EXPECT_EQ(sender, grid_.get());
        asked.insert({row, col});
        brush = QBrush(QColor(10 + 100 * col, 20 + 100 * row, 30));
        font = Qt::white;
    });
    grid_->SetCells(0, 0, "abc");
    const QImage shot = grid_->grab().toImage();
    EXPECT_EQ(asked.size(), 6u);
    for (int r = 0; r < 2; ++r)
        for (int c = 0; c < 3; ++c)
            EXPECT_EQ(PixelInCell(shot, r, c), QColor(10 + 100 * c, 20 + 100 * r, 30));
    // Without a handler: the standard white cell.
    grid_->SetOnGetCellColor(nullptr);
    EXPECT_EQ(PixelInCell(grid_->grab().toImage(), 1, 1), grid_->palette().color(QPalette::Base));
}

TEST_F(ColorStringGridTest, TheCurrentCellIsReportedAsSelected) {
    TGridDrawState seen;
    grid_->SetOnGetCellColor(
        [&](TColorStringGrid*, int row, int col, TGridDrawState state, QBrush&, QColor&) {
            if (row == 1 && col == 2)
                seen = state;
        });
    grid_->setCurrentCell(1, 2);
    grid_->grab();
    EXPECT_TRUE(seen.Selected);
}

TEST_F(ColorStringGridTest, EditorStartsFromTheGivenTextAndReportsEveryChange) {
    std::vector<std::string> changes;
    grid_->SetEditing(true);
    grid_->SetOnSelectCell(
        [](TColorStringGrid*, int col, int, bool& canSelect) { canSelect = col != 1; });
    grid_->SetOnGetEditText([](TColorStringGrid*, int, int, QString& value) { value += "!"; });
    grid_->SetOnSetEditText([&](TColorStringGrid*, int col, int row, const QString& value) {
        changes.push_back(std::to_string(col) + "," + std::to_string(row) + ":" +
                          value.toStdString());
    });
    grid_->SetCells(2, 1, "ab");
    EXPECT_FALSE(grid_->CanSelect(1, 0));
    EXPECT_TRUE(grid_->CanSelect(2, 1));
    Show();
    grid_->setCurrentCell(1, 2);
    QCoreApplication::processEvents();
    QLineEdit* editor = grid_->InplaceEditor();
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->text(), "ab!");
    editor->end(false);
    QTest::keyClicks(editor, "cd");
    EXPECT_EQ(changes, (std::vector<std::string>{"2,1:ab!c", "2,1:ab!cd"}));
    EXPECT_EQ(grid_->Cells(2, 1), "ab!cd");
    // A cell rendered anew while it is edited shows in the editor, not as an edit.
    grid_->SetCells(2, 1, "z");
    EXPECT_EQ(editor->text(), "z");
    EXPECT_EQ(changes.size(), 2u);

    // A refused cell cannot become the current one; the editor stays where it was.
    grid_->setCurrentCell(0, 1);
    QCoreApplication::processEvents();
    EXPECT_EQ(grid_->currentRow(), 1);
    EXPECT_EQ(grid_->currentColumn(), 2);
    EXPECT_EQ(grid_->InplaceEditor(), editor);
}

TEST_F(ColorStringGridTest, LosingTheFocusIsReported) {
    QWidget window;
    auto* grid = new TColorStringGrid(&window);
    auto* other = new QLineEdit(&window);
    other->move(0, 100);
    grid->SetColCount(1);
    grid->SetRowCount(1);
    grid->SetEditing(true);
    int exits = 0;
    grid->SetOnExit([&](TColorStringGrid*) { ++exits; });
    window.show();
    QApplication::setActiveWindow(&window);
    grid->setFocus();
    grid->setCurrentCell(0, 0);
    QCoreApplication::processEvents();
    ASSERT_NE(grid->InplaceEditor(), nullptr);
    grid->InplaceEditor()->setFocus(); // inside the grid: no exit
    QCoreApplication::processEvents();
    EXPECT_EQ(exits, 0);
    other->setFocus();
    QCoreApplication::processEvents();
    EXPECT_EQ(exits, 1);
    EXPECT_EQ(grid->InplaceEditor(), nullptr);
    // Coming back opens the editor again.
    grid->setFocus();
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    EXPECT_NE(grid->InplaceEditor(), nullptr);
}

} // namespace
} // namespace tickora
