#pragma once

#include "pages/Annotate.h"
#include "pages/PageInfo.h"

#include <array>
#include <cstdint>
#include <string_view>
#include <vector>

namespace report {

// As many rows as the page history holds pages.
inline constexpr int kMaxReportRows = 10;

// Report weights of the six standard positions, as the settings keep them.
using PositionWeights = std::array<std::int32_t, pages::kPositionCount>;

// One row of the report: a copy of a page (edits change the copy, never the history), its
// print order and its weight in the statistics.
struct TReportRow {
    pages::TPageInfo Page;
    bool Selectable = true;  // the row's editable cells may be selected
    std::int32_t Order = 0;  // print order; 0 shows as an empty cell
    std::int32_t Weight = 0; // 0 or less leaves the row out of the statistics
};

// Rows for the pages, oldest first (at most kMaxReportRows), ordered 1, 2, 3... A complete
// page with a free-text position weighs 1, any other page 0; then the latest page of each
// standard position takes that position's stored weight, whatever its completeness. With
// weighedLatest above 0 (the pages of a position sequence just measured) only that many of
// the latest pages weigh; the older ones weigh 0 until the user weighs them in.
std::vector<TReportRow> BuildReportRows(const std::vector<pages::TPageInfo>& pages,
                                        const PositionWeights& stored,
                                        std::int32_t weighedLatest = 0);

// Takes the text typed into a cell: POSITION becomes the trimmed text; ORDER and WEIGHT the
// typed number (ParseCellNumber). Other columns and rows out of range change nothing. True
// when the statistics must be computed anew (a weight or an order changed hands).
bool ApplyCellEdit(std::vector<TReportRow>& rows, int row, int column, std::string_view typed);

// The weights to keep for the six standard positions when the report closes: for each, the
// weight of the latest row of that position whose weight is not 0. Positions without such a
// row keep their stored weight. True when any weight changed.
bool TakeWeights(const std::vector<TReportRow>& rows, PositionWeights& weights);

} // namespace report
