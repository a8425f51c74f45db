#pragma once

#include "report/ReportColumns.h"
#include "report/ReportRows.h"
#include "report/ReportStatistics.h"

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Where everything of the printed report goes: one portrait page with the title, a picture
// of the traces of the included pages, the table of those pages, the statistics and a grey
// footer. Computed here without any GUI; the print code draws what it says.
namespace report {

// What the print is made of, from the report rows.
struct PrintPlan {
    std::vector<int> included; // row numbers with a weight > 0, in printing order (by Order,
                               // equal orders in row order)
    bool weightsShown = false; // some included row weighs 2 or more
    double latestTime = 0.0;   // the latest time stamp of the included rows
    std::string lastPosition;  // position of the last included row (row order) that has one
    std::string title;         // the trimmed title, or the position when one row is printed
    int gridColumns = 0;       // trace picture: 1, 2 or 3 columns
    int gridRows = 0;
};

PrintPlan PlanPrint(const std::vector<TReportRow>& rows, std::string_view titleField);

// One framed trace of the picture: the frame is the rectangle (left, top) to
// (left + cellWidth + 2, top + cellHeight + 2); the trace fills it less one pixel all round.
struct TraceCell {
    int row = 0; // report row, so page row + 1
    int left = 0;
    int top = 0;
};

// Every cell has the plot area's size: each trace is copied from the plot area after the
// main window has shown its page, so cells never overlap whatever size a stored picture has.
// Neighbours share their one-pixel frame.
struct TracePictureLayout {
    int width = 0;                // pixels
    int height = 0;               // pixels
    int cellWidth = 0;            // pixels of one trace, the plot width
    int cellHeight = 0;           // pixels, the plot height
    std::vector<TraceCell> cells; // in printing order, row by row, left to right
};

TracePictureLayout LayoutTracePicture(const PrintPlan& plan, int plotWidth, int plotHeight);

// The two fonts of the page: the title field's face at 16 points, and the grid's face and
// size for the tables and the footer.
enum class PrintFont { Title, Table };

// Text sizes in printer pixels, from the printer's canvas.
class PrintMeasure {
public:
    virtual ~PrintMeasure() = default;
    virtual int TextWidth(PrintFont font, const std::string& utf8) const = 0;
    virtual int TextHeight(PrintFont font, const std::string& utf8) const = 0;
};

using RowTexts = std::array<std::string, kReportColumnCount>;

struct PrintPageInput {
    int pageWidth = 0;               // printer pixels of the printable area
    int pageHeight = 0;              // printer pixels
    int pictureWidth = 0;            // the trace picture, pixels; 0 when no picture is printed
    int pictureHeight = 0;           // pixels
    std::vector<RowTexts> cellTexts; // the report grid's cell texts as they stand, by row
    ResultTexts resultTexts;         // the result grid's cell texts
    FieldWidths fieldWidths{};
    std::string applicationTitle;
};

struct PrintedText {
    std::string text;
    int x = 0; // left, printer pixels
    int y = 0; // top, printer pixels
};

struct PrintRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
};

struct PrintPageLayout {
    double unit = 0.0;                // printer pixels: a quarter inch on a 10.5 inch page
    std::optional<PrintedText> title; // title font
    std::optional<PrintRect> picture; // the trace picture, stretched into this rectangle
    std::vector<PrintedText> table;   // table font: the header, the page rows, statistics
    int pageLineCount = 0;            // page rows among the table lines
    PrintedText footer;               // table font, grey, right-aligned
    PrintedText applicationTitle;     // table font, grey, at the left
    int contentBottom = 0;            // below the last table line
};

// The page: the picture takes 7/8 of the page width; the tables are centred and printed in
// the grid's columns (ORDER never, WEIGHT only when weights are shown), the statistics only
// with two or more pages. Should the content reach into the footer (a small printable area),
// the picture alone is made smaller so that everything stays on the page.
PrintPageLayout LayoutPrintPage(const PrintPlan& plan, const PrintPageInput& input,
                                const PrintMeasure& measure);

} // namespace report
