#pragma once

#include "longterm/LongTermPoint.h"
#include "longterm/SeriesStatistics.h"

#include <array>
#include <span>

namespace longterm {

class LongTermAccumulation;

// Where the long-term chart is drawn. The main window implements it over its plot area;
// RedrawChart repaints the whole chart from the accumulation after every accepted point.
class LongTermChartTarget {
public:
    virtual ~LongTermChartTarget() = default;
    virtual void RedrawChart(const LongTermAccumulation& accumulation) = 0;
};

// The long-term accumulation: samples the stream of results of a long-term test into at
// most 4000 chart points, thins them by merging neighbours when the store is full (the
// sampling interval doubles at each merge), keeps outlier-resistant statistics of the three
// series and hands back their means. One instance lives for the whole program; it is used
// only on the GUI thread. Nothing is allocated per point.
class LongTermAccumulation {
public:
    static constexpr int kMaxPoints = 4000;
    static constexpr double kInitialInterval = 30.0; // s

    // Resets the points and starts accepting them. The chart (may be null) is first drawn
    // with the first point; until then it keeps what it showed.
    void StartLongTerm(LongTermChartTarget* chart);
    // Stops accepting points; the points stay until the next start.
    void StopLongTerm();

    // Offers one result (rate s/d, amplitude degrees, beat error ms, time s). Point k is
    // the first result whose time exceeds k x interval. When a point is recorded, the chart
    // is redrawn, the three values are replaced by the means of their series and the result
    // is true; otherwise they are left as they were. A result with a value that is not a
    // finite number is never recorded: it would spoil the statistics for the rest of the test.
    bool AddLongTermResult(double& dailyRate, double& amplitude, double& beatError, double time);

    // Read access for the chart.
    bool Active() const { return active_; }
    int PointCount() const { return pointCount_; }
    double Interval() const { return interval_; } // s
    // The points in use, oldest first (element 0 is point 1).
    std::span<const LongTermPoint> Points() const {
        return {points_.data(), static_cast<std::size_t>(pointCount_)};
    }
    // Statistics of each series over the points, as of the last recorded point (before any
    // merge that followed it).
    const SeriesStatistics& Statistics(Series series) const {
        return statistics_[static_cast<int>(series)];
    }

private:
    void Merge();

    std::array<LongTermPoint, kMaxPoints> points_{};
    std::array<SeriesStatistics, kSeriesCount> statistics_{};
    int pointCount_ = 0;
    double interval_ = kInitialInterval;
    bool active_ = false;
    LongTermChartTarget* chart_ = nullptr;
};

} // namespace longterm
