#pragma once

#include "dsp/DSP.h"
#include "platform/Canvas.h"

#include <functional>
#include <string>
#include <vector>

namespace plot {

// What the averaged sound of one parity's beats shows: where its first sound starts, where it
// is loudest (the drop), the lift time between them and the amplitude that follows from it.
struct BeatShapeMarks {
    bool Known = false;
    int Beats = 0;           // beats averaged
    double FirstSound = 0.0; // s from the shape's start
    double Loudest = 0.0;    // s from the shape's start
    double Lift = 0.0;       // s
    double Amplitude = 0.0;  // degrees
};

BeatShapeMarks ShapeMarksOf(const dsp::SignalAnalysis& analysis, int parity, int liftAngle);

// One text along a panel's time axis: its left column, its width, and what it reads.
struct AxisText {
    int left = 0;
    int width = 0;
    std::string text;
};

// The texts along one panel's time axis, the time t (s) drawn at column(t): a division every
// 1, 2 or 5 ms counted from the panel's own first sound (`origin`, 0 ms) across from ... to,
// each centred on its column, then the unit "ms" flush right at `right`. A division whose
// text would run into its neighbour or into the unit is left unlabelled.
std::vector<AxisText> ShapeAxisTexts(const platform::Canvas& canvas, double from, double to,
                                     double origin, int right,
                                     const std::function<int(double)>& column);

// What the view says when a parity has no shape to show: still waiting for beats, or, once
// many have been heard, that they are too irregular to average.
std::string ShapeMissingText(const dsp::SignalAnalysis& analysis);

// Draws the beat-shape view over the whole canvas: the envelope of the recent ticks above,
// of the tocks below, over the first milliseconds of the beat, with the first sound, the
// loudest point and the lift time marked and the amplitude written beside them.
void DrawBeatShapes(platform::Canvas& canvas, const dsp::SignalAnalysis& analysis, int liftAngle);

} // namespace plot
