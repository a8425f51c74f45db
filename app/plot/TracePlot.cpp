#include "app/plot/TracePlot.h"

#include "app/plot/PlotMath.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace plot {

using platform::kBlack;
using platform::kWhite;
using platform::PenStyle;
using platform::Rgb;

namespace {

bool BeginsWithTwo(std::int64_t value) {
    while (value >= 10) {
        value /= 10;
    }
    return value == 2;
}

} // namespace

TracePlot::TracePlot(platform::Canvas& plotCanvas) : canvas_(plotCanvas) {}

int TracePlot::TraceWidth() const {
    return std::min(Width(), kTraceRowCount - 1);
}

int TracePlot::TraceRow(int column) const {
    if (column < 0 || column >= kTraceRowCount) {
        return 0;
    }
    return traceRows_[static_cast<std::size_t>(column)];
}

int TracePlot::LevelRow(double level, double gain) const {
    const int h = Height();
    const double row = std::trunc((1.0 - level * gain) * h);
    // Rows beyond the plot draw nothing; holding them just outside keeps them in range.
    if (std::isnan(row)) {
        return h;
    }
    return static_cast<int>(std::clamp(row, -1.0, static_cast<double>(h)));
}

void TracePlot::ClearPlot() {
    canvas_.Target().Fill(kWhite);
    traceColumn_ = 0;
    const int last = std::min(TraceWidth(), kTraceRowCount - 1);
    for (int i = 0; i <= last; ++i) {
        traceRows_[static_cast<std::size_t>(i)] = 0;
    }
    markerColumn_ = -1;
}

void TracePlot::DrawReferenceLine(int row) {
    for (int x = 0; x < Width(); x += 2) {
        canvas_.SetPixel(x, row, kReferenceGrey);
    }
    rawRow_ = row;
    referenceRow_ = row;
}

void TracePlot::DrawThresholdLine(double level, double gain) {
    DrawReferenceLine(LevelRow(level, gain));
}

void TracePlot::SetThresholdRow(double level, double gain) {
    referenceRow_ = LevelRow(level, gain);
}

void TracePlot::DrawMillisecondScale(Rgb colour, double pixelsPerMillisecond) {
    const double p = pixelsPerMillisecond;
    // Without a positive scale the step search below would never end: nothing to mark.
    if (!(p > 0.0) || !std::isfinite(p)) {
        return;
    }
    constexpr std::int64_t kLargestStep = 1'000'000'000'000; // ms
    std::int64_t step = 1;                                   // ms
    while (static_cast<double>(step) * p < 3.999) {
        if (step > kLargestStep) {
            return; // marks closer than 4 pixels even a thousand years apart
        }
        step = BeginsWithTwo(step) ? step * 5 / 2 : step * 2;
    }
    const int h = Height();
    const double reference = referenceRow_;
    for (std::int64_t k = step;; k += step) {
        const double offset = static_cast<double>(k) * p;
        const double below = std::nearbyint(offset + reference - 0.001);
        const double above = std::nearbyint(reference - offset + 0.001);
        if (below >= h || above < 0) {
            break;
        }
        int length = 6;
        if (k % 10 == 0) {
            length = 18;
        } else if (k % 5 == 0) {
            length = 14;
        } else if (step == 2) {
            length = 10;
        }
        const int rowBelow = static_cast<int>(below);
        const int rowAbove = static_cast<int>(above);
        for (int x = length; x >= 0; x -= 2) {
            canvas_.SetPixel(x, rowBelow, colour);
            canvas_.SetPixel(x, rowAbove, colour);
        }
    }
}

void TracePlot::EraseDot(int column) {
    const int row = TraceRow(column);
    for (int y = row - 1; y <= row + 1; ++y) {
        canvas_.SetPixel(2 * column, y, kWhite);
        canvas_.SetPixel(2 * column + 1, y, kWhite);
    }
}

void TracePlot::EndOfScreen(bool complete, bool pause) {
    traceColumn_ = 0;
    // A complete result with Pause set pauses the test next, and the pause commits the page.
    if (!(complete && pause) && commitPage_) {
        commitPage_();
    }
}

void TracePlot::PlotTick(const TraceInputs& inputs, bool complete, double span, double time) {
    const double bps = inputs.beatsPerSecond;
    // Without a beat rate there is no expected time to measure against.
    if (!(bps > 0.0) || !std::isfinite(bps) || !std::isfinite(time) ||
        !std::isfinite(inputs.scale)) {
        return;
    }
    const int w = TraceWidth();
    const int h = Height();
    if (w < 2 || h < 1) {
        return;
    }
    const int c = traceColumn_;
    if (c == 0) {
        traceStartTime_ = time;
        DrawMillisecondScale(kReferenceGrey, inputs.scale * 2.0);
        for (int i = 0; i < 4; ++i) {
            EraseDot(i);
        }
    }

    const double expected = c / bps + traceStartTime_;
    double e = (time - expected) * inputs.scale * 2000.0 + (h - 1) / 2.0; // rows, late down
    if (!std::isfinite(e)) {
        return;
    }
    if (e < -1.0) {
        e += std::trunc(1.0 - e / h) * h;
    } else if (e >= h) {
        e -= std::trunc(e / h) * h;
    }
    // The wrap leaves e in [-1, h); only a huge offset, whose subtraction rounds, can miss.
    if (!(e >= -1.0 && e < h)) {
        e = std::clamp(e, -1.0, std::nextafter(static_cast<double>(h), 0.0));
    }

    const int x = 2 * c;
    if (x + 8 < w - 1) {
        EraseDot(c + 4);
    }
    canvas_.SetPixel(x, referenceRow_, kReferenceGrey);

    const int l = RoundToInt(e);
    const Rgb above = platform::Grey(RoundToInt((e + 0.5 - l) * 255.0));
    const Rgb below = platform::Grey(RoundToInt((l + 0.5 - e) * 255.0));
    for (int dx = 0; dx < 2; ++dx) {
        canvas_.SetPixel(x + dx, l - 1, above);
        canvas_.SetPixel(x + dx, l, kBlack);
        canvas_.SetPixel(x + dx, l + 1, below);
    }
    traceRows_[static_cast<std::size_t>(c)] = l;

    if (markerColumn_ != -1) {
        DrawPeriodMarker(markerColumn_, TraceRow(markerColumn_ / 2), kWhite);
        markerColumn_ = -1;
    }

    if (complete && span >= 0.0 && span < (w / 2) / bps) {
        int m = x + 1 - RoundToInt(span * bps * 2.0);
        if (m < 0) {
            m += w;
        }
        if (m % 2 == 0) {
            m -= 1;
            // The window began in the last column pair of the previous screen.
            if (m < 0) {
                m += w;
            }
        }
        DrawPeriodMarker(m, TraceRow(m / 2), kReferenceGrey);
        markerColumn_ = m;
    }

    traceColumn_ = c + 1;
    if (2 * (c + 1) >= w - 1) {
        EndOfScreen(complete, inputs.pause);
    }
}

void TracePlot::DrawPeriodMarker(int x, int row, Rgb colour) {
    canvas_.SetPen(colour, PenStyle::Solid);
    canvas_.MoveTo(x, row + 3);
    canvas_.LineTo(x, row + 3 > referenceRow_ ? row + 11 : referenceRow_);
    canvas_.MoveTo(x, row - 3);
    canvas_.LineTo(x, row - 3 < referenceRow_ ? row - 11 : referenceRow_);
}

void TracePlot::PlotRawRow(const TraceInputs& inputs, bool flag, double value) {
    const int w = TraceWidth();
    const int h = Height();
    double redness = 0.0;
    if (value > 0.0) {
        redness = std::clamp(std::nearbyint(std::pow(value, 1.5) * 255.0), 0.0, 255.0);
    }
    const int b = static_cast<int>(redness);
    const Rgb colour = platform::RgbOf(255, 255 - b, 255 - b);

    const int x = 2 * traceColumn_;
    canvas_.SetPixel(x, rawRow_, colour);
    canvas_.SetPixel(x + 1, rawRow_, colour);
    if (rawRow_ == referenceRow_) {
        canvas_.SetPixel(x, referenceRow_, kReferenceGrey);
    }
    rawRow_ += 1;
    if (rawRow_ < h) {
        return;
    }
    // The raster covers the marks of the first columns; draw them again on top.
    if (x <= 18) {
        DrawMillisecondScale(kBlack, h * inputs.beatsPerSecond * 0.001);
    }
    rawRow_ = 0;
    traceColumn_ += 1;
    if (2 * traceColumn_ >= w - 1) {
        EndOfScreen(flag, inputs.pause);
    }
}

void TracePlot::StartScopeSweep(double sweepRate) {
    scopeSweepRate_ = sweepRate;
    scopeColumn_ = 0;
    scopeColumnTop_ = Height();
}

void TracePlot::PlotScopeSample(double gain, double time, double level) {
    const int w = Width();
    const int h = Height();
    const double u = time * scopeSweepRate_;
    if (!std::isfinite(u)) {
        return;
    }
    const int g = TruncToInt((u - std::trunc(u)) * w);
    const int row = LevelRow(level, gain);
    const int c = scopeColumn_;
    int t = scopeColumnTop_;
    if (g == c) {
        if (row < t) {
            scopeColumnTop_ = row;
        }
        return;
    }

    if (t > 0) {
        canvas_.SetPen(kWhite);
        canvas_.MoveTo(c, 0);
        canvas_.LineTo(c, t); // erases above the peak
    } else {
        t = 0;
        canvas_.MoveTo(c, 0);
    }
    canvas_.SetPen(kScopeBar);
    canvas_.LineTo(c, h);
    canvas_.SetPixel(c, t, kScopeTip);
    canvas_.SetPixel(c, t + 1, kScopeTip);

    if (g < w) {
        canvas_.SetPen(kWhite);
        canvas_.MoveTo(g, 0);
        canvas_.LineTo(g, h);
    }
    if (c % 2 == 0) {
        canvas_.SetPixel(c, referenceRow_, kReferenceGrey);
    }
    scopeColumn_ = g;
    scopeColumnTop_ = row;
}

void TracePlot::SnapshotPlot(std::unique_ptr<platform::Image>& slot, bool copy) const {
    if (!slot) {
        slot = std::make_unique<platform::Image>(Width(), Height());
    }
    SnapshotPlot(*slot, copy);
}

void TracePlot::SnapshotPlot(platform::Image& slot, bool copy) const {
    const platform::Image& plot = canvas_.Target();
    if (slot.Width() != plot.Width() || slot.Height() != plot.Height()) {
        slot.Reset(plot.Width(), plot.Height());
    }
    if (copy && !plot.IsEmpty()) {
        std::memcpy(slot.Data(), plot.Data(),
                    plot.Stride() * static_cast<std::size_t>(plot.Height()));
    }
}

} // namespace plot
