#pragma once

#include "report/PrintLayout.h"
#include "report/ReportColumns.h"
#include "report/ReportRows.h"
#include "report/ReportStatistics.h"
#include "report/ui/ColorStringGrid.h"
#include "report/ui/ReportFormHost.h"
#include "report/ui/ReportPrinter.h"

#include <QDialog>

#include <array>
#include <vector>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace platform {
class Dialogs;
class PrintJob;
} // namespace platform

namespace tickora {

// The performance report: one row per stored page with its position, results, print order
// and weight, the statistics over the rows with a positive weight, and printing. The rows
// are copies made at each showing, so edits never touch the page history; the weights of the
// six standard positions go back to the settings when the dialog closes. One dialog for the
// program's lifetime, shown modally. GUI thread only.
class TReportForm : public QDialog {
public:
    static constexpr const char* kCaption = "Performance Report";
    static constexpr const char* kLandscapeQuestion =
        "Landscape mode printing is not supported. Do you wish to print in portrait mode?";
    static constexpr const char* kPrintFailed = "Unable to print the report.";

    // Pixels.
    static constexpr int kGridFontPixels = 12;
    static constexpr int kRowHeight = 21;
    static constexpr int kMargin = 16;

    TReportForm(platform::Dialogs& dialogs, TReportFormHost host, QWidget* parent = nullptr);

    // Shows the dialog modally and returns when it has closed.
    void ShowReport();

    // Handlers.
    void FormCreate();
    void FormShow();
    void ReportGridSelectCell(int col, int row, bool& canSelect);
    void ReportGridGetEditText(int col, int row, QString& value);
    void ReportGridSetEditText(int col, int row, const QString& value);
    void ReportGridExit();
    void ReportGridGetCellColor(int row, int col, TGridDrawState state, QBrush& brush,
                                QColor& font);
    void ResultGridSelectCell(int col, int row, bool& canSelect);
    void ResultGridGetCellColor(int row, int col, TGridDrawState state, QBrush& brush,
                                QColor& font);
    void PrintButtonClick();
    void FormClose();

    // State, for tests.
    const std::vector<report::TReportRow>& Rows() const { return rows_; }
    const report::FieldWidths& FieldWidths() const { return fieldWidths_; }
    const std::array<int, report::kReportColumnCount>& ColumnPixels() const {
        return columnPixels_;
    }
    bool LayoutDone() const { return layoutDone_; }
    int EditRow() const { return editRow_; }
    int EditCol() const { return editCol_; }

    // The controls, for tests and the screenshot tool.
    QLineEdit* TitleEdit() const { return titleEdit_; }
    QLabel* TitleLabel() const { return titleLabel_; }
    QLabel* CaptionLabel(int column) const { return captionLabels_[column]; }
    TColorStringGrid* ReportGrid() const { return reportGrid_; }
    TColorStringGrid* ResultGrid() const { return resultGrid_; }
    QCheckBox* GraphCheckBox() const { return graphCheckBox_; }
    QPushButton* PrintButton() const { return printButton_; }
    QPushButton* CloseButton() const { return closeButton_; }

    // Closing, however it happens (Close, Escape, the close box, after printing), runs
    // FormClose first.
    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void BuildControls();
    void LayoutColumns();
    void LayoutRows();
    void RenderCell(int row, int col);
    void ComputeStatistics();
    bool HoldsPage(int row) const { return row >= 0 && row < static_cast<int>(rows_.size()); }
    std::vector<pages::TPageInfo> Pages() const;
    std::vector<report::RowTexts> GridTexts() const;
    report::ResultTexts ResultGridTexts() const;
    bool Print(platform::PrintJob& job, const report::PrintPlan& plan);

    platform::Dialogs& dialogs_;
    TReportFormHost host_;
    bool layoutDone_ = false;
    std::vector<report::TReportRow> rows_;
    report::FieldWidths fieldWidths_{};
    std::array<int, report::kReportColumnCount> columnPixels_{};
    int editRow_ = -1;
    int editCol_ = -1;
    ReportPrintFonts printFonts_;

    QLabel* titleLabel_ = nullptr;
    QLineEdit* titleEdit_ = nullptr;
    std::array<QLabel*, report::kReportColumnCount> captionLabels_{};
    TColorStringGrid* reportGrid_ = nullptr;
    TColorStringGrid* resultGrid_ = nullptr;
    QCheckBox* graphCheckBox_ = nullptr;
    QPushButton* printButton_ = nullptr;
    QPushButton* closeButton_ = nullptr;
};

} // namespace tickora
