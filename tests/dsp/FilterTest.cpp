#include "dsp/DSP.h"
#include "tests/dsp/Signals.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <numbers>
#include <vector>

namespace {

using dsp::SignalAnalysis;

// The difference equation written out plainly, left to right, with the coefficient table
// typed in again: the production filter must agree with it to rounding.
struct ReferenceFilter {
    double x[9] = {};
    double y[9] = {};

    double Step(int kind, std::int16_t s) {
        static const double kG[4] = {0, 9.1589151018e-6, 3.365686384e-6, 7.449432481e-7};
        static const double kA[4][8] = {{},
                                        {2.1732429257, -0.3508851857, -1.1838156305, -0.6209162053,
                                         0.957100063, 0.3083280562, -0.1927590175, -0.0902963304},
                                        {3.5554341785, -4.9608985871, 3.9312858856, -2.5789125889,
                                         1.4213677399, -0.3787050399, 0.0288767609, -0.0184689495},
                                        {4.9822144398, -10.999337225, 14.32135375, -12.217631012,
                                         7.0154321721, -2.6217309534, 0.5790531707, -0.0594504635}};
        if (kind < 1 || kind > 3) {
            return s * 0.00003051757;
        }
        for (int i = 8; i > 0; --i) {
            x[i] = x[i - 1];
            y[i] = y[i - 1];
        }
        x[0] = s * kG[kind];
        const double* a = kA[kind];
        y[0] = (x[0] + x[8]) - 4 * (x[2] + x[6]) + 6 * x[4] + a[0] * y[1] + a[1] * y[2] +
               a[2] * y[3] + a[3] * y[4] + a[4] * y[5] + a[5] * y[6] + a[6] * y[7] + a[7] * y[8];
        return y[0];
    }
};

std::vector<std::int16_t> Noise(int count, unsigned seed) {
    std::vector<std::int16_t> samples(static_cast<std::size_t>(count));
    for (auto& s : samples) {
        seed = seed * 1103515245u + 12345u;
        s = static_cast<std::int16_t>(seed >> 16);
    }
    return samples;
}

// Largest level over the last tenth of a second of a full-scale sine of the given frequency.
double SteadyResponse(int kind, double frequency) {
    dsp::BandPassFilter filter;
    filter.SetKind(kind);
    double peak = 0.0;
    const int length = 88200;
    for (int n = 0; n < length; ++n) {
        const double phase = 2.0 * std::numbers::pi * frequency * n / 44100.0;
        const double level =
            filter.Step(static_cast<std::int16_t>(std::lround(32767.0 * std::sin(phase))));
        if (n >= length - 8820) {
            peak = std::max(peak, level);
        }
    }
    return peak;
}

TEST(Filter, UnfilteredKindScalesSamples) {
    auto analysis = std::make_unique<SignalAnalysis>();
    for (int kind : {0, 4, -1, 7}) {
        analysis->StartSampleClock(kind, 0.0);
        EXPECT_NEAR(analysis->FilterSample(32767), 0.99997, 5e-6);
        EXPECT_NEAR(analysis->FilterSample(-32768), 0.99999973, 1e-8);
        EXPECT_LT(analysis->FilterOutput(), 0.0);
        EXPECT_EQ(analysis->FilterSample(0), 0.0);
    }
}

TEST(Filter, FollowsTheDifferenceEquationForEveryKind) {
    const auto input = Noise(5000, 7);
    for (int kind = 1; kind <= 3; ++kind) {
        SCOPED_TRACE(kind);
        auto analysis = std::make_unique<SignalAnalysis>();
        analysis->StartSampleClock(kind, 0.0);
        ReferenceFilter reference;
        double worst = 0.0, largest = 0.0;
        for (std::int16_t s : input) {
            const double expected = reference.Step(kind, s);
            const double level = analysis->FilterSample(s);
            EXPECT_EQ(level, std::fabs(analysis->FilterOutput()));
            worst = std::max(worst, std::fabs(analysis->FilterOutput() - expected));
            largest = std::max(largest, std::fabs(expected));
        }
        // Only the order of the additions differs: rounding, far below a level step.
        EXPECT_LT(worst, 1e-10 * largest);
    }
}

TEST(Filter, ImpulseResponseStartsWithGainAndFirstFeedback) {
    auto analysis = std::make_unique<SignalAnalysis>();
    analysis->StartSampleClock(dsp::kFilterNarrow, 0.0);
    const double g = 7.449432481e-7, a1 = 4.9822144398, a2 = -10.999337225;
    EXPECT_DOUBLE_EQ(analysis->FilterSample(1000), 1000 * g);
    EXPECT_DOUBLE_EQ(analysis->FilterSample(0), a1 * 1000 * g);
    const double y2 = -4 * 1000 * g + a1 * (a1 * 1000 * g) + a2 * 1000 * g;
    analysis->FilterSample(0);
    EXPECT_NEAR(analysis->FilterOutput(), y2, 1e-15);
}

TEST(Filter, PassBandIsOneAtThreeKilohertzAndHalfPowerAtTheCorners) {
    struct Band {
        int kind;
        double low, high; // Hz
    };
    for (const Band band : {Band{1, 160, 16000}, Band{2, 400, 12000}, Band{3, 800, 8000}}) {
        SCOPED_TRACE(band.kind);
        EXPECT_NEAR(SteadyResponse(band.kind, 3000), 1.0, 0.002);
        EXPECT_NEAR(SteadyResponse(band.kind, band.low), std::sqrt(0.5), 0.005);
        EXPECT_NEAR(SteadyResponse(band.kind, band.high), std::sqrt(0.5), 0.005);
        EXPECT_LT(SteadyResponse(band.kind, band.low / 4), 0.05);
    }
}

TEST(Filter, ConstantInputDecaysToZero) {
    for (int kind = 1; kind <= 3; ++kind) {
        auto analysis = std::make_unique<SignalAnalysis>();
        analysis->StartSampleClock(kind, 0.0);
        double first = 0.0, last = 0.0;
        for (int n = 0; n < 44100; ++n) {
            last = analysis->FilterSample(20000);
            if (n == 0) {
                first = last;
            }
        }
        EXPECT_GT(first, 0.0) << "the start-up transient is not suppressed";
        EXPECT_LT(last, 1e-9) << kind;
    }
}

TEST(Filter, FullScaleSquareWaveExceedsOne) {
    auto analysis = std::make_unique<SignalAnalysis>();
    analysis->StartSampleClock(dsp::kFilterNarrow, 0.0);
    double peak = 0.0;
    for (int n = 0; n < 44100; ++n) {
        peak = std::max(peak, analysis->FilterSample((n / 7) % 2 ? 32767 : -32768));
    }
    EXPECT_GT(peak, 1.0);
}

TEST(Filter, KindChangeKeepsHistoryAndResetClearsIt) {
    const auto input = Noise(600, 3);
    auto analysis = std::make_unique<SignalAnalysis>();
    ReferenceFilter reference;
    // Narrow, then unfiltered samples (history untouched), then Wide on the same history.
    const int kinds[3] = {3, 0, 1};
    for (int part = 0; part < 3; ++part) {
        analysis->StartSampleClock(kinds[part], 0.0);
        for (int n = part * 200; n < part * 200 + 200; ++n) {
            const double expected = reference.Step(kinds[part], input[n]);
            analysis->FilterSample(input[n]);
            ASSERT_NEAR(analysis->FilterOutput(), expected, 1e-9 * std::fabs(expected) + 1e-18);
        }
    }
    analysis->ResetFilter();
    EXPECT_EQ(analysis->FilterOutput(), 0.0);
    analysis->StartSampleClock(dsp::kFilterWide, 0.0);
    EXPECT_DOUBLE_EQ(analysis->FilterSample(1000), 1000 * 9.1589151018e-6);
}

TEST(Filter, BlockAndSingleStepsGiveIdenticalLevels) {
    const auto input = Noise(10007, 11);
    for (int kind = 0; kind <= 3; ++kind) {
        dsp::BandPassFilter single, block;
        single.SetKind(kind);
        block.SetKind(kind);
        std::vector<double> levels(input.size());
        // Uneven chunks cross the eight-step blocks at every phase.
        std::size_t at = 0;
        for (int chunk = 1; at < input.size(); chunk = chunk % 13 + 1) {
            const int n = static_cast<int>(std::min<std::size_t>(chunk, input.size() - at));
            block.Block(input.data() + at, n, levels.data() + at);
            at += static_cast<std::size_t>(n);
        }
        for (std::size_t n = 0; n < input.size(); ++n) {
            ASSERT_EQ(single.Step(input[n]), levels[n]) << kind << " at " << n;
        }
        EXPECT_EQ(single.Output(), block.Output());
    }
}

TEST(SampleClock, RateFollowsTheCorrection) {
    auto analysis = std::make_unique<SignalAnalysis>();
    EXPECT_EQ(analysis->EffectiveSampleRate(), 44100.0);
    EXPECT_DOUBLE_EQ(analysis->SamplePeriod(), 2.2675736961451248e-05);
    analysis->StartSampleClock(dsp::kFilterNarrow, 86.4);
    EXPECT_DOUBLE_EQ(analysis->EffectiveSampleRate(), 44144.1);
    EXPECT_DOUBLE_EQ(analysis->SamplePeriod(), 1.0 / 44144.1);
    EXPECT_EQ(analysis->FilterKind(), dsp::kFilterNarrow);
    // Beyond the accepted +-1500 s/d the correction is held at the limit.
    analysis->StartSampleClock(dsp::kFilterNarrow, 9000.0);
    EXPECT_DOUBLE_EQ(analysis->EffectiveSampleRate(), 87900.0 * 44100.0 / 86400.0);
    analysis->StartSampleClock(dsp::kFilterNarrow, -1e9);
    EXPECT_DOUBLE_EQ(analysis->EffectiveSampleRate(), 84900.0 * 44100.0 / 86400.0);
}

TEST(SampleClock, ScopeSampleTimesStartAtZero) {
    auto analysis = std::make_unique<SignalAnalysis>();
    auto twin = std::make_unique<SignalAnalysis>();
    analysis->StartSampleClock(dsp::kFilterMedium, -20.0);
    twin->StartSampleClock(dsp::kFilterMedium, -20.0);
    const auto input = Noise(100, 5);
    for (int n = 0; n < 100; ++n) {
        const dsp::ScopePoint point = analysis->ScopeSample(input[n]);
        EXPECT_EQ(point.Level, twin->FilterSample(input[n]));
        EXPECT_DOUBLE_EQ(point.Time, n * analysis->SamplePeriod());
    }
    EXPECT_EQ(analysis->SampleClock(), 100);
    // Restarting the clock keeps the history.
    const double before = analysis->FilterOutput();
    analysis->StartSampleClock(dsp::kFilterMedium, -20.0);
    EXPECT_EQ(analysis->SampleClock(), 0);
    EXPECT_EQ(analysis->FilterOutput(), before);
    EXPECT_EQ(analysis->ScopeSample(0).Time, 0.0);
    EXPECT_EQ(analysis->ScopeSample(0).Time, analysis->SamplePeriod());
}

} // namespace
