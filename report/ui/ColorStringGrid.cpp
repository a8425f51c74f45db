#include "report/ui/ColorStringGrid.h"

#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPainter>
#include <QStyledItemDelegate>
#include <QTimer>

namespace tickora {

namespace {

// Paints every cell through the grid and gives it a plain line editor whose every change goes
// straight into the cell.
class CellDelegate : public QStyledItemDelegate {
public:
    explicit CellDelegate(TColorStringGrid* grid) : QStyledItemDelegate(grid), grid_(grid) {}

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        grid_->DrawCell(*painter, option.rect, index.row(), index.column());
    }

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem&,
                          const QModelIndex& index) const override {
        auto* editor = new QLineEdit(parent);
        editor->setFrame(false);
        editor->setFont(grid_->font());
        const int row = index.row();
        const int col = index.column();
        TColorStringGrid* grid = grid_;
        QObject::connect(
            editor, &QLineEdit::textEdited, grid,
            [grid, row, col](const QString& text) { grid->EditorTextEdited(row, col, text); });
        return editor;
    }

    void setEditorData(QWidget* editor, const QModelIndex& index) const override {
        // Only when the editor opens; a cell rendered anew reaches the editor through SetCells.
        if (editor->property("tickoraOpened").toBool())
            return;
        editor->setProperty("tickoraOpened", true);
        grid_->EditorOpened(static_cast<QLineEdit*>(editor), index.row(), index.column());
    }

    // Every change is in the cell already.
    void setModelData(QWidget*, QAbstractItemModel*, const QModelIndex&) const override {}

    void updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option,
                              const QModelIndex&) const override {
        editor->setGeometry(option.rect);
    }

    // Escape belongs to the dialog (it closes it), not to the editor; the standard filter
    // would only close the editor, which the grid opens again at once.
    bool eventFilter(QObject* object, QEvent* event) override {
        if (event->type() == QEvent::KeyPress &&
            static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape)
            return false;
        return QStyledItemDelegate::eventFilter(object, event);
    }

    void destroyEditor(QWidget* editor, const QModelIndex& index) const override {
        grid_->EditorClosed(static_cast<QLineEdit*>(editor));
        QStyledItemDelegate::destroyEditor(editor, index);
    }

private:
    TColorStringGrid* grid_;
};

} // namespace

TColorStringGrid::TColorStringGrid(QWidget* parent) : QTableWidget(parent) {
    horizontalHeader()->hide();
    verticalHeader()->hide();
    horizontalHeader()->setMinimumSectionSize(1);
    verticalHeader()->setMinimumSectionSize(1);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setFrameStyle(QFrame::Box | QFrame::Plain);
    setLineWidth(1);
    setShowGrid(true);
    setSelectionMode(QAbstractItemView::NoSelection);
    setTabKeyNavigation(false);
    setWordWrap(false);
    setItemDelegate(new CellDelegate(this));
    SetDefaultRowHeight(rowHeight_);
    SetEditing(false);
    connect(qApp, &QApplication::focusChanged, this, &TColorStringGrid::FocusChanged);
}

// The widget's own destructor moves the focus away from a cell editor; by then this grid
// is only a QWidget, and the focus change must not reach FocusChanged.
TColorStringGrid::~TColorStringGrid() {
    disconnect(qApp, &QApplication::focusChanged, this, &TColorStringGrid::FocusChanged);
}

void TColorStringGrid::SetOnSelectCell(TSelectCellEvent handler) {
    onSelectCell_ = std::move(handler);
    UpdateSelectable();
}

void TColorStringGrid::SetEditing(bool editing) {
    editing_ = editing;
    setEditTriggers(editing
                        ? QAbstractItemView::CurrentChanged | QAbstractItemView::SelectedClicked |
                              QAbstractItemView::DoubleClicked | QAbstractItemView::AnyKeyPressed
                        : QAbstractItemView::NoEditTriggers);
    UpdateSelectable();
}

void TColorStringGrid::SetColCount(int count) {
    setColumnCount(count);
    UpdateSelectable();
}

void TColorStringGrid::SetRowCount(int count) {
    setRowCount(count);
    for (int r = 0; r < count; ++r)
        setRowHeight(r, rowHeight_ + 1);
    UpdateSelectable();
}

void TColorStringGrid::SetColWidth(int col, int pixels) {
    setColumnWidth(col, pixels + 1);
}

int TColorStringGrid::ColWidth(int col) const {
    return columnWidth(col) - 1;
}

void TColorStringGrid::SetDefaultRowHeight(int pixels) {
    rowHeight_ = pixels;
    verticalHeader()->setDefaultSectionSize(pixels + 1);
    for (int r = 0; r < rowCount(); ++r)
        setRowHeight(r, pixels + 1);
}

void TColorStringGrid::FitToCells() {
    int width = 2 * frameWidth();
    for (int c = 0; c < columnCount(); ++c)
        width += columnWidth(c);
    int height = 2 * frameWidth();
    for (int r = 0; r < rowCount(); ++r)
        height += rowHeight(r);
    setFixedSize(width, height);
}

QString TColorStringGrid::Cells(int col, int row) const {
    const QTableWidgetItem* cell = item(row, col);
    return cell ? cell->text() : QString();
}

QTableWidgetItem* TColorStringGrid::Item(int col, int row) {
    if (row < 0 || col < 0 || row >= rowCount() || col >= columnCount())
        return nullptr;
    QTableWidgetItem* cell = item(row, col);
    if (!cell) {
        cell = new QTableWidgetItem;
        cell->setFlags(CanSelect(col, row) ? Qt::ItemIsEnabled | Qt::ItemIsSelectable |
                                                 (editing_ ? Qt::ItemIsEditable : Qt::NoItemFlags)
                                           : Qt::NoItemFlags);
        setItem(row, col, cell);
    }
    return cell;
}

void TColorStringGrid::SetCells(int col, int row, const QString& text) {
    QTableWidgetItem* cell = Item(col, row);
    if (!cell)
        return;
    cell->setText(text);
    if (editor_ && editorRow_ == row && editorCol_ == col && editor_->text() != text)
        editor_->setText(text); // setText reports no edit
}

bool TColorStringGrid::CanSelect(int col, int row) const {
    bool canSelect = true;
    if (onSelectCell_)
        onSelectCell_(const_cast<TColorStringGrid*>(this), col, row, canSelect);
    return canSelect;
}

void TColorStringGrid::UpdateSelectable() {
    for (int r = 0; r < rowCount(); ++r) {
        for (int c = 0; c < columnCount(); ++c) {
            // Cells the grid refuses are disabled: clicks and cursor keys pass them by.
            Qt::ItemFlags flags = Qt::NoItemFlags;
            if (CanSelect(c, r)) {
                flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
                if (editing_)
                    flags |= Qt::ItemIsEditable;
            }
            QTableWidgetItem* cell = Item(c, r);
            if (cell && cell->flags() != flags)
                cell->setFlags(flags);
        }
    }
}

QLineEdit* TColorStringGrid::InplaceEditor() const {
    return editor_;
}

void TColorStringGrid::DrawCell(QPainter& painter, const QRect& rect, int row, int col) {
    QBrush brush(palette().color(QPalette::Base));
    QColor fontColour = palette().color(QPalette::Text);
    TGridDrawState state;
    state.Selected = currentIndex().isValid() && row == currentRow() && col == currentColumn();
    state.Focused = state.Selected && Contains(QApplication::focusWidget());
    if (onGetCellColor_)
        onGetCellColor_(this, row, col, state, brush, fontColour);
    painter.save();
    painter.fillRect(rect, brush);
    painter.setPen(fontColour);
    painter.setFont(font());
    painter.drawText(rect.adjusted(2, 0, -2, 0),
                     Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, Cells(col, row));
    painter.restore();
}

void TColorStringGrid::EditorOpened(QLineEdit* editor, int row, int col) {
    editor_ = editor;
    editorRow_ = row;
    editorCol_ = col;
    QString value = Cells(col, row);
    if (onGetEditText_)
        onGetEditText_(this, col, row, value);
    editor->setText(value);
    editor->selectAll(); // typing replaces what the cell showed
}

void TColorStringGrid::EditorTextEdited(int row, int col, const QString& text) {
    if (QTableWidgetItem* cell = Item(col, row))
        cell->setText(text);
    if (onSetEditText_)
        onSetEditText_(this, col, row, text);
}

void TColorStringGrid::EditorClosed(QLineEdit* editor) {
    if (editor == editor_) {
        editor_ = nullptr;
        editorRow_ = -1;
        editorCol_ = -1;
    }
}

void TColorStringGrid::focusInEvent(QFocusEvent* event) {
    QTableWidget::focusInEvent(event);
    if (!editing_)
        return;
    // The editor shows whenever the grid has the focus; it closed when the focus left.
    QTimer::singleShot(0, this, [this] {
        const QModelIndex current = currentIndex();
        if (hasFocus() && !editor_ && current.isValid() &&
            CanSelect(current.column(), current.row()))
            edit(current);
    });
}

bool TColorStringGrid::Contains(const QWidget* widget) const {
    return widget && (widget == this || isAncestorOf(widget));
}

void TColorStringGrid::FocusChanged(QWidget* old, QWidget* now) {
    if (Contains(old) && now && !Contains(now) && onExit_)
        onExit_(this);
}

} // namespace tickora
