#include "report/ReportColumns.h"

#include "report/ReportTexts.h"
#include "report/ValueTexts.h"

namespace report {

ColumnGeometry LayoutColumn(int valueChars, int labelWidth,
                            const std::function<int(int letters)>& widthOfMs) {
    std::int64_t letters = valueChars + 2;
    std::int64_t width = widthOfMs(static_cast<int>(letters)) + 4;
    if (labelWidth + 8 > width && width > 0) {
        letters = RoundHalfEven(static_cast<double>(labelWidth + 8) * static_cast<double>(letters) /
                                static_cast<double>(width));
        width = labelWidth + 8;
    }
    ColumnGeometry geometry;
    geometry.fieldWidth = static_cast<int>(valueChars + (letters - valueChars + 1) / 2);
    geometry.pixelWidth = static_cast<int>(width);
    return geometry;
}

std::string ReportCellText(const TReportRow* row, int column, const FieldWidths& widths) {
    if (!row || column < 0 || column >= kReportColumnCount)
        return {};
    const int width = widths[static_cast<std::size_t>(column)];
    const pages::TPageInfo& page = row->Page;
    switch (column) {
    case kPositionColumn:
        return " " + page.Annotation;
    case kRateColumn:
        return PadLeft(RateText(page.DailyRate), width);
    case kAmplitudeColumn:
        return PadLeft(AmplitudeText(page.Amplitude), width);
    case kBeatErrorColumn:
        return PadLeft(BeatErrorText(page.BeatError), width);
    case kOrderColumn:
        return row->Order == 0 ? std::string() : PadLeft(std::to_string(row->Order), width);
    default:
        return row->Weight == 0 ? std::string() : PadLeft(std::to_string(row->Weight), width);
    }
}

} // namespace report
