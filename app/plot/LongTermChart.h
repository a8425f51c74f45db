#pragma once

#include "app/plot/ChartScale.h"
#include "longterm/LongTerm.h"
#include "longterm/LongTermPoint.h"
#include "longterm/SeriesStatistics.h"
#include "platform/Canvas.h"
#include "platform/Rgb.h"

#include <array>
#include <span>

namespace plot {

inline constexpr platform::Rgb kChartGrid = platform::RgbOf(221, 221, 221);
inline constexpr platform::Rgb kChartAxis = platform::RgbOf(119, 119, 119);
inline constexpr platform::Rgb kRateColour = platform::RgbOf(153, 0, 102);
inline constexpr platform::Rgb kAmplitudeColour = platform::RgbOf(51, 51, 204);
inline constexpr platform::Rgb kBeatErrorColour = platform::RgbOf(0, 119, 0);

// The light tint of a panel colour that fills its deviation band.
platform::Rgb BandTint(platform::Rgb colour);

// The long-term chart: three stacked panels (daily rate, amplitude, beat error) over the
// elapsed time, each with its value axis, a band of one deviation around the mean, the
// dotted mean line and markers for mean, minimum and maximum. Every call repaints the whole
// canvas from the points and statistics; what it keeps is only the layout of the last
// drawing, for tests. GUI thread only (text goes through Qt's font engine).
class LongTermChart : public longterm::LongTermChartTarget {
public:
    using Statistics = std::array<longterm::SeriesStatistics, longterm::kSeriesCount>;

    struct PanelLayout {
        int top = 0;
        int bottom = 0;   // last row of the panel
        ValueRange range; // what the series needs
        AxisScale axis;   // what the axis shows
    };

    // The canvas is the plot's; its font face is kept, its size set to 8 points at 96 ppi.
    explicit LongTermChart(platform::Canvas& canvas);

    // From the accumulation, after every accepted point.
    void RedrawChart(const longterm::LongTermAccumulation& accumulation) override;

    // points: oldest first; interval: the sampling interval in s.
    void DrawLongTermChart(std::span<const longterm::LongTermPoint> points, double interval,
                           const Statistics& statistics);

    // Before the first point of a long-term test: the empty panels and, centred, when the
    // first point comes (secondsLeft of test time; 0 or less: with the next result).
    void DrawAwaitingFirstPoint(int secondsLeft, double interval);

    // Layout of the last drawing.
    const PanelLayout& Panel(longterm::Series series) const {
        return panels_[static_cast<int>(series)];
    }
    const AxisScale& TimeAxis() const { return time_; }
    int LeftMargin() const { return x0_; }

private:
    // Sets the chart's own font size; returns the font to restore.
    platform::Font UseChartFont();
    int DrawValueAxis(int panel, bool drawing);
    void DrawTimeAxis(bool labels);
    void DrawSeries(int panel);
    void DrawClippedSegment(int panel, double tA, double vA, double tB, double vB);
    void DrawMarker(int panel, int y, bool filled);

    int Column(double seconds) const;
    int Row(int panel, double value) const;

    platform::Canvas& canvas_;
    std::span<const longterm::LongTermPoint> points_;
    Statistics statistics_{};
    std::array<PanelLayout, longterm::kSeriesCount> panels_{};
    // The value range each panel maps with: its axis, or the series range for a flat axis.
    std::array<ValueRange, longterm::kSeriesCount> mapped_{};
    AxisScale time_;
    int x0_ = 0; // left margin: the column right of the value axis line
};

} // namespace plot
