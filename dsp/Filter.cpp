#include "dsp/Filter.h"

#include <utility>

namespace dsp {

namespace {

// G = 1 / (32768 x pass-band gain), so a full-scale sine near 3 kHz gives level 1.0.
constexpr FilterCoefficients kWide = {9.1589151018e-6,
                                      {2.1732429257, -0.3508851857, -1.1838156305, -0.6209162053,
                                       0.957100063, 0.3083280562, -0.1927590175,
                                       -0.0902963304}}; // 160 Hz - 16 kHz
constexpr FilterCoefficients kMedium = {3.365686384e-6,
                                        {3.5554341785, -4.9608985871, 3.9312858856, -2.5789125889,
                                         1.4213677399, -0.3787050399, 0.0288767609,
                                         -0.0184689495}}; // 400 Hz - 12 kHz
constexpr FilterCoefficients kNarrow = {7.449432481e-7,
                                        {4.9822144398, -10.999337225, 14.32135375, -12.217631012,
                                         7.0154321721, -2.6217309534, 0.5790531707,
                                         -0.0594504635}}; // 800 Hz - 8 kHz

// One step with the history in two rings of eight, x[n-i] and y[n-i] in slot (P - i) & 7:
// run eight times in a row with P = 0 ... 7 the slots rotate by name, with no shifting.
template <int P>
inline double RotatingStep(double* x, double* y, const FilterCoefficients& c, std::int16_t s) {
    constexpr int i1 = (P + 7) & 7, i2 = (P + 6) & 7, i3 = (P + 5) & 7, i4 = (P + 4) & 7,
                  i5 = (P + 3) & 7, i6 = (P + 2) & 7, i7 = (P + 1) & 7, i8 = P & 7;
    const double x0 = s * c.G;
    const double feedback = c.a[7] * y[i8] + c.a[6] * y[i7] + c.a[5] * y[i6] + c.a[4] * y[i5] +
                            c.a[3] * y[i4] + c.a[2] * y[i3];
    const double numerator = (x0 + x[i8]) - 4.0 * (x[i2] + x[i6]) + 6.0 * x[i4];
    const double y0 = ((numerator + feedback) + c.a[1] * y[i2]) + c.a[0] * y[i1];
    x[i8] = x0;
    y[i8] = y0;
    return y0;
}

template <int... P>
inline void EightSteps(double* x, double* y, const FilterCoefficients& c,
                       const std::int16_t* samples, double* levels,
                       std::integer_sequence<int, P...>) {
    ((levels[P] = std::fabs(RotatingStep<P>(x, y, c, samples[P]))), ...);
}

} // namespace

void BandPassFilter::Block(const std::int16_t* samples, int count, double* levels) {
    if (count <= 0) {
        return;
    }
    if (coefficients_ == nullptr) {
        for (int k = 0; k < count; ++k) {
            levels[k] = std::fabs(samples[k] * kUnfilteredScale);
        }
        output_ = samples[count - 1] * kUnfilteredScale;
        return;
    }
    const FilterCoefficients c = *coefficients_;
    // Slot (0 - i) & 7 holds x[n-i].
    double x[8] = {history_.x8, history_.x7, history_.x6, history_.x5,
                   history_.x4, history_.x3, history_.x2, history_.x1};
    double y[8] = {history_.y8, history_.y7, history_.y6, history_.y5,
                   history_.y4, history_.y3, history_.y2, history_.y1};
    int k = 0;
    for (; k + 8 <= count; k += 8) {
        EightSteps(x, y, c, samples + k, levels + k, std::make_integer_sequence<int, 8>{});
    }
    // The rest one step at a time in the ordinary history.
    FilterHistory h;
    h.x1 = x[7], h.x2 = x[6], h.x3 = x[5], h.x4 = x[4], h.x5 = x[3], h.x6 = x[2], h.x7 = x[1],
    h.x8 = x[0];
    h.y1 = y[7], h.y2 = y[6], h.y3 = y[5], h.y4 = y[4], h.y5 = y[3], h.y6 = y[2], h.y7 = y[1],
    h.y8 = y[0];
    for (; k < count; ++k) {
        levels[k] = std::fabs(BandPassStep(h, c, samples[k]));
    }
    history_ = h;
    output_ = h.y1;
}

const FilterCoefficients* CoefficientsOf(int kind) {
    switch (kind) {
    case kFilterWide:
        return &kWide;
    case kFilterMedium:
        return &kMedium;
    case kFilterNarrow:
        return &kNarrow;
    default:
        return nullptr;
    }
}

void BandPassFilter::Reset() {
    history_ = FilterHistory{};
    output_ = 0.0;
}

void BandPassFilter::SetKind(int kind) {
    kind_ = kind;
    coefficients_ = CoefficientsOf(kind);
}

} // namespace dsp
