#include "longterm/LongTerm.h"

#include <cmath>

namespace longterm {

void LongTermAccumulation::StartLongTerm(LongTermChartTarget* chart) {
    chart_ = chart;
    pointCount_ = 0;
    interval_ = kInitialInterval;
    statistics_ = {};
    active_ = true;
}

void LongTermAccumulation::StopLongTerm() {
    active_ = false;
}

bool LongTermAccumulation::AddLongTermResult(double& dailyRate, double& amplitude,
                                             double& beatError, double time) {
    if (!active_) {
        return false;
    }
    if (!std::isfinite(dailyRate) || !std::isfinite(amplitude) || !std::isfinite(beatError) ||
        !std::isfinite(time)) {
        return false;
    }
    // Acceptance follows the point number, not the last point's time, so after a gap the
    // results are taken one after another until the count catches up with the time.
    if ((pointCount_ + 1) * interval_ >= time) {
        return false;
    }
    points_[static_cast<std::size_t>(pointCount_)] = {time, dailyRate, amplitude, beatError};
    ++pointCount_;
    for (int s = 0; s < kSeriesCount; ++s) {
        statistics_[static_cast<std::size_t>(s)] =
            ComputeSeriesStatistics(Points(), static_cast<Series>(s));
    }
    // The chart shows the full store before it is thinned.
    if (chart_ != nullptr) {
        chart_->RedrawChart(*this);
    }
    dailyRate = Statistics(Series::DailyRate).Mean;
    amplitude = Statistics(Series::Amplitude).Mean;
    beatError = Statistics(Series::BeatError).Mean;
    if (pointCount_ >= kMaxPoints) {
        Merge();
    }
    return true;
}

// Halves the point density over the whole test: pairs of neighbours become one point at the
// later time, with outliers of a pair kept from dragging the merged value.
void LongTermAccumulation::Merge() {
    const int merged = pointCount_ / 2;
    for (int k = 0; k < merged; ++k) {
        const LongTermPoint& first = points_[static_cast<std::size_t>(2 * k)];
        const LongTermPoint& second = points_[static_cast<std::size_t>(2 * k + 1)];
        LongTermPoint point;
        point.Time = second.Time;
        point.DailyRate =
            MergePair(first.DailyRate, second.DailyRate, Statistics(Series::DailyRate));
        point.Amplitude =
            MergePair(first.Amplitude, second.Amplitude, Statistics(Series::Amplitude));
        point.BeatError =
            MergePair(first.BeatError, second.BeatError, Statistics(Series::BeatError));
        points_[static_cast<std::size_t>(k)] = point;
    }
    pointCount_ = merged;
    interval_ *= 2;
}

} // namespace longterm
