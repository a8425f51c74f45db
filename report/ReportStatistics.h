#pragma once

#include "report/ReportColumns.h"
#include "report/ReportRows.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace report {

// Sums and extremes of one result over the rows with a positive weight.
struct QuantityStatistics {
    double sum = 0.0;
    double weightedSum = 0.0; // weight x value
    double minimum = 0.0;
    double maximum = 0.0;
};

// Over the rows with Weight > 0: their number, their total weight, and for daily rate (s/d),
// amplitude (degrees) and beat error (ms) the sums and extremes.
struct ReportStatistics {
    int count = 0;
    std::int64_t totalWeight = 0;
    QuantityStatistics rate;
    QuantityStatistics amplitude;
    QuantityStatistics beatError;
};

ReportStatistics ComputeStatistics(const std::vector<TReportRow>& rows);

// The result grid: five rows of a caption and the rate, amplitude and beat error texts.
inline constexpr int kResultRowCount = 5;
inline constexpr int kResultColumnCount = 4;
enum ResultRowIndex : int {
    kAverageRow = 0,
    kWeightedAverageRow = 1,
    kMinimumRow = 2,
    kMaximumRow = 3,
    kDeviationRow = 4,
};
inline constexpr std::array<std::string_view, kResultRowCount> kResultCaptions = {
    " Average", " Weighted Average", " Minimum", " Maximum", " Deviation"};
using ResultTexts = std::array<std::array<std::string, kResultColumnCount>, kResultRowCount>;

// The captions in column 0 and, when some row has a positive weight, the value texts in the
// field widths of report columns 1 to 3: average, weighted average, minimum and maximum with
// the signed rate, the deviation (maximum - minimum) unsigned. Without such a row the value
// cells are empty: figures of an earlier choice of rows would be misleading.
ResultTexts StatisticsTexts(const ReportStatistics& statistics, const FieldWidths& widths);

} // namespace report
