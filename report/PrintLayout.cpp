#include "report/PrintLayout.h"

#include "report/ReportTexts.h"
#include "report/ValueTexts.h"

#include <algorithm>
#include <numeric>

namespace report {

namespace {

int Round(double value) {
    return static_cast<int>(RoundHalfEven(value));
}

// The printed columns: POSITION, DAILY RATE, AMPLITUDE, BEAT ERROR, and WEIGHT when weights
// are shown; with their widths in characters.
struct PrintedColumn {
    int column;
    int width;
};

std::vector<PrintedColumn> PrintedColumns(bool weightsShown, const FieldWidths& fieldWidths) {
    std::vector<int> columns = {kPositionColumn, kRateColumn, kAmplitudeColumn, kBeatErrorColumn};
    if (weightsShown)
        columns.push_back(kWeightColumn);
    std::vector<PrintedColumn> printed;
    for (const int c : columns) {
        const int captionWidth = static_cast<int>(kReportColumns[c].Caption.size()) + 2;
        printed.push_back({c, std::max(fieldWidths[c], captionWidth)});
    }
    return printed;
}

// POSITION left-aligned in its width, every other column right-aligned.
std::string Cell(std::string_view text, std::size_t index, int width) {
    return index == 0 ? PadRight(text, width) : PadLeft(text, width);
}

} // namespace

PrintPlan PlanPrint(const std::vector<TReportRow>& rows, std::string_view titleField) {
    PrintPlan plan;
    std::vector<int> order(rows.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(),
                     [&rows](int a, int b) { return rows[a].Order < rows[b].Order; });

    bool first = true;
    for (const int r : order) {
        const TReportRow& row = rows[r];
        if (row.Weight <= 0)
            continue;
        plan.included.push_back(r);
        plan.weightsShown = plan.weightsShown || row.Weight >= 2;
        if (first || row.Page.Timestamp > plan.latestTime)
            plan.latestTime = row.Page.Timestamp;
        first = false;
    }
    for (auto it = rows.rbegin(); it != rows.rend(); ++it) {
        if (it->Weight > 0 && !it->Page.Annotation.empty()) {
            plan.lastPosition = it->Page.Annotation;
            break;
        }
    }

    const int j = static_cast<int>(plan.included.size());
    plan.title = Trim(titleField);
    if (plan.title.empty() && j == 1)
        plan.title = plan.lastPosition;
    plan.gridColumns = j <= 1 ? 1 : (j <= 6 ? 2 : 3);
    plan.gridRows = (j + plan.gridColumns - 1) / plan.gridColumns;
    return plan;
}

TracePictureLayout LayoutTracePicture(const PrintPlan& plan, int plotWidth, int plotHeight) {
    TracePictureLayout layout;
    if (plan.included.empty() || plotWidth <= 0 || plotHeight <= 0)
        return layout;
    layout.cellWidth = plotWidth;
    layout.cellHeight = plotHeight;
    layout.width = (plotWidth + 1) * plan.gridColumns + 1;
    layout.height = (plotHeight + 1) * plan.gridRows + 1;
    for (std::size_t k = 0; k < plan.included.size(); ++k) {
        const int column = static_cast<int>(k) % plan.gridColumns;
        const int row = static_cast<int>(k) / plan.gridColumns;
        layout.cells.push_back(
            {plan.included[k], (plotWidth + 1) * column, (plotHeight + 1) * row});
    }
    return layout;
}

namespace {

PrintPageLayout LayoutWithScale(const PrintPlan& plan, const PrintPageInput& input,
                                const PrintMeasure& measure, double scale) {
    PrintPageLayout page;
    const int pageWidth = input.pageWidth;
    const double u = input.pageHeight * 0.25 / 10.5;
    page.unit = u;
    int y = Round(2 * u);

    if (!plan.title.empty()) {
        page.title = PrintedText{
            plan.title, (pageWidth - measure.TextWidth(PrintFont::Title, plan.title)) / 2, y};
        y += measure.TextHeight(PrintFont::Title, plan.title) + Round(u);
    }

    if (input.pictureWidth > 0 && input.pictureHeight > 0) {
        PrintRect rect;
        rect.left = Round((pageWidth - input.pictureWidth * scale) / 2);
        rect.right = Round(input.pictureWidth * scale + rect.left);
        rect.top = y;
        rect.bottom = Round(input.pictureHeight * scale + rect.top);
        page.picture = rect;
        y = Round(u) + rect.bottom;
    }

    const std::vector<PrintedColumn> columns = PrintedColumns(plan.weightsShown, input.fieldWidths);
    int characters = 0;
    for (const PrintedColumn& c : columns)
        characters += c.width;
    const int x0 =
        (pageWidth - measure.TextWidth(PrintFont::Table,
                                       std::string(static_cast<std::size_t>(characters), ' '))) /
        2;
    const int h = measure.TextHeight(PrintFont::Table, "M");

    std::string header;
    for (std::size_t k = 0; k < columns.size(); ++k)
        header += Cell(kReportColumns[columns[k].column].Caption, k, columns[k].width);
    page.table.push_back({header, x0, y});

    y += 3 * h / 4;
    for (const int r : plan.included) {
        std::string line;
        for (std::size_t k = 0; k < columns.size(); ++k) {
            const std::string text =
                static_cast<std::size_t>(r) < input.cellTexts.size()
                    ? Trim(input.cellTexts[static_cast<std::size_t>(r)][columns[k].column])
                    : std::string();
            line += Cell(text, k, columns[k].width);
        }
        y += 5 * h / 4;
        page.table.push_back({line, x0, y});
        ++page.pageLineCount;
    }

    if (plan.included.size() > 1) {
        y += 3 * h / 4;
        for (int r = 0; r < kResultRowCount; ++r) {
            if (r == kWeightedAverageRow && !plan.weightsShown)
                continue;
            std::string line;
            for (std::size_t k = 0; k < static_cast<std::size_t>(kResultColumnCount); ++k)
                line += Cell(Trim(input.resultTexts[r][k]), k, columns[k].width);
            y += 5 * h / 4;
            page.table.push_back({line, x0, y});
        }
    }
    page.contentBottom = y + h;

    std::string footer = PageTimeText(plan.latestTime);
    if (!plan.title.empty())
        footer += " - " + plan.title;
    const int footerY =
        Round(input.pageHeight - measure.TextHeight(PrintFont::Table, footer) - 2 * u);
    page.footer = {footer, Round(pageWidth - measure.TextWidth(PrintFont::Table, footer) - 2 * u),
                   footerY};
    page.applicationTitle = {input.applicationTitle, Round(2 * u), footerY};
    return page;
}

} // namespace

PrintPageLayout LayoutPrintPage(const PrintPlan& plan, const PrintPageInput& input,
                                const PrintMeasure& measure) {
    double scale = input.pictureWidth > 0 ? input.pageWidth * 7.0 / 8.0 / input.pictureWidth : 0;
    PrintPageLayout page = LayoutWithScale(plan, input, measure, scale);
    // The content ends a unit above the footer; only the picture gives way.
    for (int attempt = 0; attempt < 3 && page.picture; ++attempt) {
        const int limit = page.footer.y - Round(page.unit);
        const int overflow = page.contentBottom - limit;
        const int height = page.picture->bottom - page.picture->top;
        if (overflow <= 0 || height <= 0)
            break;
        const int wanted = std::max(1, height - overflow);
        scale *= static_cast<double>(wanted) / height;
        page = LayoutWithScale(plan, input, measure, scale);
    }
    return page;
}

} // namespace report
