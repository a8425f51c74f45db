#pragma once

#include "platform/Canvas.h"

namespace tickora {

inline constexpr platform::Rgb kGainFrame = platform::RgbOf(128, 41, 113);
inline constexpr platform::Rgb kGainFill = platform::RgbOf(224, 148, 212);

// The gain bar: a dark purple frame whose inside fills from the bottom in light purple,
// logarithmically from one pixel row at gain 1 to the whole inside at gain 256.
void DrawGainBar(platform::Canvas& canvas, double gain);

// The gain factor of one + or - key press, so that each press moves the bar by about one
// pixel on a bar of the given height (pixels).
double GainStepFor(int indicatorHeight);

} // namespace tickora
