#include "dsp/DSP.h"

#include <algorithm>
#include <cmath>
#include <tuple>
#include <utility>

namespace dsp {

namespace {

constexpr double kHalfPi = 1.570796326794896;

// A beat is set aside when its timing departs from the window's fit by more than this many
// robust standard deviations (1.4826 x the median absolute departure), and by more than the
// floor, which keeps the finest scatter of a clean recording from setting beats aside.
constexpr double kOutlierSigmas = 4.0;
constexpr double kOutlierFloor = 0.25e-3; // s
// A trustworthy window: most of its beats used, their timings within a quarter millisecond
// of the fit (robustly: wider, they are timed on different sounds of the beat, and so many
// beats would make the rate look known), a rate known to about 1 s/d (two standard errors),
// and ticks and tocks giving the same rate,
constexpr double kMinUsedShare = 0.75;
constexpr double kMaxScatter = 0.25e-3;  // s
constexpr double kMaxRateError = 0.5;    // s/d, standard error of the rate
constexpr double kParityAgreement = 1.0; // s/d, allowed whatever the standard errors
constexpr double kParityErrors = 3.0;    // standard errors of the difference
// and the beats' amplitudes spread (robustly) by at most this share of their median.
constexpr double kMaxAmplitudeSpread = 0.1;
constexpr std::int64_t kSpreadBeats = 256;
constexpr int kMinSpreadBeats = 8;
constexpr double kSecondsPerDay = 86400.0;

struct Sums {
    double sx = 0.0, sy = 0.0, sxx = 0.0, syy = 0.0, sxy = 0.0;
    int n = 0;
    void Add(double x, double y) {
        sx += x;
        sy += y;
        sxx += x * x;
        syy += y * y;
        sxy += x * y;
        ++n;
    }
};

struct Fit {
    double slope = 1.0;
    double intercept = 0.0;
    double quality = 0.0; // squared correlation, 1 for a perfect fit
    double sse = 0.0;     // sum of squared residuals, s^2
    double spreadX = 0.0; // sum of squared departures of x from its mean, s^2
    int n = 0;
    double Residual(double x, double y) const { return y - (intercept + slope * x); }
    // Standard error of the rate, s/d; infinite with too few points to tell.
    double RateError() const {
        if (n < 3) {
            return 0.0; // a line through two points: no scatter to judge it by
        }
        if (!(spreadX > 0.0)) {
            return 1e300;
        }
        return std::sqrt(sse / (n - 2) / spreadX) * kSecondsPerDay;
    }
};

Fit Solve(const Sums& s) {
    Fit fit;
    const int n = s.n;
    fit.n = n;
    if (n < 2) {
        return fit;
    }
    fit.slope = (s.sxy - s.sx * s.sy / n) / (s.sxx - s.sx * s.sx / n);
    fit.intercept = (s.sy - fit.slope * s.sx) / n;
    fit.spreadX = s.sxx - s.sx * s.sx / n;
    const double vy = (n * s.syy - s.sy * s.sy) / ((n - 1.0) * n);
    const double sdy = vy > 0.0 ? std::sqrt(vy) : 0.0;
    if (sdy < 1e-9) {
        fit.quality = 1.0;
    } else {
        const double vx = (n * s.sxx - s.sx * s.sx) / ((n - 1.0) * n);
        const double sdx = vx > 0.0 ? std::sqrt(vx) : 0.0;
        const double r = fit.slope * sdx / sdy;
        fit.quality = r * r;
    }
    return fit;
}

double MedianInPlace(double* values, int count) {
    if (count <= 0) {
        return 0.0;
    }
    std::nth_element(values, values + count / 2, values + count);
    return values[count / 2];
}

} // namespace

double SignalAnalysis::Field(std::int64_t number, MedianField field) const {
    const TickRecord& record = ring_[Slot(number)];
    return field == MedianField::Amplitude ? record.Amplitude : record.BeatError;
}

// The window of whole tick-tock pairs ending at w, at least two pairs long.
std::int64_t SignalAnalysis::WindowStart(std::int64_t w, int period) const {
    const std::int64_t f = firstIndex_;
    std::int64_t s =
        static_cast<std::int64_t>(std::trunc(static_cast<double>(w) - period * beatFrequency_));
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
    return s;
}

// Runs when record w (w >= FirstIndex + 4) is complete and its time final.
void SignalAnalysis::RecordResults(std::int64_t w, int period, int liftAngle) {
    const std::int64_t f = firstIndex_;
    const double b = beatFrequency_;
    auto time = [this](std::int64_t i) { return ring_[Slot(i)].Time; };
    auto beat = [this](std::int64_t i) { return ring_[Slot(i)].Beat; };
    TickRecord& record = ring_[Slot(w)];
    const std::int64_t s = WindowStart(w, period);
    const std::int64_t beats = beat(w) - beat(s); // missed beats included
    record.Span = static_cast<double>(beats) / b;

    // Rate: one fit over the ticks and one over the tocks, so the beat error stays out.
    const double ts = time(s);
    const std::int64_t bs = beat(s);
    auto x = [&](std::int64_t i) { return static_cast<double>(beat(i) - bs) / b; }; // nominal s
    auto y = [&](std::int64_t i) { return time(i) - ts; };                          // measured s
    auto parityOf = [&](std::int64_t i) { return static_cast<int>((beat(i) - bs) & 1); };
    double* const magnitudes = work_.get();
    // Which of the window's records are set aside; a record's slot in `aside` is i - s.
    double* const aside = work_.get() + 2 * kTickRingSize;

    Sums sums[2];
    for (std::int64_t i = s; i <= w; ++i) {
        sums[parityOf(i)].Add(x(i), y(i));
    }
    Fit fits[2] = {Solve(sums[0]), Solve(sums[1])};

    // Departures from the fits, and how widely the window scatters about them.
    double limit = kOutlierFloor;
    auto judge = [&](const Fit* lines, bool onlyUsed) {
        int n = 0;
        for (std::int64_t i = s; i <= w; ++i) {
            if (!onlyUsed || aside[i - s] == 0.0) {
                magnitudes[n++] = std::fabs(lines[parityOf(i)].Residual(x(i), y(i)));
            }
        }
        const double sigma = 1.4826 * MedianInPlace(magnitudes, n);
        limit = std::max(kOutlierSigmas * sigma, kOutlierFloor);
        int setAside = 0;
        for (std::int64_t i = s; i <= w; ++i) {
            const bool out = std::fabs(lines[parityOf(i)].Residual(x(i), y(i))) > limit;
            aside[i - s] = out ? 1.0 : 0.0;
            setAside += out ? 1 : 0;
        }
        return std::pair{setAside, sigma};
    };
    auto refit = [&]() {
        Sums used[2];
        for (std::int64_t i = s; i <= w; ++i) {
            if (aside[i - s] == 0.0) {
                used[parityOf(i)].Add(x(i), y(i));
            }
        }
        for (int p = 0; p < 2; ++p) {
            if (used[p].n >= 2) {
                fits[p] = Solve(used[p]);
            }
        }
    };
    auto [setAside, sigma] = judge(fits, false);
    // Beats split between two sounds of the beat pull the plain lines between them, and
    // then no single one departs: a scatter that wide restarts the lines as well.
    if (setAside > 0 || sigma > kOutlierFloor) {
        // Strays bend a least-squares line: start again from lines through the medians of
        // the slopes between points half a window apart, then refit on what agrees with them.
        Fit robust[2];
        for (int p = 0; p < 2; ++p) {
            int n = 0;
            double* const xs = magnitudes;
            double* const ys = work_.get() + kTickRingSize;
            for (std::int64_t i = s; i <= w; ++i) {
                if (parityOf(i) == p) {
                    xs[n] = x(i);
                    ys[n] = y(i);
                    ++n;
                }
            }
            robust[p] = fits[p];
            const int half = n / 2;
            if (half < 1) {
                continue;
            }
            double* const slopes = work_.get() + 3 * kTickRingSize;
            int m = 0;
            for (int k = 0; k + half < n; ++k) {
                if (xs[k + half] > xs[k]) {
                    slopes[m++] = (ys[k + half] - ys[k]) / (xs[k + half] - xs[k]);
                }
            }
            if (m == 0) {
                continue;
            }
            robust[p].slope = MedianInPlace(slopes, m);
            for (int k = 0; k < n; ++k) {
                ys[k] -= robust[p].slope * xs[k];
            }
            robust[p].intercept = MedianInPlace(ys, n);
        }
        judge(robust, false);
        refit();
        std::tie(setAside, sigma) = judge(fits, true);
        refit();
    }

    // The newest beat set aside: where the alignment offers a time that agrees with the
    // window, the beat takes it and the window is measured again.
    if (aside[w - s] != 0.0 && record.Aligned) {
        const double r = fits[parityOf(w)].Residual(x(w), record.AlignedTime - ts);
        if (std::fabs(r) <= limit) {
            TakeAlignedTime(w);
            RecordResults(w, period, liftAngle);
            return;
        }
    }

    int used[2] = {0, 0};
    double sse[2] = {0.0, 0.0};
    for (std::int64_t i = s; i <= w; ++i) {
        if (aside[i - s] == 0.0) {
            ++used[parityOf(i)];
            const double r = fits[parityOf(i)].Residual(x(i), y(i));
            sse[parityOf(i)] += r * r;
        }
    }
    fits[0].sse = sse[0];
    fits[1].sse = sse[1];
    record.Used = aside[w - s] == 0.0;
    record.UsedShare = static_cast<double>(used[0] + used[1]) / static_cast<double>(beats + 1);
    record.Scatter = sigma * 1000.0; // ms

    Fit chosen = fits[1].quality > fits[0].quality ? fits[1] : fits[0];
    double rateError = chosen.RateError();
    if (setAside > 0) {
        // With beats set aside the parities' qualities no longer compare: their slopes are
        // weighed by how precisely each is known (a parity left with fewer than three beats
        // has no say while the other has more).
        double weights[2] = {0.0, 0.0};
        bool exact[2] = {false, false};
        for (int p = 0; p < 2; ++p) {
            if (used[p] >= 3 && fits[p].spreadX > 0.0) {
                const double variance = sse[p] / (used[p] - 2) / fits[p].spreadX;
                exact[p] = !(variance > 0.0);
                weights[p] = exact[p] ? 0.0 : 1.0 / variance;
            }
        }
        if (exact[0] || exact[1]) {
            chosen = exact[0] && exact[1] ? chosen : fits[exact[0] ? 0 : 1];
            rateError = 0.0;
        } else if (weights[0] + weights[1] > 0.0) {
            chosen.slope = (weights[0] * fits[0].slope + weights[1] * fits[1].slope) /
                           (weights[0] + weights[1]);
            rateError = std::sqrt(1.0 / (weights[0] + weights[1])) * kSecondsPerDay;
        }
    }
    const double slope = chosen.slope;
    record.RateError = (1.0 / slope - 1.0) * kSecondsPerDay; // s/d, positive when gaining
    const double rates[2] = {(1.0 / fits[0].slope - 1.0) * kSecondsPerDay,
                             (1.0 / fits[1].slope - 1.0) * kSecondsPerDay};
    const double errors[2] = {fits[0].RateError(), fits[1].RateError()};
    const double allowed =
        std::max(kParityAgreement, kParityErrors * std::hypot(errors[0], errors[1]));

    // Amplitude of the previous beat, now that the following one has started: the balance
    // period is twice the beat interval.
    TickRecord& previous = ring_[Slot(w - 1)];
    const double interval =
        (record.Time - previous.Time) / static_cast<double>(record.Beat - previous.Beat);
    const double lift =
        (previous.FirstSound < 0.0 ? previous.PeakDelay
                                   : previous.Time + previous.PeakDelay - previous.FirstSound) -
        previous.LiftBias; // a band-pass's lengthening, measured against the unfiltered sound
    previous.Amplitude = liftAngle / (2.0 * std::sin(kHalfPi * lift / interval));
    previous.AmplitudeUsed = previous.Used && record.Used;

    std::int64_t m = s;
    while (m < f + 4) {
        m += 2;
    }
    record.AmplitudeMedian =
        m + 1 < w - 1 ? MedianOfUsed(m + 1, w - 1, MedianField::Amplitude) : previous.Amplitude;
    // Amplitudes that scatter widely come from loudest points taken on noise rather than on
    // the drop, and their median leans: such a window is not trusted either.
    record.Trusted = record.UsedShare >= kMinUsedShare && sigma <= kMaxScatter &&
                     rateError <= kMaxRateError && std::fabs(rates[0] - rates[1]) <= allowed &&
                     AmplitudesAgree(m + 1, w - 1, record.AmplitudeMedian);

    // Half the difference of the last two intervals; both beats of a pair carry the value of
    // the pair's second beat.
    const TickRecord& before = ring_[Slot(w - 2)];
    record.BeatError = std::fabs(record.Time - 2.0 * previous.Time + time(w - 2)) * 500.0; // ms
    record.BeatErrorUsed =
        record.Used && previous.Used && before.Used && record.Beat - before.Beat == 2;
    if ((record.Beat + f) % 2 != 0) {
        previous.BeatError = record.BeatError;
        previous.BeatErrorUsed = record.BeatErrorUsed;
    }
    record.BeatErrorMedian = m < w ? MedianOfUsed(m, w, MedianField::BeatError) : record.BeatError;
    record.Valid = true;
}

// Whether the beats' amplitudes keep within kMaxAmplitudeSpread of their median (robustly),
// over the last kSpreadBeats beats of first ... last at most, each about its parity's own
// median (a watch's ticks and tocks may swing a little differently).
bool SignalAnalysis::AmplitudesAgree(std::int64_t first, std::int64_t last, double median) {
    double* const values[2] = {work_.get(), work_.get() + kTickRingSize};
    double* const departures = work_.get() + 2 * kTickRingSize;
    int counts[2] = {0, 0};
    for (std::int64_t i = std::max(first, last - kSpreadBeats); i <= last; ++i) {
        const TickRecord& r = ring_[Slot(i)];
        if (r.AmplitudeUsed) {
            const int p = static_cast<int>(r.Beat & 1);
            values[p][counts[p]++] = r.Amplitude;
        }
    }
    int n = 0;
    for (int p = 0; p < 2; ++p) {
        std::copy_n(values[p], counts[p], departures + n);
        if (counts[p] > 0) {
            const double own = MedianInPlace(departures + n, counts[p]);
            for (int k = 0; k < counts[p]; ++k) {
                departures[n + k] = std::fabs(values[p][k] - own);
            }
        }
        n += counts[p];
    }
    return n < kMinSpreadBeats ||
           1.4826 * MedianInPlace(departures, n) <= kMaxAmplitudeSpread * median;
}

// The median over the records that count for the field; over all of them when every one
// does (or none does).
double SignalAnalysis::MedianOfUsed(std::int64_t first, std::int64_t last, MedianField field) {
    double* const values = work_.get();
    int n = 0;
    bool all = true;
    for (std::int64_t i = first; i <= last; ++i) {
        const TickRecord& r = ring_[Slot(i)];
        if (field == MedianField::Amplitude ? r.AmplitudeUsed : r.BeatErrorUsed) {
            values[n++] = Field(i, field);
        } else {
            all = false;
        }
    }
    if (all || n == 0) {
        return RobustMedian(first, last, field);
    }
    // As the histogram median does, an even count leaves out the first value.
    if (n % 2 == 0) {
        return MedianInPlace(values + 1, n - 1);
    }
    return MedianInPlace(values, n);
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
    result.Used = record.UsedShare;
    result.Scatter = record.Scatter;
    result.Trusted = record.Trusted;
    ++readIndex_;
    return true;
}

} // namespace dsp
