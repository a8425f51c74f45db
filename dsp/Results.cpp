#include "dsp/DSP.h"

#include <cmath>

namespace dsp {

namespace {

constexpr double kHalfPi = 1.570796326794896;

struct Fit {
    double slope = 0.0;
    double quality = 0.0; // squared correlation, 1 for a perfect fit
};

} // namespace

double SignalAnalysis::Field(std::int64_t number, MedianField field) const {
    const TickRecord& record = ring_[Slot(number)];
    return field == MedianField::Amplitude ? record.Amplitude : record.BeatError;
}

// Runs at the onset of record w (w >= FirstIndex + 4), once its Time is set.
void SignalAnalysis::RecordResults(std::int64_t w, int period, int liftAngle) {
    const std::int64_t f = firstIndex_;
    const double b = beatFrequency_;
    auto time = [this](std::int64_t i) { return ring_[Slot(i)].Time; };
    TickRecord& record = ring_[Slot(w)];

    // Window of whole tick-tock pairs ending at w.
    std::int64_t s = static_cast<std::int64_t>(std::trunc(static_cast<double>(w) - period * b));
    if ((w - s + 1) % 2 != 0) {
        s -= 1;
    }
    if (s < f) {
        s = f;
        if ((w - f + 1) % 2 != 0) {
            s = f + 1;
        }
    }
    // Two pairs at least, so that each parity has a line to fit (period x beats/s < 2).
    if (w - s < 3) {
        s = w - 3;
    }
    record.Span = static_cast<double>(w - s) / b;
    if (0.0001 * period <= record.Span) {
        resultsStarted_ = true;
    }

    // Rate: one fit over the ticks and one over the tocks, so the beat error stays out.
    const double ts = time(s);
    Fit fits[2];
    for (int p = 0; p < 2; ++p) {
        double sx = 0.0, sy = 0.0, sxx = 0.0, syy = 0.0, sxy = 0.0;
        int n = 0;
        for (std::int64_t i = s + p; i <= w; i += 2) {
            const double x = static_cast<double>(i - s) / b; // nominal s
            const double y = time(i) - ts;                   // measured s
            sx += x;
            sy += y;
            sxx += x * x;
            syy += y * y;
            sxy += x * y;
            ++n;
        }
        Fit& fit = fits[p];
        fit.slope = (sxy - sx * sy / n) / (sxx - sx * sx / n);
        const double vy = (n * syy - sy * sy) / ((n - 1.0) * n);
        const double sdy = vy > 0.0 ? std::sqrt(vy) : 0.0;
        if (sdy < 1e-9) {
            fit.quality = 1.0;
        } else {
            const double vx = (n * sxx - sx * sx) / ((n - 1.0) * n);
            const double sdx = vx > 0.0 ? std::sqrt(vx) : 0.0;
            const double r = fit.slope * sdx / sdy;
            fit.quality = r * r;
        }
    }
    const double slope = fits[1].quality > fits[0].quality ? fits[1].slope : fits[0].slope;
    record.RateError = (1.0 / slope - 1.0) * 86400.0; // s/d, positive when gaining

    // Amplitude of the previous beat, now that the following one has started: the balance
    // period is twice the beat interval.
    TickRecord& previous = ring_[Slot(w - 1)];
    const double interval = record.Time - previous.Time;
    previous.Amplitude = liftAngle / (2.0 * std::sin(kHalfPi * previous.PeakDelay / interval));

    std::int64_t m = s;
    while (m < f + 4) {
        m += 2;
    }
    record.AmplitudeMedian =
        m + 1 < w - 1 ? RobustMedian(m + 1, w - 1, MedianField::Amplitude) : previous.Amplitude;

    // Half the difference of the last two intervals; both beats of a pair carry the value of
    // the pair's second beat.
    record.BeatError = std::fabs(record.Time - 2.0 * previous.Time + time(w - 2)) * 500.0; // ms
    if (w % 2 != 0) {
        previous.BeatError = record.BeatError;
    }
    record.BeatErrorMedian = m < w ? RobustMedian(m, w, MedianField::BeatError) : record.BeatError;
    record.Valid = true;
}

double SignalAnalysis::RobustMedian(std::int64_t first, std::int64_t last, MedianField field) {
    return median_.Median(first, last, [this, field](std::int64_t i) { return Field(i, field); });
}

bool SignalAnalysis::NextTickResult(TickResult& result) {
    if (writeIndex_ - kTickRingSize >= readIndex_) {
        // Overwritten before it was read.
        ++readIndex_;
        return false;
    }
    if (readIndex_ >= writeIndex_) {
        return false;
    }
    const TickRecord& record = ring_[Slot(readIndex_)];
    result.Span = record.Span;
    result.Rate = record.RateError;
    result.Amplitude = record.AmplitudeMedian;
    // A tick-ending and a tock-ending window together.
    result.BeatError =
        readIndex_ >= firstIndex_ + 5
            ? (record.BeatErrorMedian + ring_[Slot(readIndex_ - 1)].BeatErrorMedian) / 2.0
            : record.BeatErrorMedian;
    result.Time = record.Time;
    result.Valid = record.Valid;
    ++readIndex_;
    return true;
}

} // namespace dsp
