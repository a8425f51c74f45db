#include "app/GainBar.h"

#include "report/ValueTexts.h"

#include <cmath>

namespace tickora {

void DrawGainBar(platform::Canvas& canvas, double gain) {
    const int w = canvas.Width();
    const int h = canvas.Height();
    canvas.FillRect(0, 0, w, h, kGainFrame);
    const double inside = h - 3;
    const int b =
        h -
        (static_cast<int>(report::RoundHalfEven(std::log(gain) * inside / std::log(256.0))) + 2);
    if (1 < b)
        canvas.FillRect(1, 1, w - 1, b, platform::kWhite);
    if (b < h - 1)
        canvas.FillRect(1, b, w - 1, h - 1, kGainFill);
}

double GainStepFor(int indicatorHeight) {
    return std::exp(std::log(256.0) / (indicatorHeight - 3)) + 0.000001;
}

} // namespace tickora
