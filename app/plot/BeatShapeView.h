#pragma once

#include "dsp/DSP.h"
#include "platform/Canvas.h"

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

// Draws the beat-shape view over the whole canvas: the envelope of the recent ticks above,
// of the tocks below, over the first milliseconds of the beat, with the first sound, the
// loudest point and the lift time marked and the amplitude written beside them.
void DrawBeatShapes(platform::Canvas& canvas, const dsp::SignalAnalysis& analysis, int liftAngle);

} // namespace plot
