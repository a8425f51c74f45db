#pragma once

#include <cmath>
#include <cstdint>

namespace dsp {

// Filter kinds by the settings' Filtering index; any other value filters nothing.
enum FilterKinds : int { kFilterNone = 0, kFilterWide = 1, kFilterMedium = 2, kFilterNarrow = 3 };

// A raw sample times this gives a level without filtering (slightly below 1/32768).
inline constexpr double kUnfilteredScale = 0.00003051757;

// Gain and feedback of one 4th-order Butterworth band-pass (8 poles, bilinear transform at
// 44100 samples/s). The numerator is (1 - z^-2)^4 for every kind.
struct FilterCoefficients {
    double G;
    double a[8]; // a1 ... a8
};

// The coefficients of kind 1, 2 or 3, or nullptr for every other kind.
const FilterCoefficients* CoefficientsOf(int kind);

// The last eight scaled inputs and outputs, newest first (x1 = x[n-1]).
struct FilterHistory {
    double x1 = 0, x2 = 0, x3 = 0, x4 = 0, x5 = 0, x6 = 0, x7 = 0, x8 = 0;
    double y1 = 0, y2 = 0, y3 = 0, y4 = 0, y5 = 0, y6 = 0, y7 = 0, y8 = 0;
};

// One band-pass step: shifts the history and returns the signed output y[n]. Inline so
// the per-sample loops keep the history in registers. The feedback sum is ordered oldest
// term first so that the newest output, the loop's critical path, is added last.
inline double BandPassStep(FilterHistory& h, const FilterCoefficients& c, std::int16_t sample) {
    const double x0 = sample * c.G;
    const double feedback = c.a[7] * h.y8 + c.a[6] * h.y7 + c.a[5] * h.y6 + c.a[4] * h.y5 +
                            c.a[3] * h.y4 + c.a[2] * h.y3;
    const double numerator = (x0 + h.x8) - 4.0 * (h.x2 + h.x6) + 6.0 * h.x4;
    const double y0 = ((numerator + feedback) + c.a[1] * h.y2) + c.a[0] * h.y1;
    h.x8 = h.x7;
    h.x7 = h.x6;
    h.x6 = h.x5;
    h.x5 = h.x4;
    h.x4 = h.x3;
    h.x3 = h.x2;
    h.x2 = h.x1;
    h.x1 = x0;
    h.y8 = h.y7;
    h.y7 = h.y6;
    h.y6 = h.y5;
    h.y5 = h.y4;
    h.y4 = h.y3;
    h.y3 = h.y2;
    h.y2 = h.y1;
    h.y1 = y0;
    return y0;
}

// The selectable front-end filter: raw 16-bit samples in, levels (magnitudes in units of
// full scale at the pass band's centre) out. History persists until Reset.
class BandPassFilter {
public:
    // Clears the 16 history values and the current output.
    void Reset();
    // Selects the kind; the history is kept, so a change continues from it.
    void SetKind(int kind);
    int Kind() const { return kind_; }
    // One step; returns the level abs(y[n]).
    double Step(std::int16_t sample) {
        output_ = coefficients_ ? BandPassStep(history_, *coefficients_, sample)
                                : sample * kUnfilteredScale;
        return std::fabs(output_);
    }
    // Steps through count samples, writing their levels; the same arithmetic as Step.
    void Block(const std::int16_t* samples, int count, double* levels);
    // y[n] of the last step, signed.
    double Output() const { return output_; }

    // For the per-sample loops that run the step on a local copy of the history.
    const FilterCoefficients* Coefficients() const { return coefficients_; }
    const FilterHistory& History() const { return history_; }
    void Store(const FilterHistory& history, double output) {
        history_ = history;
        output_ = output;
    }

private:
    int kind_ = kFilterNone;
    const FilterCoefficients* coefficients_ = nullptr;
    FilterHistory history_;
    double output_ = 0.0;
};

} // namespace dsp
