#include "report/ui/ReportForm.h"

#include "platform/Dialogs.h"
#include "platform/QtDialogs.h"
#include "platform/QtFont.h"

#include <QCheckBox>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>

#include <algorithm>

namespace tickora {

namespace {

const QColor kCompleteGreen(0, 119, 0);
const QColor kProvisionalRed(204, 0, 0);

constexpr int kButtonWidth = 75;  // pixels
constexpr int kButtonHeight = 25; // pixels
constexpr int kButtonGap = 24;    // pixels between Print and Close

QFont DialogFont(const char* face, int pixels) {
    platform::Font font;
    font.face = face;
    font.pixelHeight = pixels;
    return platform::ToQFont(font);
}

} // namespace

TReportForm::TReportForm(platform::Dialogs& dialogs, TReportFormHost host, QWidget* parent)
    : QDialog(parent), dialogs_(dialogs), host_(std::move(host)) {
    BuildControls();
    FormCreate();
}

void TReportForm::BuildControls() {
    setWindowTitle(kCaption);
    setFont(DialogFont("Arial", 13));

    titleLabel_ = new QLabel("Report &Title:", this);
    titleEdit_ = new QLineEdit(this);
    titleEdit_->setFont(DialogFont("Times New Roman", 19));
    titleLabel_->setBuddy(titleEdit_);
    titleLabel_->adjustSize();

    for (int c = 0; c < report::kReportColumnCount; ++c) {
        auto* label = new QLabel(
            QString::fromUtf8(report::kReportColumns[c].Caption.data(),
                              static_cast<qsizetype>(report::kReportColumns[c].Caption.size())),
            this);
        QPalette palette = label->palette();
        palette.setColor(QPalette::WindowText, Qt::black);
        label->setPalette(palette);
        label->adjustSize();
        captionLabels_[c] = label;
    }

    const QFont gridFont = DialogFont("Cousine", kGridFontPixels);
    reportGrid_ = new TColorStringGrid(this);
    reportGrid_->setFont(gridFont);
    reportGrid_->SetDefaultRowHeight(kRowHeight);
    reportGrid_->SetColCount(report::kReportColumnCount);
    reportGrid_->SetRowCount(1);
    reportGrid_->SetEditing(true);
    reportGrid_->SetOnSelectCell([this](TColorStringGrid*, int col, int row, bool& canSelect) {
        ReportGridSelectCell(col, row, canSelect);
    });
    reportGrid_->SetOnGetEditText([this](TColorStringGrid*, int col, int row, QString& value) {
        ReportGridGetEditText(col, row, value);
    });
    reportGrid_->SetOnSetEditText(
        [this](TColorStringGrid*, int col, int row, const QString& value) {
            ReportGridSetEditText(col, row, value);
        });
    reportGrid_->SetOnExit([this](TColorStringGrid*) { ReportGridExit(); });
    reportGrid_->SetOnGetCellColor(
        [this](TColorStringGrid*, int row, int col, TGridDrawState state, QBrush& brush,
               QColor& font) { ReportGridGetCellColor(row, col, state, brush, font); });

    resultGrid_ = new TColorStringGrid(this);
    resultGrid_->setFont(gridFont);
    resultGrid_->setFocusPolicy(Qt::NoFocus);
    resultGrid_->SetDefaultRowHeight(kRowHeight);
    resultGrid_->SetColCount(report::kResultColumnCount);
    resultGrid_->SetRowCount(report::kResultRowCount);
    resultGrid_->SetOnSelectCell([this](TColorStringGrid*, int col, int row, bool& canSelect) {
        ResultGridSelectCell(col, row, canSelect);
    });
    resultGrid_->SetOnGetCellColor(
        [this](TColorStringGrid*, int row, int col, TGridDrawState state, QBrush& brush,
               QColor& font) { ResultGridGetCellColor(row, col, state, brush, font); });

    graphCheckBox_ = new QCheckBox("Print Tr&aces", this);
    graphCheckBox_->setChecked(true);
    graphCheckBox_->adjustSize();

    printButton_ = new QPushButton("&Print", this);
    printButton_->setDefault(true);
    closeButton_ = new QPushButton("Close", this);
    printButton_->setFixedSize(kButtonWidth, kButtonHeight);
    closeButton_->setFixedSize(kButtonWidth, kButtonHeight);
    connect(printButton_, &QPushButton::clicked, this, &TReportForm::PrintButtonClick);
    connect(closeButton_, &QPushButton::clicked, this, &QDialog::reject);

    setTabOrder(titleEdit_, reportGrid_);
    setTabOrder(reportGrid_, graphCheckBox_);
    setTabOrder(graphCheckBox_, printButton_);
    setTabOrder(printButton_, closeButton_);
}

void TReportForm::FormCreate() {
    layoutDone_ = false;
}

void TReportForm::ShowReport() {
    exec();
}

void TReportForm::showEvent(QShowEvent* event) {
    FormShow();
    QDialog::showEvent(event);
    if (!event->spontaneous())
        platform::CentreOnOwner(*this);
}

void TReportForm::FormShow() {
    if (!layoutDone_) {
        LayoutColumns();
        layoutDone_ = true;
    }
    TSettingsRecord record;
    if (host_.fillRecord)
        host_.fillRecord(record);
    rows_ = report::BuildReportRows(Pages(), record.Weights,
                                    host_.weighedLatest ? host_.weighedLatest() : 0);
    LayoutRows();
    for (int r = 0; r < reportGrid_->RowCount(); ++r)
        for (int c = 0; c < report::kReportColumnCount; ++c)
            RenderCell(r, c);
    ComputeStatistics();
    editRow_ = -1;
    editCol_ = -1;
}

void TReportForm::LayoutColumns() {
    // Every measurement of the columns uses the grid's font.
    const QFontMetrics grid(reportGrid_->font());
    const auto widthOfMs = [&grid](int letters) {
        return grid.horizontalAdvance(QString(letters, QLatin1Char('M')));
    };
    for (int c = 0; c < report::kReportColumnCount; ++c) {
        const int labelWidth =
            QFontMetrics(captionLabels_[c]->font()).horizontalAdvance(captionLabels_[c]->text());
        const report::ColumnGeometry geometry =
            report::LayoutColumn(report::kReportColumns[c].ValueChars, labelWidth, widthOfMs);
        fieldWidths_[c] = geometry.fieldWidth;
        columnPixels_[c] = geometry.pixelWidth;
        reportGrid_->SetColWidth(c, geometry.pixelWidth);
        if (c < report::kResultColumnCount)
            resultGrid_->SetColWidth(c, geometry.pixelWidth);
    }
    reportGrid_->FitToCells();
    resultGrid_->FitToCells();

    const int gridLeft = kMargin;
    reportGrid_->move(gridLeft, reportGrid_->y());
    resultGrid_->move(gridLeft, resultGrid_->y());

    // Captions centred over their columns; POSITION over the left-aligned position texts.
    int left = gridLeft + reportGrid_->BorderWidth();
    for (int c = 0; c < report::kReportColumnCount; ++c) {
        QLabel* label = captionLabels_[c];
        label->move(left + (columnPixels_[c] - label->width()) / 2, label->y());
        left += columnPixels_[c] + 1; // the grid line
    }
    captionLabels_[report::kPositionColumn]->move(gridLeft +
                                                      grid.horizontalAdvance(QLatin1Char(' ')) + 3,
                                                  captionLabels_[report::kPositionColumn]->y());

    const int gridRight = reportGrid_->x() + reportGrid_->width();
    titleLabel_->move(kMargin, titleLabel_->y());
    const int editLeft = titleLabel_->x() + titleLabel_->width() + 8;
    titleEdit_->setGeometry(editLeft, kMargin, gridRight - editLeft,
                            titleEdit_->sizeHint().height());
    titleLabel_->move(kMargin,
                      titleEdit_->y() + (titleEdit_->height() - titleLabel_->height()) / 2);

    const report::ResultTexts captions = report::StatisticsTexts({}, fieldWidths_);
    for (int r = 0; r < report::kResultRowCount; ++r)
        resultGrid_->SetCells(0, r, QString::fromStdString(captions[r][0]));
}

void TReportForm::LayoutRows() {
    reportGrid_->SetRowCount(std::max<int>(1, static_cast<int>(rows_.size())));
    reportGrid_->FitToCells();
    resultGrid_->FitToCells();

    const int captionTop = titleEdit_->y() + titleEdit_->height() + 12;
    int captionHeight = 0;
    for (QLabel* label : captionLabels_) {
        label->move(label->x(), captionTop);
        captionHeight = std::max(captionHeight, label->height());
    }
    reportGrid_->move(reportGrid_->x(), captionTop + captionHeight + 2);
    const int reportBottom = reportGrid_->y() + reportGrid_->height();
    resultGrid_->move(resultGrid_->x(), reportBottom + 16);
    const int resultBottom = resultGrid_->y() + resultGrid_->height();
    graphCheckBox_->move(resultGrid_->x() + resultGrid_->width() + 16,
                         resultGrid_->y() + (resultGrid_->height() - graphCheckBox_->height()) / 2);

    // The check box must not stick out where the order and weight columns are narrow.
    const int clientWidth = std::max(reportGrid_->x() + reportGrid_->width(),
                                     graphCheckBox_->x() + graphCheckBox_->width()) +
                            kMargin;
    const int buttonsLeft = (clientWidth - (2 * kButtonWidth + kButtonGap)) / 2;
    const int buttonsTop = resultBottom + 19;
    printButton_->move(buttonsLeft, buttonsTop);
    closeButton_->move(buttonsLeft + kButtonWidth + kButtonGap, buttonsTop);
    setFixedSize(clientWidth, buttonsTop + kButtonHeight + 19);
}

std::vector<pages::TPageInfo> TReportForm::Pages() const {
    std::vector<pages::TPageInfo> pages;
    const std::int32_t count = host_.pageCount ? host_.pageCount() : 0;
    for (std::int32_t i = 1; i <= count && i <= report::kMaxReportRows; ++i)
        pages.push_back(host_.getPage ? host_.getPage(i) : pages::TPageInfo{});
    return pages;
}

void TReportForm::RenderCell(int row, int col) {
    const report::TReportRow* source = HoldsPage(row) ? &rows_[row] : nullptr;
    reportGrid_->SetCells(
        col, row, QString::fromStdString(report::ReportCellText(source, col, fieldWidths_)));
}

void TReportForm::ComputeStatistics() {
    const report::ReportStatistics statistics = report::ComputeStatistics(rows_);
    const report::ResultTexts texts = report::StatisticsTexts(statistics, fieldWidths_);
    for (int r = 0; r < report::kResultRowCount; ++r)
        for (int c = 0; c < report::kResultColumnCount; ++c)
            resultGrid_->SetCells(c, r, QString::fromStdString(texts[r][c]));
    printButton_->setEnabled(statistics.count > 0);
}

void TReportForm::ReportGridSelectCell(int col, int row, bool& canSelect) {
    canSelect = col >= 0 && col < report::kReportColumnCount &&
                report::kReportColumns[col].Editable && HoldsPage(row) && rows_[row].Selectable;
}

void TReportForm::ReportGridGetEditText(int col, int row, QString&) {
    if (editRow_ >= 0 && editCol_ >= 0 && editRow_ < reportGrid_->RowCount() &&
        editCol_ < reportGrid_->ColCount() && (editRow_ != row || editCol_ != col))
        RenderCell(editRow_, editCol_);
    editRow_ = row;
    editCol_ = col;
}

void TReportForm::ReportGridSetEditText(int col, int row, const QString& value) {
    if (report::ApplyCellEdit(rows_, row, col, value.toStdString()))
        ComputeStatistics();
}

void TReportForm::ReportGridExit() {
    if (editRow_ >= 0 && editCol_ >= 0 && editRow_ < reportGrid_->RowCount() &&
        editCol_ < reportGrid_->ColCount())
        RenderCell(editRow_, editCol_);
    editRow_ = -1;
    editCol_ = -1;
}

void TReportForm::ReportGridGetCellColor(int row, int col, TGridDrawState, QBrush& brush,
                                         QColor& font) {
    brush = QBrush(Qt::white); // no selection highlight
    if (report::kReportColumns[col].Editable || !HoldsPage(row)) {
        font = Qt::black;
        return;
    }
    const pages::TPageInfo& page = rows_[row].Page;
    if (page.LongTerm)
        font = Qt::black;
    else
        font = page.Complete ? kCompleteGreen : kProvisionalRed;
}

void TReportForm::ResultGridSelectCell(int, int, bool& canSelect) {
    canSelect = false;
}

void TReportForm::ResultGridGetCellColor(int, int, TGridDrawState, QBrush& brush, QColor& font) {
    brush = QBrush(Qt::white);
    font = Qt::black;
}

std::vector<report::RowTexts> TReportForm::GridTexts() const {
    std::vector<report::RowTexts> texts(rows_.size());
    for (std::size_t r = 0; r < rows_.size(); ++r)
        for (int c = 0; c < report::kReportColumnCount; ++c)
            texts[r][c] = reportGrid_->Cells(c, static_cast<int>(r)).toStdString();
    return texts;
}

report::ResultTexts TReportForm::ResultGridTexts() const {
    report::ResultTexts texts;
    for (int r = 0; r < report::kResultRowCount; ++r)
        for (int c = 0; c < report::kResultColumnCount; ++c)
            texts[r][c] = resultGrid_->Cells(c, r).toStdString();
    return texts;
}

void TReportForm::PrintButtonClick() {
    std::unique_ptr<platform::PrintJob> job = dialogs_.AskPrinter();
    if (!job)
        return;
    if (job->Orientation() == platform::PageOrientation::Landscape) {
        if (dialogs_.ShowMessage(kLandscapeQuestion, platform::MessageIcon::Error,
                                 platform::MessageButtons::YesCancel) !=
            platform::MessageResult::Yes)
            return;
        job->SetOrientation(platform::PageOrientation::Portrait);
    }
    const report::PrintPlan plan = report::PlanPrint(rows_, titleEdit_->text().toStdString());
    if (plan.included.empty())
        return; // Print is disabled then
    bool printed = false;
    {
        platform::WaitCursor wait(dialogs_);
        printed = Print(*job, plan);
    }
    if (!printed) {
        dialogs_.ShowMessage(kPrintFailed, platform::MessageIcon::Error,
                             platform::MessageButtons::Ok);
        return;
    }
    done(QDialog::Accepted);
}

bool TReportForm::Print(platform::PrintJob& job, const report::PrintPlan& plan) {
    platform::Image picture;
    const platform::Image* plot = host_.plotArea ? host_.plotArea() : nullptr;
    if (graphCheckBox_->isChecked() && plot && host_.showPage) {
        const report::TracePictureLayout traces =
            report::LayoutTracePicture(plan, plot->Width(), plot->Height());
        picture = ComposeTracePicture(traces, host_.showPage, *plot);
    }

    if (!job.BeginJob(kCaption))
        return false;
    platform::Canvas& canvas = job.PageCanvas();
    const CanvasPrintMeasure measure(canvas, printFonts_);
    report::PrintPageInput input;
    input.pageWidth = job.PageWidth();
    input.pageHeight = job.PageHeight();
    input.pictureWidth = picture.Width();
    input.pictureHeight = picture.Height();
    input.cellTexts = GridTexts();
    input.resultTexts = ResultGridTexts();
    input.fieldWidths = fieldWidths_;
    input.applicationTitle = host_.applicationTitle ? host_.applicationTitle() : "Tickora";
    const report::PrintPageLayout layout = report::LayoutPrintPage(plan, input, measure);
    DrawReportPage(canvas, layout, &picture, printFonts_);
    picture = platform::Image(); // the picture is large; it goes before the page is sent
    return job.EndJob();
}

void TReportForm::done(int result) {
    FormClose();
    QDialog::done(result);
}

void TReportForm::FormClose() {
    TSettingsRecord record;
    if (host_.fillRecord)
        host_.fillRecord(record);
    record.Changed = false;
    if (report::TakeWeights(rows_, record.Weights))
        record.Changed = true;
    if (host_.storeBack)
        host_.storeBack(record);
}

} // namespace tickora
