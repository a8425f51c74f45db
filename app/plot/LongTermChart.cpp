#include "app/plot/LongTermChart.h"

#include "app/plot/PlotMath.h"

#include <algorithm>
#include <cstdio>
#include <string>

namespace plot {

using longterm::Series;
using platform::kWhite;
using platform::PenStyle;
using platform::Rgb;

namespace {

struct PanelStyle {
    const char* caption;
    Rgb colour;
    double pad;       // half range of a series without spread
    bool nonNegative; // the axis does not go below 0
};

constexpr std::array<PanelStyle, longterm::kSeriesCount> kPanels = {{
    {"DAILY RATE (s/d)", kRateColour, 0.1, false},
    {"AMPLITUDE (\xC2\xB0)", kAmplitudeColour, 1.0, true},
    {"BEAT ERROR (ms)", kBeatErrorColour, 0.1, true},
}};

constexpr int kValueDivisions = 5;
constexpr const char* kTimeCaption = "TIME (h:mm)";
// Font size in points = this / pixels per inch: 8 points on a 96 ppi screen.
constexpr int kFontSizeDividend = 816;

} // namespace

Rgb BandTint(Rgb colour) {
    const auto tint = [](int channel) { return RoundToInt(0.08 * channel + 0.92 * 255); };
    return platform::RgbOf(tint(colour.r), tint(colour.g), tint(colour.b));
}

LongTermChart::LongTermChart(platform::Canvas& canvas) : canvas_(canvas) {}

void LongTermChart::RedrawChart(const longterm::LongTermAccumulation& accumulation) {
    Statistics statistics;
    for (int s = 0; s < longterm::kSeriesCount; ++s) {
        statistics[static_cast<std::size_t>(s)] = accumulation.Statistics(static_cast<Series>(s));
    }
    DrawLongTermChart(accumulation.Points(), accumulation.Interval(), statistics);
}

void LongTermChart::DrawLongTermChart(std::span<const longterm::LongTermPoint> points,
                                      double interval, const Statistics& statistics) {
    points_ = points;
    statistics_ = statistics;
    const int w = canvas_.Width();
    const int h = canvas_.Height();
    const int third = RoundToInt(h / 3.0);
    const int twoThirds = RoundToInt(2 * h / 3.0);

    const std::array<int, 3> tops = {0, third, twoThirds};
    // The last panel ends on the last row of the image, so its axis bottom stays visible.
    const std::array<int, 3> bottoms = {third, twoThirds, h - 1};
    for (int p = 0; p < longterm::kSeriesCount; ++p) {
        PanelLayout& panel = panels_[static_cast<std::size_t>(p)];
        const PanelStyle& style = kPanels[static_cast<std::size_t>(p)];
        panel.top = tops[static_cast<std::size_t>(p)];
        panel.bottom = bottoms[static_cast<std::size_t>(p)];
        panel.range =
            FitRange(statistics[static_cast<std::size_t>(p)], style.pad, style.nonNegative);
        panel.axis = NiceScale(kValueDivisions, panel.range.lo, panel.range.hi);
        mapped_[static_cast<std::size_t>(p)] = {panel.axis.axisLo, panel.axis.axisHi};
        if (panel.axis.axisHi == panel.axis.axisLo) {
            mapped_[static_cast<std::size_t>(p)] = panel.range;
        }
    }
    time_ = TimeScale(static_cast<int>(points.size()), interval);

    const platform::Font savedFont = UseChartFont();

    canvas_.FillRect(0, 0, w, h, kWhite);
    canvas_.SetPen(kChartGrid, PenStyle::Solid);

    int widest = 0;
    for (int p = 0; p < longterm::kSeriesCount; ++p) {
        widest = std::max(widest, DrawValueAxis(p, false));
    }
    // Absurd labels must still leave room for the curves.
    x0_ = std::clamp(widest + 5, 5, w / 2);
    for (int p = 0; p < longterm::kSeriesCount; ++p) {
        DrawValueAxis(p, true);
    }

    canvas_.SetPen(kChartAxis, PenStyle::Solid);
    canvas_.MoveTo(x0_ - 1, 0);
    canvas_.LineTo(x0_ - 1, h);
    for (int row : {third, twoThirds}) {
        canvas_.MoveTo(0, row);
        canvas_.LineTo(w, row);
    }

    canvas_.SetPen(kChartGrid, PenStyle::Solid);
    DrawTimeAxis(false);
    for (int p = 0; p < longterm::kSeriesCount; ++p) {
        DrawSeries(p);
    }
    canvas_.CurrentFont().colour = kChartAxis;
    DrawTimeAxis(true);

    canvas_.SetFont(savedFont);
    canvas_.SetPen(platform::kBlack, PenStyle::Solid);
    canvas_.SetBrush(kWhite);
}

platform::Font LongTermChart::UseChartFont() {
    const platform::Font saved = canvas_.CurrentFont();
    platform::Font font = saved;
    font.pixelHeight = 0;
    font.pointSize = std::max(1, kFontSizeDividend / canvas_.PixelsPerInch());
    canvas_.SetFont(font);
    return saved;
}

void LongTermChart::DrawAwaitingFirstPoint(int secondsLeft, double interval) {
    const int w = canvas_.Width();
    const int h = canvas_.Height();
    const std::array<int, 3> tops = {0, RoundToInt(h / 3.0), RoundToInt(2 * h / 3.0)};
    const platform::Font savedFont = UseChartFont();

    canvas_.FillRect(0, 0, w, h, kWhite);
    canvas_.SetPen(kChartAxis, PenStyle::Solid);
    for (int row : {tops[1], tops[2]}) {
        canvas_.MoveTo(0, row);
        canvas_.LineTo(w, row);
    }
    for (int p = 0; p < longterm::kSeriesCount; ++p) {
        const PanelStyle& style = kPanels[static_cast<std::size_t>(p)];
        canvas_.CurrentFont().colour = style.colour;
        canvas_.TextOut(5, tops[static_cast<std::size_t>(p)], style.caption);
    }

    char first[96];
    std::snprintf(first, sizeof first,
                  "The chart begins with its first point, %.0f s into the test.", interval);
    char second[64];
    if (secondsLeft > 0) {
        std::snprintf(second, sizeof second, "First point in %d s", secondsLeft);
    } else {
        std::snprintf(second, sizeof second, "First point with the next result");
    }
    canvas_.CurrentFont().colour = kChartAxis;
    const int lineHeight = canvas_.TextHeight(first);
    const int top = tops[1] + (tops[2] - tops[1]) / 2 - lineHeight;
    const std::array<std::string, 2> lines = {first, second};
    for (std::size_t i = 0; i < lines.size(); ++i) {
        canvas_.TextOut((w - canvas_.TextWidth(lines[i])) / 2,
                        top + static_cast<int>(i) * lineHeight, lines[i]);
    }

    canvas_.SetFont(savedFont);
    canvas_.SetPen(platform::kBlack, PenStyle::Solid);
}

int LongTermChart::DrawValueAxis(int p, bool drawing) {
    const PanelLayout& panel = panels_[static_cast<std::size_t>(p)];
    const PanelStyle& style = kPanels[static_cast<std::size_t>(p)];
    const longterm::SeriesStatistics& stats = statistics_[static_cast<std::size_t>(p)];
    const AxisScale& axis = panel.axis;
    const double span = axis.axisHi - axis.axisLo;
    const double height = panel.bottom - panel.top;
    const int w = canvas_.Width();

    if (drawing) {
        if (stats.Deviation > 0) {
            const double upper = stats.Mean + stats.Deviation;
            const double lower = stats.Mean - stats.Deviation;
            const int yA = std::max(
                RoundToInt(panel.bottom - (upper - axis.axisLo) / span * height), panel.top);
            const int yB =
                std::min(RoundToInt(panel.bottom - (lower - axis.axisLo) / span * height) + 1,
                         panel.bottom + 1);
            if (yB > yA) {
                canvas_.FillRect(x0_, yA, w, yB, BandTint(style.colour));
            }
        }
        canvas_.CurrentFont().colour = style.colour;
        canvas_.TextOut(x0_ + 1, panel.top, style.caption);
    }

    const int labelHeight = canvas_.TextHeight("0");
    const int ticks = ValueTickCount(axis);
    const double rowsPerStep = height * axis.step / span;
    int widest = 0;
    for (int i = 0; i < ticks; ++i) {
        const std::string label = ValueLabel(ValueTick(axis, i), axis.step);
        const int labelWidth = canvas_.TextWidth(label);
        const double y = panel.bottom - i * rowsPerStep;
        if (!drawing) {
            widest = std::max(widest, labelWidth);
            continue;
        }
        const int row = RoundToInt(y);
        canvas_.SetPen(kChartGrid, PenStyle::Solid);
        canvas_.MoveTo(x0_ - 8, row);
        canvas_.LineTo(w, row); // through column W - 1
        int top = RoundToInt(y - labelHeight / 2.0);
        if (top < panel.top) {
            top = panel.top;
        } else if (top > panel.bottom - labelHeight + 1) {
            top = panel.bottom - labelHeight + 1;
        }
        canvas_.TextOut(x0_ - labelWidth - 10, top, label);
    }
    return widest + 9;
}

void LongTermChart::DrawTimeAxis(bool labels) {
    const int w = canvas_.Width();
    const int h = canvas_.Height();
    const double columnsPerStep = (w - 1 - x0_) * time_.step / (time_.axisHi - time_.axisLo);
    const int labelHeight = canvas_.TextHeight("0");
    const std::array<int, 2> separators = {RoundToInt(h / 3.0), RoundToInt(2 * h / 3.0)};
    const int ticks = TimeTickCount(time_);
    // The time axis's caption, top right as the panels' are top left: its labels are elapsed
    // hours and minutes, which read as minutes and seconds otherwise.
    if (labels)
        canvas_.TextOut(w - 4 - canvas_.TextWidth(kTimeCaption), 0, kTimeCaption);
    for (int i = 1; i <= ticks; ++i) {
        const double x = x0_ + i * columnsPerStep;
        if (!labels) {
            const int column = RoundToInt(x);
            if (column < w - 1) {
                canvas_.MoveTo(column, 0);
                canvas_.LineTo(column, h); // rows 0 to H - 1
            }
            continue;
        }
        const std::string label = TimeLabel(TimeTick(time_, i));
        const int labelWidth = canvas_.TextWidth(label);
        int left = RoundToInt(x - labelWidth / 2.0);
        if (left < x0_) {
            left = x0_ + 1;
        } else if (left + labelWidth - 1 > w - 1) {
            left = w - 1 - labelWidth;
        }
        for (int separator : separators) {
            canvas_.TextOut(left, RoundToInt(separator - labelHeight / 2.0), label);
        }
    }
}

int LongTermChart::Column(double seconds) const {
    const double px = (canvas_.Width() - 1 - x0_) / ((time_.axisHi - time_.axisLo) * 3600);
    return RoundToInt((seconds - time_.axisLo * 3600) * px + x0_);
}

int LongTermChart::Row(int p, double value) const {
    const PanelLayout& panel = panels_[static_cast<std::size_t>(p)];
    const ValueRange& mapped = mapped_[static_cast<std::size_t>(p)];
    const double py = (panel.bottom - panel.top) / (mapped.hi - mapped.lo);
    return RoundToInt((mapped.hi - value) * py + panel.top);
}

void LongTermChart::DrawSeries(int p) {
    const PanelStyle& style = kPanels[static_cast<std::size_t>(p)];
    const longterm::SeriesStatistics& stats = statistics_[static_cast<std::size_t>(p)];
    const ValueRange& mapped = mapped_[static_cast<std::size_t>(p)];
    if (!(mapped.hi > mapped.lo)) {
        return;
    }
    const Series series = static_cast<Series>(p);
    const double bound = longterm::kOutlierDeviations * stats.Deviation;

    canvas_.SetPen(style.colour, PenStyle::Solid);
    bool havePrevious = false;
    double previousTime = 0;
    double previousValue = 0;
    for (const longterm::LongTermPoint& point : points_) {
        const double value = longterm::ValueOf(point, series);
        if (stats.Deviation > 0 && (value < stats.Mean - bound || value > stats.Mean + bound)) {
            continue; // an outlier: the line joins its neighbours
        }
        if (havePrevious) {
            DrawClippedSegment(p, previousTime, previousValue, point.Time, value);
        }
        havePrevious = true;
        previousTime = point.Time;
        previousValue = value;
    }

    canvas_.SetPen(style.colour, PenStyle::Dotted);
    canvas_.SetBrush(stats.Deviation > 0 ? BandTint(style.colour) : kWhite);
    DrawClippedSegment(p, time_.axisLo * 3600, stats.Mean, time_.axisHi * 3600, stats.Mean);
    canvas_.SetBrush(kWhite);

    DrawMarker(p, Row(p, stats.Mean), false);
    if (stats.Minimum > mapped.lo) {
        DrawMarker(p, Row(p, stats.Minimum), true);
    }
    if (stats.Maximum < mapped.hi) {
        DrawMarker(p, Row(p, stats.Maximum), true);
    }
}

void LongTermChart::DrawClippedSegment(int p, double tA, double vA, double tB, double vB) {
    const ValueRange& mapped = mapped_[static_cast<std::size_t>(p)];
    const double hi = mapped.hi;
    const double lo = mapped.lo;
    if (vA > hi) {
        if (vB > hi) {
            return;
        }
        tA = tB + (tA - tB) * (hi - vB) / (vA - vB);
        vA = hi;
    } else if (vA < lo) {
        if (vB < lo) {
            return;
        }
        tA = tB + (tA - tB) * (lo - vB) / (vA - vB);
        vA = lo;
    }
    if (vB > hi) {
        tB = tA + (tB - tA) * (hi - vA) / (vB - vA);
        vB = hi;
    } else if (vB < lo) {
        tB = tA + (tB - tA) * (lo - vA) / (vB - vA);
        vB = lo;
    }
    // The same against the time axis: a point past its end (after a gap in the results)
    // is not drawn beyond the chart either.
    const double start = time_.axisLo * 3600;
    const double end = time_.axisHi * 3600;
    if (tA > tB) {
        std::swap(tA, tB);
        std::swap(vA, vB);
    }
    if (tB < start || tA > end) {
        return;
    }
    if (tA < start) {
        vA = vB + (vA - vB) * (start - tB) / (tA - tB);
        tA = start;
    }
    if (tB > end) {
        vB = vA + (vB - vA) * (end - tA) / (tB - tA);
        tB = end;
    }

    const int rowB = Row(p, vB);
    const int columnB = Column(tB);
    canvas_.MoveTo(Column(tA), Row(p, vA));
    canvas_.LineTo(columnB, rowB);
    canvas_.SetPixel(columnB, rowB, kPanels[static_cast<std::size_t>(p)].colour);
}

void LongTermChart::DrawMarker(int p, int y, bool filled) {
    const PanelLayout& panel = panels_[static_cast<std::size_t>(p)];
    // A statistic outside the axis would otherwise point into the neighbouring panel.
    if (y < panel.top || y > panel.bottom) {
        return;
    }
    const Rgb colour = kPanels[static_cast<std::size_t>(p)].colour;
    const int x = x0_;
    canvas_.SetPixel(x - 1, y, colour);
    canvas_.SetPixel(x - 2, y, colour);
    canvas_.SetPixel(x - 3, y - 1, colour);
    canvas_.SetPixel(x - 3, y + 1, colour);
    canvas_.SetPixel(x - 4, y - 2, colour);
    canvas_.SetPixel(x - 4, y + 2, colour);
    if (filled) {
        canvas_.SetPixel(x - 3, y, colour);
        canvas_.SetPixel(x - 4, y - 1, colour);
        canvas_.SetPixel(x - 4, y, colour);
        canvas_.SetPixel(x - 4, y + 1, colour);
    }
}

} // namespace plot
