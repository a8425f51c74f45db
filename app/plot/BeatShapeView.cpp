#include "app/plot/BeatShapeView.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <numbers>
#include <string>

namespace plot {

namespace {

using platform::RgbOf;

constexpr platform::Rgb kEnvelope = RgbOf(40, 40, 40);
constexpr platform::Rgb kFirstSoundMark = RgbOf(0, 128, 0);
constexpr platform::Rgb kLoudestMark = RgbOf(176, 0, 0);
constexpr platform::Rgb kAxis = platform::Grey(160);
constexpr platform::Rgb kGrid = platform::Grey(225);
constexpr int kLeft = 60;
constexpr int kRightMargin = 20;
constexpr int kTextBand = 40; // pixels at the top of a panel for the marks' texts

std::string Format(const char* format, double value) {
    char text[64];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

// A step for the time axis's divisions (ms): 1, 2 or 5 times a power of ten, about ten
// divisions across.
double AxisStep(double spanMs) {
    const double raw = spanMs / 10.0;
    const double power = std::pow(10.0, std::floor(std::log10(raw)));
    for (double m : {1.0, 2.0, 5.0}) {
        if (m * power >= raw) {
            return m * power;
        }
    }
    return 10.0 * power;
}

constexpr std::int64_t kIrregularBeats = 64; // beats heard with no shape yet: noise, not a wait
constexpr int kTextGap = 6;                  // pixels between two texts of an axis

// The divisions of a panel's axis: every step from the panel's own first sound, from ... to.
template <typename Each> void ForEachDivision(double from, double to, double origin, Each each) {
    const double step = AxisStep((to - from) * 1e3) * 1e-3;
    const long first = std::lround(std::ceil((from - origin) / step - 1e-9));
    for (long k = first; origin + k * step <= to + 1e-12; ++k)
        each(origin + k * step, k * step * 1e3);
}

bool Irregular(const dsp::SignalAnalysis& analysis) {
    return analysis.WriteIndex() - analysis.FirstIndex() >= kIrregularBeats;
}

} // namespace

std::vector<AxisText> ShapeAxisTexts(const platform::Canvas& canvas, double from, double to,
                                     double origin, int right,
                                     const std::function<int(double)>& column) {
    std::vector<AxisText> texts;
    const std::string unit = "ms";
    const int unitWidth = canvas.TextWidth(unit);
    const int unitLeft = right - unitWidth;
    int lastRight = std::numeric_limits<int>::min() / 2;
    ForEachDivision(from, to, origin, [&](double t, double ms) {
        const std::string label = std::fabs(ms - std::round(ms)) < 1e-6
                                      ? std::to_string(std::lround(ms))
                                      : Format("%.1f", ms);
        const int width = canvas.TextWidth(label);
        const int left = column(t) - width / 2;
        if (left < lastRight + kTextGap || left + width + kTextGap > unitLeft)
            return;
        texts.push_back({left, width, label});
        lastRight = left + width;
    });
    texts.push_back({unitLeft, unitWidth, unit});
    return texts;
}

std::string ShapeMissingText(const dsp::SignalAnalysis& analysis) {
    if (Irregular(analysis))
        return "The beats are too irregular to average: move the microphone or try a filter.";
    return "The beat shapes show once a few beats have been measured.";
}

BeatShapeMarks ShapeMarksOf(const dsp::SignalAnalysis& analysis, int parity, int liftAngle) {
    BeatShapeMarks marks;
    double first = 0.0;
    int loudest = 0;
    if (!analysis.ShapeMarks(parity, first, loudest)) {
        return marks;
    }
    const double point = analysis.ShapeStep() / analysis.EffectiveSampleRate(); // s
    marks.Known = true;
    marks.Beats = analysis.Shape(parity).Beats;
    // A burst starts at its loudest and dies away, so the loudest point is the one the drop
    // starts in.
    marks.FirstSound = first * point;
    marks.Loudest = loudest * point;
    marks.Lift = marks.Loudest - marks.FirstSound;
    const double interval = 1.0 / analysis.BeatFrequency();
    const double s = std::sin(std::numbers::pi / 2.0 * marks.Lift / interval);
    marks.Amplitude = s > 0.0 ? liftAngle / (2.0 * s) : 0.0;
    return marks;
}

void DrawBeatShapes(platform::Canvas& canvas, const dsp::SignalAnalysis& analysis, int liftAngle) {
    const int width = canvas.Width();
    const int height = canvas.Height();
    canvas.FillRect(0, 0, width, height, platform::kWhite);
    platform::Font font;
    font.pixelHeight = 13;
    canvas.SetFont(font);

    const BeatShapeMarks marks[2] = {ShapeMarksOf(analysis, 0, liftAngle),
                                     ShapeMarksOf(analysis, 1, liftAngle)};
    canvas.TextOut(kLeft, 6,
                   "Beat shapes: the averaged sound of the recent beats. The amplitude of an "
                   "average differs a little from AMPLITUDE, the median of single beats.");
    if (!marks[0].Known && !marks[1].Known) {
        const std::string wait = ShapeMissingText(analysis);
        canvas.TextOut((width - canvas.TextWidth(wait)) / 2, height / 2, wait);
        return;
    }

    // One time axis for both: from 1.5 ms before the earlier first sound to well past the
    // later drop.
    const double point = analysis.ShapeStep() / analysis.EffectiveSampleRate(); // s
    double from = 1e300, to = -1e300;
    for (const BeatShapeMarks& m : marks) {
        if (m.Known) {
            from = std::min(from, m.FirstSound - 1.5e-3);
            to = std::max(to, m.Loudest + std::max(0.6 * m.Lift, 4e-3));
        }
    }
    from = std::max(from, 0.0);
    to = std::min(to, dsp::kShapePoints * point);
    const int plotWidth = width - kLeft - kRightMargin;
    auto column = [&](double t) {
        return kLeft + static_cast<int>(std::lround((t - from) / (to - from) * (plotWidth - 1)));
    };

    const int panelHeight = (height - 40) / 2 - 20;
    for (int parity = 0; parity < 2; ++parity) {
        const BeatShapeMarks& m = marks[parity];
        const int top = 30 + parity * (panelHeight + 24);
        const int bottom = top + panelHeight;
        canvas.TextOut(4, top, parity == 0 ? "Ticks" : "Tocks");
        if (!m.Known) {
            canvas.TextOut(kLeft, top + panelHeight / 2,
                           Irregular(analysis) ? "Too irregular to average."
                                               : "Not heard clearly enough yet.");
            continue;
        }
        canvas.TextOut(4, top + 16, std::to_string(std::min(m.Beats, 16)) + " beats");

        // Divisions from the panel's own first sound, so that its mark stands at 0.
        canvas.SetPen(kGrid);
        ForEachDivision(from, to, m.FirstSound, [&](double t, double) {
            canvas.MoveTo(column(t), top);
            canvas.LineTo(column(t), bottom);
        });
        for (const AxisText& text :
             ShapeAxisTexts(canvas, from, to, m.FirstSound, width - kRightMargin, column))
            canvas.TextOut(text.left, bottom + 2, text.text);
        canvas.SetPen(kAxis);
        canvas.MoveTo(kLeft, bottom);
        canvas.LineTo(kLeft + plotWidth, bottom);

        // The envelope, from its quietest to its loudest level in the panel's height.
        const auto& level = analysis.Shape(parity).Level;
        const int first = std::max(0, static_cast<int>(std::floor(from / point)));
        const int last = std::min(dsp::kShapePoints - 1, static_cast<int>(std::ceil(to / point)));
        double low = level[first], high = level[first];
        for (int k = first; k <= last; ++k) {
            low = std::min(low, level[k]);
            high = std::max(high, level[k]);
        }
        // The top of the panel holds the marks' texts; the envelope stays below them.
        const double scale = high > low ? (panelHeight - kTextBand) / (high - low) : 0.0;
        auto row = [&](double v) {
            return bottom - 1 - static_cast<int>(std::lround((v - low) * scale));
        };
        canvas.SetPen(kEnvelope);
        canvas.MoveTo(column(first * point), row(level[first]));
        for (int k = first + 1; k <= last; ++k) {
            canvas.LineTo(column(k * point), row(level[k]));
        }

        // The marks: first sound, loudest point, and the lift time between them.
        const int x1 = column(m.FirstSound);
        const int x2 = column(m.Loudest);
        canvas.SetPen(kFirstSoundMark, platform::PenStyle::Dotted);
        canvas.MoveTo(x1, top);
        canvas.LineTo(x1, bottom);
        canvas.SetPen(kLoudestMark, platform::PenStyle::Dotted);
        canvas.MoveTo(x2, top);
        canvas.LineTo(x2, bottom);
        const int y = top + 10;
        canvas.SetPen(platform::kBlack);
        canvas.MoveTo(x1, y);
        canvas.LineTo(x2, y);
        platform::Font marked = font;
        marked.colour = kFirstSoundMark;
        canvas.SetFont(marked);
        canvas.TextOut(std::max(kLeft, x1 - canvas.TextWidth("first sound") - 4), top + 20,
                       "first sound");
        marked.colour = kLoudestMark;
        canvas.SetFont(marked);
        canvas.TextOut(x2 + 4, top + 20, "loudest");
        canvas.SetFont(font);
        const std::string lift = "lift " + Format("%.2f ms", m.Lift * 1e3) + ": " +
                                 Format("%.0f\u00b0", m.Amplitude) + " for this average at " +
                                 std::to_string(liftAngle) + "\u00b0 lift angle";
        canvas.TextOut(std::min(x2 + 4, width - kRightMargin - canvas.TextWidth(lift)), y - 6,
                       lift);
    }
}

} // namespace plot
