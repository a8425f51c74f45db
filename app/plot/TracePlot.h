#pragma once

#include "platform/Canvas.h"
#include "platform/Image.h"
#include "platform/Rgb.h"

#include <array>
#include <cstdint>
#include <functional>
#include <memory>

namespace plot {

// Colours of the live views.
inline constexpr platform::Rgb kReferenceGrey = platform::RgbOf(119, 119, 119);
inline constexpr platform::Rgb kScopeBar = platform::RgbOf(191, 126, 180);
inline constexpr platform::Rgb kScopeTip = platform::RgbOf(128, 41, 113);

// What the trace reads from the window at the moment of a call; the window fills it from
// BeatsPerSecond and its settings copy (Scale, Gain, Pause).
struct TraceInputs {
    double beatsPerSecond = 0.0; // beats per second of the movement under test
    double scale = 1.0;          // dots per ms; one dot is two pixel rows
    double gain = 1.0;           // signal gain, 1 to 256
    bool pause = false;          // pause at the end of the averaging period
};

// The tick trace, the raw-sound raster and the sweeping scope view, drawn pixel by pixel on
// the plot's canvas while buffers are processed. The object keeps the drawing position
// (the columns, rows and the last dot of every trace column) and nothing else: the picture
// lives only on the canvas. GUI thread only.
class TracePlot {
public:
    // Trace columns remembered; must exceed half the plot width.
    static constexpr int kTraceRowCount = 1024;

    // The canvas is the plot's (960 x 511 in the main window); it must outlive this object.
    explicit TracePlot(platform::Canvas& plotCanvas);

    // Called when a full trace screen is to become a page (the window commits the pending
    // result with its lift angle, averaging period and beat rate).
    void SetCommitPage(std::function<void()> commitPage) { commitPage_ = std::move(commitPage); }

    // Fills the plot white and starts a new trace screen.
    void ClearPlot();
    // Dotted grey line across the plot; the trace's centre line or the scope's threshold.
    void DrawReferenceLine(int row);
    void DrawThresholdLine(double level, double gain);
    // Moves the threshold row without drawing; the scope sweep redraws it column by column.
    void SetThresholdRow(double level, double gain);
    // Dotted millisecond marks above and below the reference row at the left edge. A
    // pixelsPerMillisecond that is not a positive finite number draws nothing.
    void DrawMillisecondScale(platform::Rgb colour, double pixelsPerMillisecond);

    // One dot pair for an analysed result; span and time in s.
    void PlotTick(const TraceInputs& inputs, bool complete, double span, double time);
    // Vertical tick that marks where the averaging window began, x a pixel column.
    void DrawPeriodMarker(int x, int row, platform::Rgb colour);
    // One raster point of the raw-sound view; value is the loudness relative to the
    // calibration's peak level, flag says whether results have started.
    void PlotRawRow(const TraceInputs& inputs, bool flag, double value);

    // Starts a scope sweep at the left edge; sweepRate in sweeps per second.
    void StartScopeSweep(double sweepRate);
    // One filtered sample (time in s, level in full-scale units) in the scope view.
    void PlotScopeSample(double gain, double time, double level);

    // Makes the slot hold a blank RGB image of the plot's size (a new one when it is absent
    // or of another size) and, with copy, copies the plot into it.
    void SnapshotPlot(std::unique_ptr<platform::Image>& slot, bool copy) const;
    void SnapshotPlot(platform::Image& slot, bool copy) const;

    // Row of a level on the plot: level 0 on the bottom edge, 1 / gain on the top edge.
    int LevelRow(double level, double gain) const;

    // Drawing state, read by the window and by tests.
    double TraceStartTime() const { return traceStartTime_; }
    int TraceColumn() const { return traceColumn_; }
    int RawRow() const { return rawRow_; }
    int MarkerColumn() const { return markerColumn_; }
    int ReferenceRow() const { return referenceRow_; }
    int TraceRow(int column) const;
    double ScopeSweepRate() const { return scopeSweepRate_; }
    int ScopeColumn() const { return scopeColumn_; }
    int ScopeColumnTop() const { return scopeColumnTop_; }

    platform::Canvas& PlotCanvas() { return canvas_; }

private:
    int Width() const { return canvas_.Width(); }
    int Height() const { return canvas_.Height(); }
    // Plot width as far as the trace goes: TraceRows holds one more entry than the columns.
    int TraceWidth() const;
    void EraseDot(int column);
    void EndOfScreen(bool complete, bool pause);

    platform::Canvas& canvas_;
    std::function<void()> commitPage_;

    double traceStartTime_ = 0.0; // s
    double scopeSweepRate_ = 0.0; // sweeps per second
    std::int32_t scopeColumn_ = 0;
    std::int32_t scopeColumnTop_ = 0;
    std::int32_t traceColumn_ = 0;
    std::int32_t rawRow_ = 0;
    std::int32_t markerColumn_ = -1;
    std::int32_t referenceRow_ = 0;
    std::array<std::int32_t, kTraceRowCount> traceRows_{};
};

} // namespace plot
