#include "report/ReportRows.h"

#include "report/ReportColumns.h"
#include "report/ReportTexts.h"

#include <algorithm>

namespace report {

namespace {

// The latest row (searching from the last) whose position is the standard position.
template <typename Rows, typename Predicate>
auto LatestRowOf(Rows& rows, std::int32_t position, Predicate accept) -> decltype(&rows[0]) {
    const std::string name = pages::PositionName(position);
    for (auto it = rows.rbegin(); it != rows.rend(); ++it) {
        if (it->Page.Annotation == name && accept(*it))
            return &*it;
    }
    return nullptr;
}

} // namespace

std::vector<TReportRow> BuildReportRows(const std::vector<pages::TPageInfo>& pages,
                                        const PositionWeights& stored, std::int32_t weighedLatest) {
    const std::size_t count = std::min<std::size_t>(pages.size(), kMaxReportRows);
    std::vector<TReportRow> rows(count);
    for (std::size_t i = 0; i < count; ++i) {
        TReportRow& row = rows[i];
        row.Page = pages[i];
        row.Selectable = true;
        row.Order = static_cast<std::int32_t>(i + 1);
        const bool freeText = !row.Page.Annotation.empty() && pages::PositionOf(row.Page) == 0;
        row.Weight = freeText && row.Page.Complete ? 1 : 0;
    }
    for (std::int32_t position = 1; position <= pages::kPositionCount; ++position) {
        TReportRow* row = LatestRowOf(rows, position, [](const TReportRow&) { return true; });
        if (row)
            row->Weight = stored[static_cast<std::size_t>(position - 1)];
    }
    if (weighedLatest > 0 && static_cast<std::size_t>(weighedLatest) < count) {
        for (std::size_t i = 0; i < count - static_cast<std::size_t>(weighedLatest); ++i)
            rows[i].Weight = 0;
    }
    return rows;
}

bool ApplyCellEdit(std::vector<TReportRow>& rows, int row, int column, std::string_view typed) {
    if (row < 0 || static_cast<std::size_t>(row) >= rows.size())
        return false;
    TReportRow& target = rows[static_cast<std::size_t>(row)];
    switch (column) {
    case kPositionColumn:
        target.Page.Annotation = Trim(typed);
        return false;
    case kOrderColumn:
        target.Order = ParseCellNumber(typed);
        return true;
    case kWeightColumn:
        target.Weight = ParseCellNumber(typed);
        return true;
    default:
        return false;
    }
}

bool TakeWeights(const std::vector<TReportRow>& rows, PositionWeights& weights) {
    bool changed = false;
    for (std::int32_t position = 1; position <= pages::kPositionCount; ++position) {
        const TReportRow* row =
            LatestRowOf(rows, position, [](const TReportRow& r) { return r.Weight != 0; });
        if (!row)
            continue;
        std::int32_t& stored = weights[static_cast<std::size_t>(position - 1)];
        if (row->Weight != stored)
            changed = true;
        stored = row->Weight;
    }
    return changed;
}

} // namespace report
