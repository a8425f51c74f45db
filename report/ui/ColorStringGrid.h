#pragma once

#include <QBrush>
#include <QColor>
#include <QTableWidget>

#include <functional>

class QLineEdit;
class QPainter;

namespace tickora {

// How a cell is about to be drawn.
struct TGridDrawState {
    bool Selected = false; // the current cell
    bool Focused = false;  // the current cell of the grid that has the focus
};

// A string grid that asks a callback for each cell's brush and font colour before drawing it,
// then draws the cell's text on its background with whatever the callback left. Cells are
// addressed as a string grid addresses them: column first. The other events follow the same
// pattern: whether a cell may be selected, the text the in-place editor starts from, every
// change of the editor's text, and the grid losing the focus. GUI thread only.
class TColorStringGrid : public QTableWidget {
public:
    using TColorEvent = std::function<void(TColorStringGrid* Sender, int ARow, int ACol,
                                           TGridDrawState AState, QBrush& ABrush, QColor& AFont)>;
    using TSelectCellEvent =
        std::function<void(TColorStringGrid* Sender, int ACol, int ARow, bool& CanSelect)>;
    using TGetEditEvent =
        std::function<void(TColorStringGrid* Sender, int ACol, int ARow, QString& Value)>;
    using TSetEditEvent =
        std::function<void(TColorStringGrid* Sender, int ACol, int ARow, const QString& Value)>;
    using TNotifyEvent = std::function<void(TColorStringGrid* Sender)>;

    explicit TColorStringGrid(QWidget* parent = nullptr);
    ~TColorStringGrid() override;

    void SetOnGetCellColor(TColorEvent handler) { onGetCellColor_ = std::move(handler); }
    void SetOnSelectCell(TSelectCellEvent handler);
    void SetOnGetEditText(TGetEditEvent handler) { onGetEditText_ = std::move(handler); }
    void SetOnSetEditText(TSetEditEvent handler) { onSetEditText_ = std::move(handler); }
    void SetOnExit(TNotifyEvent handler) { onExit_ = std::move(handler); }

    // Editing on: the editor opens on a cell as soon as it is selected.
    void SetEditing(bool editing);

    int ColCount() const { return columnCount(); }
    int RowCount() const { return rowCount(); }
    void SetColCount(int count);
    void SetRowCount(int count);
    // Pixels of a column's or row's cells; one grid line follows each.
    void SetColWidth(int col, int pixels);
    int ColWidth(int col) const;
    void SetDefaultRowHeight(int pixels);
    int DefaultRowHeight() const { return rowHeight_; }
    // Makes the grid exactly as wide and tall as its cells, grid lines and border.
    void FitToCells();
    int BorderWidth() const { return frameWidth(); }

    QString Cells(int col, int row) const;
    // Also updates an open editor on the cell (without reporting it as an edit).
    void SetCells(int col, int row, const QString& text);

    // Asks OnSelectCell again for every cell (after the rows or the handler's rules changed).
    void UpdateSelectable();
    bool CanSelect(int col, int row) const;

    // The in-place editor, while one is open.
    QLineEdit* InplaceEditor() const;

    // Draws one cell: the colour event, then the text on the background.
    void DrawCell(QPainter& painter, const QRect& rect, int row, int col);

    // Called by the editor (its delegate).
    void EditorOpened(QLineEdit* editor, int row, int col);
    void EditorTextEdited(int row, int col, const QString& text);
    void EditorClosed(QLineEdit* editor);

protected:
    void focusInEvent(QFocusEvent* event) override;

private:
    void FocusChanged(QWidget* old, QWidget* now);
    bool Contains(const QWidget* widget) const;
    QTableWidgetItem* Item(int col, int row);

    TColorEvent onGetCellColor_;
    TSelectCellEvent onSelectCell_;
    TGetEditEvent onGetEditText_;
    TSetEditEvent onSetEditText_;
    TNotifyEvent onExit_;
    bool editing_ = false;
    int rowHeight_ = 21; // pixels
    QLineEdit* editor_ = nullptr;
    int editorRow_ = -1;
    int editorCol_ = -1;
};

} // namespace tickora
