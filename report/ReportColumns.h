#pragma once

#include "report/ReportRows.h"

#include <array>
#include <functional>
#include <string>
#include <string_view>

namespace report {

// The columns of the report grid.
enum ReportColumnIndex : int {
    kPositionColumn = 0,
    kRateColumn = 1,
    kAmplitudeColumn = 2,
    kBeatErrorColumn = 3,
    kOrderColumn = 4,
    kWeightColumn = 5,
    kReportColumnCount = 6,
};

struct TReportColumn {
    std::string_view Caption; // the label above the column
    int ValueChars;           // characters a value occupies
    bool Editable;
};

inline constexpr std::array<TReportColumn, kReportColumnCount> kReportColumns = {{
    {"POSITION", 25, true},
    {"DAILY RATE", 7, false},
    {"AMPLITUDE", 4, false},
    {"BEAT ERROR", 5, false},
    {"ORDER", 2, true},
    {"WEIGHT", 2, true},
}};

using FieldWidths = std::array<int, kReportColumnCount>; // characters

// The size of one column, found once from the grid font.
struct ColumnGeometry {
    int fieldWidth = 0; // characters: the value centred in the cell's character count
    int pixelWidth = 0; // pixels of the column in the grids
};

// A column of valueChars characters gets two characters of room and 4 pixels; a caption
// wider than that (plus 8 pixels) widens the column and its character count in proportion.
// widthOfMs(n) is the pixel width of n letters "M" in the grid font; labelWidth the caption's
// pixel width in its own font.
ColumnGeometry LayoutColumn(int valueChars, int labelWidth,
                            const std::function<int(int letters)>& widthOfMs);

// The text of a report cell: " " and the position, the value texts right-aligned in the field
// width, ORDER and WEIGHT right-aligned and empty when 0. Empty for a row that holds no page.
std::string ReportCellText(const TReportRow* row, int column, const FieldWidths& widths);

} // namespace report
