#include "dsp/Filter.h"

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

} // namespace

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
