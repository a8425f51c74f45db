// The beat-shape view of a synthesised watch: its marks where the synthesis put the sounds,
// and the picture's loudest mark where its envelope peaks.
#include "app/plot/BeatShapeView.h"
#include "dsp/synth/WatchSynthesiser.h"
#include "platform/Image.h"
#include "platform/testing/TestApplication.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <random>
#include <vector>

namespace {

constexpr platform::Rgb kRed = platform::RgbOf(176, 0, 0);
constexpr platform::Rgb kGreen = platform::RgbOf(0, 128, 0);
constexpr platform::Rgb kLine = platform::RgbOf(40, 40, 40);

TEST(BeatShapeView, MarksTheFirstSoundAndTheDropWhereTheyAre) {
    platform::testing::EnsureTestApplication();
    synth::WatchParameters p;
    p.beatsPerHour = 28800;
    p.amplitude = 250.0;
    p.beatError = 0.3;
    p.noiseDb = -40.0;
    synth::WatchSynthesiser s(p);
    std::vector<std::int16_t> sound(20 * 44100);
    s.Generate(sound);

    auto analysis = std::make_unique<dsp::SignalAnalysis>();
    analysis->ResetFilter();
    analysis->BeginCalibration(5, dsp::kFilterNone, 0.0);
    std::size_t at = 0;
    while (!analysis->AddCalibrationSamples(sound.data() + at, 4096)) {
        at += 4096;
    }
    int bph = 0;
    double peak = 0.0, rate = 0.0;
    ASSERT_TRUE(analysis->FinishCalibration(0, 52, bph, peak, rate));
    platform::Image image(960, 511);
    platform::Canvas canvas(image);
    for (at += 4096; at + 4096 <= sound.size(); at += 4096) {
        analysis->ProcessTickSamples(sound.data() + at, 4096, 20, dsp::PlotRawCallback{}, 1, false,
                                     52);
    }
    for (int parity = 0; parity < 2; ++parity) {
        const plot::BeatShapeMarks m = plot::ShapeMarksOf(*analysis, parity, 52);
        ASSERT_TRUE(m.Known) << parity;
        EXPECT_NEAR(m.Lift, s.LiftTime(parity), 0.25e-3) << parity; // two shape points
        EXPECT_NEAR(m.Amplitude, 250.0, 6.0) << parity;
    }

    plot::DrawBeatShapes(canvas, *analysis, 52);
    if (const char* out = std::getenv("TICKORA_SHAPE_PICTURE")) {
        image.SavePng(out);
    }
    // In the ticks' panel (below the band of texts at its top): the red mark's column, the
    // green one's, and where the envelope line is highest.
    auto columnOf = [&](platform::Rgb colour, int fromRow, int toRow) {
        for (int x = 0; x < image.Width(); ++x) {
            for (int y = fromRow; y < toRow; ++y) {
                if (image.Pixel(x, y) == colour) {
                    return x;
                }
            }
        }
        return -1;
    };
    const int red = columnOf(kRed, 80, 200);
    const int green = columnOf(kGreen, 80, 200);
    int highest = -1;
    for (int y = 70; y < 240 && highest < 0; ++y) {
        for (int x = 60; x < image.Width(); ++x) {
            if (image.Pixel(x, y) == kLine) {
                highest = x;
                break;
            }
        }
    }
    ASSERT_GE(red, 0);
    ASSERT_GE(green, 0);
    EXPECT_NEAR(red, highest, 2);
    EXPECT_LT(green, red);

    // The tocks' panel counts from its own first sound: its green mark stands over its "0"
    // (whose middle column crosses the glyph's top and bottom), not beside the ticks' zero.
    const int tockGreen = columnOf(kGreen, 320, 470);
    ASSERT_GE(tockGreen, 0);
    int zero = 0;
    for (int y = 486; y < 502; ++y)
        zero += image.Pixel(tockGreen, y) != platform::kWhite;
    EXPECT_GE(zero, 2);

    // An axis that ends just past 16 ms: its texts never run into each other or into "ms".
    const plot::BeatShapeMarks tick = plot::ShapeMarksOf(*analysis, 0, 52);
    const double from = tick.FirstSound - 1.5e-3;
    const double to = tick.FirstSound + 16.3e-3;
    const auto column = [&](double t) {
        return 60 + static_cast<int>(std::lround((t - from) / (to - from) * 879));
    };
    const auto texts = plot::ShapeAxisTexts(canvas, from, to, tick.FirstSound, 940, column);
    ASSERT_GE(texts.size(), 3u);
    EXPECT_EQ(texts.back().text, "ms");
    for (std::size_t i = 1; i < texts.size(); ++i)
        EXPECT_GT(texts[i].left, texts[i - 1].left + texts[i - 1].width) << texts[i].text;
}

// A watch drowned in noise: many onsets heard but no shape to average, and the view says
// why instead of asking to wait.
TEST(BeatShapeView, UnderNoiseSaysTheBeatsAreTooIrregular) {
    platform::testing::EnsureTestApplication();
    synth::WatchParameters p;
    p.beatsPerHour = 28800;
    p.noiseDb = -10.0; // the drop barely above the noise: onsets, but no steady shape
    synth::WatchSynthesiser s(p);
    std::vector<std::int16_t> watch(6 * 44100);
    s.Generate(watch);
    auto analysis = std::make_unique<dsp::SignalAnalysis>();
    analysis->ResetFilter();
    analysis->BeginCalibration(5, dsp::kFilterNone, 0.0);
    for (std::size_t at = 0; !analysis->AddCalibrationSamples(watch.data() + at, 4096);
         at += 4096) {
    }
    int bph = 0;
    double peak = 0.0, rate = 0.0;
    ASSERT_TRUE(analysis->FinishCalibration(0, 52, bph, peak, rate));
    // 40 s of it.
    std::vector<std::int16_t> buffer(4096);
    for (int i = 0; i < 40 * 44100 / 4096; ++i) {
        s.Generate(buffer);
        analysis->ProcessTickSamples(buffer.data(), 4096, 20, dsp::PlotRawCallback{}, 1, false, 52);
    }
    EXPECT_FALSE(plot::ShapeMarksOf(*analysis, 0, 52).Known);
    EXPECT_EQ(plot::ShapeMissingText(*analysis),
              "The beats are too irregular to average: move the microphone or try a filter.");
}

} // namespace
