#include "dsp/DSP.h"
#include "dsp/Limits.h"
#include "dsp/Verdict.h"
#include "dsp/WindowFit.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <tuple>
#include <utility>

namespace dsp {

namespace {

constexpr double kHalfPi = 1.570796326794896;

using namespace limits;

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

// The first record of window s that counts in the medians: the test's first four records
// have no amplitude of their own, so whole pairs of them are left out.
std::int64_t SignalAnalysis::MedianStart(std::int64_t s) const {
    std::int64_t m = s;
    while (m < firstIndex_ + 4) {
        m += 2;
    }
    return m;
}

// Runs when record w (w >= FirstIndex + 4) is complete. The plain arithmetic comes first:
// the beats' own threshold times and lifts, one line per parity, histogram medians. Where
// that window holds together (no beat missed or departing, a tight scatter, ticks and tocks
// agreeing and timed on the same sound) its results are the reading, exactly; only where it
// does not are the candidates of the whole-beat alignment weighed (RepairWindow).
void SignalAnalysis::RecordResults(std::int64_t w, int period, int liftAngle) {
    const double b = beatFrequency_;
    TickRecord& record = ring_[Slot(w)];
    TickRecord& previous = ring_[Slot(w - 1)];
    const TickRecord& before = ring_[Slot(w - 2)];

    // The beat's own values: the previous beat's amplitude now that its following beat has
    // started (the balance period is twice the beat interval), and this pair's beat error,
    // half the difference of its two intervals, carried by both beats of the pair.
    const double interval = record.Time - previous.Time;
    previous.Amplitude =
        liftAngle / (2.0 * std::sin(kHalfPi * (previous.PeakDelay - previous.LiftBias) / interval));
    record.BeatError = std::fabs(record.Time - 2.0 * previous.Time + before.Time) * 500.0; // ms
    if ((w - firstIndex_) % 2 != 0) {
        previous.BeatError = record.BeatError;
    }

    const std::int64_t s = WindowStart(w, period);
    const int count = static_cast<int>(w - s + 1);
    double* const times = work_.get();
    for (std::int64_t i = s; i <= w; ++i) {
        times[i - s] = ring_[Slot(i)].Time;
    }
    const PlainWindow plain = FitPlainWindow(times, count, b, work_.get() + kTickRingSize);
    const std::int64_t m = MedianStart(s);
    const double amplitude =
        m + 1 < w - 1 ? RobustMedian(m + 1, w - 1, MedianField::Amplitude) : previous.Amplitude;
    const double beatError = m < w ? RobustMedian(m, w, MedianField::BeatError) : record.BeatError;
    WindowFigures figures;
    figures.consecutive = plain.consecutive;
    figures.scatter = plain.scatter;
    figures.largest = plain.largest;
    figures.rateError = plain.rateError;
    std::copy_n(plain.parityRate, 2, figures.parityRate);
    std::copy_n(plain.parityError, 2, figures.parityError);
    figures.amplitudesAgree = AmplitudesAgree(m + 1, w - 1, amplitude, false, figures.parityGap);
    figures.onFirstSounds = observer_.OnsetsOnFirstSounds();
    figures.louderBeforePeak = Share(s, w, &TickRecord::LouderBeforePeak);
    // Ticks and tocks sound apart: a short drop may follow a louder impulse in one only. The
    // later bursts are taken for drops only when ticks and tocks then read the same
    // amplitude: an echo and the case's ringing together may sound as loud as a short drop.
    figures.dropAfterPeak = std::max(Share(s, w, &TickRecord::DropAfterPeak, 2),
                                     Share(s + 1, w, &TickRecord::DropAfterPeak, 2));
    laterDrops_ = figures.dropAfterPeak >= kMaxDropAfterPeak && m + 1 < w - 1 &&
                  LaterDropsAgree(m + 1, w - 1, liftAngle);
    if (!laterDrops_) {
        figures.dropAfterPeak = 0.0;
    }
    figures.beatError = beatError;
    figures.amplitude = amplitude;
    figures.liftAngle = liftAngle;
    figures.beatFrequency = b;
    if (!HoldsTogether(figures)) {
        RepairWindow(w, s, period, liftAngle);
        return;
    }

    record.Span = static_cast<double>(w - s) / b;
    record.RateError = plain.rate;
    record.AmplitudeMedian = amplitude;
    record.BeatErrorMedian = beatError;
    record.Plain = true;
    record.UsedShare = 1.0;
    record.Scatter = plain.scatter * 1000.0; // ms
    record.Trusted = Trusted(figures);
    record.Valid = true;
    // Every beat of the window agrees with the plain fit: the repair's choice for each is its
    // own measurement, should a later window need repairing. After a window that held, only
    // the newest two beats have changed (the previous one's amplitude and beat error).
    const bool heldBefore = previous.Valid && previous.Plain;
    for (std::int64_t i = heldBefore ? w - 1 : s; i <= w; ++i) {
        TickRecord& r = ring_[Slot(i)];
        r.Beat = ring_[Slot(s)].Beat + (i - s);
        r.RepairedTime = r.Time;
        r.RepairedPeakDelay = r.PeakDelay;
        r.FirstSound = -1.0;
        r.SoundShift = 0.0f;
        r.Aligned = false;
        r.RepairedAmplitude = r.Amplitude;
        r.RepairedBeatError = r.BeatError;
        r.Used = r.AmplitudeUsed = r.BeatErrorUsed = true;
    }
}

// The window s ... w that does not hold together as measured: beats that depart from robust
// lines are set aside, the newest may take its aligned time, and the medians count only what
// agrees. Beats are numbered by their repaired times, missed ones counted.
void SignalAnalysis::RepairWindow(std::int64_t w, std::int64_t s, int period, int liftAngle) {
    const double b = beatFrequency_;
    auto time = [this](std::int64_t i) { return ring_[Slot(i)].RepairedTime; };
    auto beat = [this](std::int64_t i) { return ring_[Slot(i)].Beat; };
    TickRecord& record = ring_[Slot(w)];
    const std::int64_t beats = beat(w) - beat(s); // missed beats included
    record.Span = static_cast<double>(beats) / b;
    record.Plain = false;

    // Rate: one fit over the ticks and one over the tocks, so the beat error stays out.
    const double ts = time(s);
    const std::int64_t bs = beat(s);
    auto x = [&](std::int64_t i) { return static_cast<double>(beat(i) - bs) / b; }; // nominal s
    auto y = [&](std::int64_t i) { return time(i) - ts; };                          // measured s
    auto parityOf = [&](std::int64_t i) { return static_cast<int>((beat(i) - bs) & 1); };
    double* const magnitudes = work_.get();
    // Which of the window's records are set aside; a record's slot in `aside` is i - s.
    double* const aside = work_.get() + 2 * kTickRingSize;

    LineSums sums[2];
    for (std::int64_t i = s; i <= w; ++i) {
        sums[parityOf(i)].Add(x(i), y(i));
    }
    LineFit fits[2] = {SolveLine(sums[0]), SolveLine(sums[1])};

    // Departures from the fits, and how widely the window scatters about them.
    double limit = kOutlierFloor;
    auto setAsideBeyond = [&](const LineFit* lines, double within) {
        int n = 0;
        for (std::int64_t i = s; i <= w; ++i) {
            const bool out = std::fabs(lines[parityOf(i)].Residual(x(i), y(i))) > within;
            aside[i - s] = out ? 1.0 : 0.0;
            n += out ? 1 : 0;
        }
        return n;
    };
    auto judge = [&](const LineFit* lines, bool onlyUsed) {
        int n = 0;
        for (std::int64_t i = s; i <= w; ++i) {
            if (!onlyUsed || aside[i - s] == 0.0) {
                magnitudes[n++] = std::fabs(lines[parityOf(i)].Residual(x(i), y(i)));
            }
        }
        const double sigma = 1.4826 * MedianInPlace(magnitudes, n);
        limit = std::max(kOutlierSigmas * sigma, kOutlierFloor);
        return std::pair{setAsideBeyond(lines, limit), sigma};
    };
    auto refit = [&]() {
        LineSums used[2];
        for (std::int64_t i = s; i <= w; ++i) {
            if (aside[i - s] == 0.0) {
                used[parityOf(i)].Add(x(i), y(i));
            }
        }
        for (int p = 0; p < 2; ++p) {
            if (used[p].n >= 2) {
                fits[p] = SolveLine(used[p]);
            }
        }
    };
    // Refits on the beats that agree, judges the window about the new lines, refits again.
    auto refine = [&]() {
        refit();
        const auto judged = judge(fits, true);
        refit();
        return judged;
    };
    auto [setAside, sigma] = judge(fits, false);
    // Beats split between two sounds of the beat pull the plain lines between them, and
    // then no single one departs: a scatter that wide restarts the lines as well.
    if (setAside > 0 || sigma > kOutlierFloor) {
        // Strays bend a least-squares line: start again from lines through the medians of
        // the slopes between points half a window apart, then refit on what agrees with them.
        LineFit robust[2];
        double* const xs = magnitudes;
        double* const ys = work_.get() + kTickRingSize;
        auto collect = [&](int p) {
            int n = 0;
            for (std::int64_t i = s; i <= w; ++i) {
                if (parityOf(i) == p) {
                    xs[n] = x(i);
                    ys[n] = y(i);
                    ++n;
                }
            }
            return n;
        };
        for (int p = 0; p < 2; ++p) {
            const int n = collect(p);
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
        std::tie(setAside, sigma) = refine();
        if (sigma > kMaxScatter) {
            // Still between sounds: under noise the onsets may fall on three sounds of the
            // beat and on noise, none of them on most beats, and the medians then lie between
            // them. Start again from the line most beats agree with, and keep it where those
            // beats sit on one sound, so tightly that their own outlier limit lies within
            // kOutlierFloor; timings merely ragged spread evenly about any line and stay as
            // the medians judged them.
            double* const judged = work_.get() + 3 * kTickRingSize;
            std::copy_n(aside, w - s + 1, judged);
            const LineFit kept[2] = {fits[0], fits[1]};
            const auto keptJudgement = std::pair{setAside, sigma};
            const double keptLimit = limit;
            for (int p = 0; p < 2; ++p) {
                LineMostAgreeWith(xs, ys, collect(p), kOutlierFloor, kConsensusLines, robust[p]);
            }
            setAsideBeyond(robust, kOutlierFloor);
            std::tie(setAside, sigma) = refine();
            if (kOutlierSigmas * sigma > kOutlierFloor) {
                std::copy_n(judged, w - s + 1, aside);
                fits[0] = kept[0];
                fits[1] = kept[1];
                std::tie(setAside, sigma) = keptJudgement;
                limit = keptLimit;
            }
        }
    }

    // The newest beat set aside: where the alignment offers a time that agrees with the
    // window, the beat takes it and the window is measured again.
    if (aside[w - s] != 0.0 && record.Aligned) {
        const double r = fits[parityOf(w)].Residual(x(w), record.AlignedTime - ts);
        if (std::fabs(r) <= limit) {
            observer_.TakeAlignedTime(w);
            RepairWindow(w, s, period, liftAngle);
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
    // The set-aside beats' departures from their lines, for the two judgements below.
    double* const strays = work_.get() + 3 * kTickRingSize;
    int strayCount = 0;
    for (std::int64_t i = s; i <= w; ++i) {
        if (aside[i - s] != 0.0) {
            strays[strayCount++] = fits[parityOf(i)].Residual(x(i), y(i));
        }
    }
    const bool straysTogether = StraysTogether(strays, strayCount);
    const bool earlier = EarlierSoundLeftOut(s, w, aside, strays, strayCount, limit);
    JudgeByWindow(s, w, aside);
    record.UsedShare = static_cast<double>(used[0] + used[1]) / static_cast<double>(beats + 1);
    // Beats heard on time matter only where too few are used for any verdict.
    const double heard = record.UsedShare < kMinUsedShare ? HeardOnTime(s, w, aside, fits) : 0.0;
    record.Scatter = sigma * 1000.0; // ms

    LineFit chosen = fits[1].quality > fits[0].quality ? fits[1] : fits[0];
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
    record.RateError = chosen.Rate();
    const double rates[2] = {fits[0].Rate(), fits[1].Rate()};
    const double errors[2] = {fits[0].RateError(), fits[1].RateError()};

    // The previous beat's amplitude from its chosen time and lift.
    TickRecord& previous = ring_[Slot(w - 1)];
    const double interval = (record.RepairedTime - previous.RepairedTime) /
                            static_cast<double>(record.Beat - previous.Beat);
    const double lift =
        (previous.FirstSound < 0.0
             ? previous.RepairedPeakDelay
             : previous.RepairedTime + previous.RepairedPeakDelay - previous.FirstSound) -
        previous.LiftBias + (laterDrops_ && previous.DropAfterPeak ? previous.DropDelay : 0.0);
    previous.RepairedAmplitude = liftAngle / (2.0 * std::sin(kHalfPi * lift / interval));

    const std::int64_t m = MedianStart(s);
    record.AmplitudeMedian = m + 1 < w - 1 ? MedianOfUsed(m + 1, w - 1, MedianField::Amplitude)
                                           : previous.RepairedAmplitude;

    const TickRecord& before = ring_[Slot(w - 2)];
    auto soundTime = [](const TickRecord& r) { return r.RepairedTime + r.SoundShift; };
    record.RepairedBeatError =
        std::fabs(soundTime(record) - 2.0 * soundTime(previous) + soundTime(before)) * 500.0; // ms
    if (record.Beat % 2 != 0) {
        previous.RepairedBeatError = record.RepairedBeatError;
    }
    record.BeatErrorMedian =
        m < w ? MedianOfUsed(m, w, MedianField::BeatError) : record.RepairedBeatError;

    // The verdict. Amplitudes that scatter widely come from loudest points taken on noise
    // rather than on the drop, and their median leans; ticks and tocks timed on different
    // sounds give amplitudes apart and a beat error of about a lift time.
    WindowFigures figures;
    figures.consecutive = beats == w - s;
    figures.usedShare = record.UsedShare;
    figures.heardShare = heard;
    figures.scatter = sigma;
    figures.rateError = rateError;
    std::copy_n(rates, 2, figures.parityRate);
    std::copy_n(errors, 2, figures.parityError);
    figures.amplitudesAgree =
        AmplitudesAgree(m + 1, w - 1, record.AmplitudeMedian, true, figures.parityGap);
    figures.beatError = record.BeatErrorMedian;
    figures.amplitude = record.AmplitudeMedian;
    figures.liftAngle = liftAngle;
    figures.beatFrequency = b;
    figures.onFirstSounds = !earlier;
    figures.straysTogether = straysTogether;
    if (m + 1 < w - 1) {
        figures.amplitudeShare = Share(m + 1, w - 1, &TickRecord::AmplitudeUsed);
    }
    figures.louderBeforePeak = Share(s, w, &TickRecord::LouderBeforePeak);
    record.Trusted = Trusted(figures);
    record.Valid = true;
}

// The share of the window's beats heard on time, the smaller of the ticks' and the tocks':
// those used, and those set aside whose loudest points still sit where the used beats of their
// parity have theirs (the parity's line plus their median lift, within the larger of
// kOutlierFloor and kOutlierSigmas robust deviations of those lifts). Under noise the onsets
// of such beats were taken on noise before or after the beat; the beat itself sounded on time.
// 0 where the drops do not tell: too few beats used, loudest points that scatter as widely as
// kMaxScatter (taken on noise themselves), or ticks and tocks that do not lift alike within
// kHeardLifts (one parity timed on another sound of the beat than the other). Beats set aside
// with their onsets early by less than the lift, more than kTogetherOnsets of them within
// kEarlierAgreement of each other, were timed on an earlier sound of the beat than the used
// ones, not on noise, and are not counted. `aside` marks the set-aside beats.
double SignalAnalysis::HeardOnTime(std::int64_t s, std::int64_t w, const double* aside,
                                   const LineFit* fits) {
    const std::int64_t first = ring_[Slot(s)].Beat;
    const double start = ring_[Slot(s)].RepairedTime;
    auto parityOf = [&](std::int64_t i) {
        return static_cast<int>((ring_[Slot(i)].Beat - first) & 1);
    };
    // A record's departure from its parity's line, of its onset or of its loudest point.
    auto departure = [&](std::int64_t i, bool loudest) {
        const TickRecord& r = ring_[Slot(i)];
        const double x = static_cast<double>(r.Beat - first) / beatFrequency_;
        const double y = r.RepairedTime + (loudest ? r.RepairedPeakDelay : 0.0) - start;
        return fits[parityOf(i)].Residual(x, y);
    };
    double* const values = work_.get();
    double* const deviations = work_.get() + kTickRingSize;
    const std::int64_t beats = ring_[Slot(w)].Beat - first + 1; // missed ones included
    double share = 1.0;
    double lifts[2] = {0.0, 0.0};
    for (int p = 0; p < 2; ++p) {
        int n = 0;
        for (std::int64_t i = s; i <= w; ++i) {
            if (parityOf(i) == p && aside[i - s] == 0.0) {
                values[n++] = departure(i, true);
            }
        }
        if (n < kMinSpreadBeats) {
            return 0.0;
        }
        const double lift = MedianInPlace(values, n);
        for (int k = 0; k < n; ++k) {
            deviations[k] = std::fabs(values[k] - lift);
        }
        const double spread = 1.4826 * MedianInPlace(deviations, n);
        if (spread > kMaxScatter) {
            return 0.0;
        }
        const double within = std::max(kOutlierFloor, kOutlierSigmas * spread);
        lifts[p] = lift;

        double* const earlies = deviations; // the set-aside onsets early by less than the lift
        int e = 0;
        for (std::int64_t i = s; i <= w; ++i) {
            const double early = -departure(i, false);
            if (parityOf(i) == p && aside[i - s] != 0.0 && early > 0.0 && early < lift) {
                earlies[e++] = early;
            }
        }
        std::sort(earlies, earlies + e);
        auto together = [&](double early) {
            return std::upper_bound(earlies, earlies + e, early + kEarlierAgreement) -
                       std::lower_bound(earlies, earlies + e, early - kEarlierAgreement) >
                   kTogetherOnsets;
        };
        int heard = n;
        for (std::int64_t i = s; i <= w; ++i) {
            if (parityOf(i) != p || aside[i - s] == 0.0) {
                continue;
            }
            const double early = -departure(i, false);
            const bool earlierSound = early > 0.0 && early < lift && together(early);
            if (!earlierSound && std::fabs(departure(i, true) - lift) <= within) {
                ++heard;
            }
        }
        const std::int64_t count = (beats + 1 - p) / 2;
        share = std::min(share, static_cast<double>(heard) / static_cast<double>(count));
    }
    if (std::fabs(lifts[0] - lifts[1]) > kHeardLifts * std::max(lifts[0], lifts[1])) {
        return 0.0;
    }
    return share;
}

// Whether the window's beats set aside sit together (kStraysTogetherShare of them within
// kStraysTogether of their median): timed on another sound of the beat, not on noise.
// `strays`: their n departures from the window's lines, reordered here.
bool SignalAnalysis::StraysTogether(double* strays, int n) {
    if (n < kStrayBeats) {
        return false;
    }
    std::nth_element(strays, strays + n / 2, strays + n);
    const double median = strays[n / 2];
    const auto together = std::count_if(strays, strays + n, [median](double r) {
        return std::fabs(r - median) <= kStraysTogether;
    });
    return static_cast<double>(together) >= kStraysTogetherShare * static_cast<double>(n);
}

// The window's medians count its beats as the window judges them, not as the windows that
// first judged them did: beats taken before the lines settled, on noise or on another sound,
// stay out of the amplitude and beat error once the window sets them aside, and come back when
// it takes them. `aside` marks the beats s ... w set aside.
void SignalAnalysis::JudgeByWindow(std::int64_t s, std::int64_t w, const double* aside) {
    for (std::int64_t i = s; i <= w; ++i) {
        ring_[Slot(i)].Used = aside[i - s] == 0.0;
    }
    // An amplitude is measured between a beat and the next.
    for (std::int64_t i = s; i < w; ++i) {
        ring_[Slot(i)].AmplitudeUsed = ring_[Slot(i)].Used && ring_[Slot(i + 1)].Used;
    }
    // A beat error counts when its three beats are used and consecutive; a tock's is its
    // tick's as well.
    for (std::int64_t i = std::min(s + 2, w); i <= w; ++i) {
        TickRecord& r = ring_[Slot(i)];
        const TickRecord& before = ring_[Slot(i - 2)];
        r.BeatErrorUsed =
            r.Used && ring_[Slot(i - 1)].Used && before.Used && r.Beat - before.Beat == 2;
        if (r.Beat % 2 != 0) {
            ring_[Slot(i - 1)].BeatErrorUsed = r.BeatErrorUsed;
        }
    }
}

// Beats set aside that came steadily earlier than the window's lines, enough of them and all
// by about the same time, were timed on a sound of the beat before the one the window's
// onsets sit on: a quiet unlocking that only some beats' onsets catch under noise. The
// window's lifts then start late and its amplitude reads high, so it is not trusted. True
// when the used beats' lifts start more than `limit` after that sound. `aside` marks the
// window's set-aside beats, `strays` their `count` departures from its lines (overwritten),
// `limit` their least departure.
bool SignalAnalysis::EarlierSoundLeftOut(std::int64_t s, std::int64_t w, const double* aside,
                                         double* strays, int count, double limit) {
    double* const early = strays;
    int n = 0;
    for (int k = 0; k < count; ++k) {
        if (strays[k] < -limit) {
            early[n++] = strays[k];
        }
    }
    if (n < kEarlierBeats || n < kEarlierShare * static_cast<double>(w - s + 1)) {
        return false;
    }
    if (MiddleHalfInPlace(early, n) > kEarlierAgreement) {
        return false;
    }
    const double distance = -early[n / 2];
    // The lifts of the beats used may already start before their onsets, from their
    // shapes' first sounds: only what is left of the distance lengthens them.
    int used = 0;
    for (std::int64_t i = s; i <= w; ++i) {
        if (aside[i - s] == 0.0) {
            const TickRecord& r = ring_[Slot(i)];
            early[used++] = r.FirstSound < 0.0 ? 0.0 : r.FirstSound - r.RepairedTime;
        }
    }
    return distance + (used > 0 ? MedianInPlace(early, used) : 0.0) > limit;
}

// The share of the records first, first + step ... up to last whose `flag` is set.
double SignalAnalysis::Share(std::int64_t first, std::int64_t last, bool TickRecord::*flag,
                             int step) const {
    int set = 0;
    int all = 0;
    for (std::int64_t i = first; i <= last; i += step) {
        set += ring_[Slot(i)].*flag ? 1 : 0;
        ++all;
    }
    return all > 0 ? static_cast<double>(set) / static_cast<double>(all) : 0.0;
}

// Whether ticks and tocks read the same amplitude (within kParityAmplitudes) over the records
// first ... last when each lift that has a later drop is taken to it.
bool SignalAnalysis::LaterDropsAgree(std::int64_t first, std::int64_t last, int liftAngle) {
    double* const values[2] = {work_.get(), work_.get() + kTickRingSize};
    int counts[2] = {0, 0};
    for (std::int64_t i = std::max(first, last - kSpreadBeats); i <= last; ++i) {
        const TickRecord& r = ring_[Slot(i)];
        const double interval = ring_[Slot(i + 1)].Time - r.Time;
        const double lift = r.PeakDelay - r.LiftBias + (r.DropAfterPeak ? r.DropDelay : 0.0);
        const int p = static_cast<int>(i & 1);
        values[p][counts[p]++] = liftAngle / (2.0 * std::sin(kHalfPi * lift / interval));
    }
    if (counts[0] == 0 || counts[1] == 0) {
        return false;
    }
    const double own[2] = {MedianInPlace(values[0], counts[0]),
                           MedianInPlace(values[1], counts[1])};
    return std::fabs(own[0] - own[1]) <= kParityAmplitudes * 0.5 * (own[0] + own[1]);
}

namespace {

// Whether a good share of the beats lift alike but well apart from the rest, each parity's
// amplitudes `values` (counts of them) judged about its own median `own`: those beats took
// their loudest points on another sound of the beat. Under noise a long loud impulse and a
// short drop take turns, and the median reads whichever wins more often; noise scatters its
// strays. Judged only in a window being repaired: one that holds together as measured keeps
// the plain reading, its beats perhaps alternating between two sounds of nearly equal
// loudness.
bool SplitBetweenTwoSounds(double* const values[2], const int counts[2], const double own[2],
                           double median) {
    double apart[2 * kSpreadBeats + 2];
    int far = 0;
    for (int p = 0; p < 2; ++p) {
        for (int k = 0; k < counts[p]; ++k) {
            const double d = values[p][k] - own[p];
            if (std::fabs(d) > kApartAmplitude * median) {
                apart[far++] = d;
            }
        }
    }
    return far >= kApartBeats && far >= kApartShare * (counts[0] + counts[1]) &&
           MiddleHalfInPlace(apart, far) <= kApartTogether * median;
}

} // namespace

// Whether the beats' amplitudes keep within kMaxAmplitudeSpread of their median (robustly),
// over the last kSpreadBeats beats of first ... last at most, each about its parity's own
// median (a watch's ticks and tocks may swing a little differently); and, in parityGap, how
// far apart those two medians are, as a share of the median (0 with too few of either). repaired:
// the repair's amplitudes of the beats it used, else the plain ones of every beat.
bool SignalAnalysis::AmplitudesAgree(std::int64_t first, std::int64_t last, double median,
                                     bool repaired, double& parityGap) {
    double* const values[2] = {work_.get(), work_.get() + kTickRingSize};
    double* const departures = work_.get() + 2 * kTickRingSize;
    int counts[2] = {0, 0};
    parityGap = 0.0;
    for (std::int64_t i = std::max(first, last - kSpreadBeats); i <= last; ++i) {
        const TickRecord& r = ring_[Slot(i)];
        if (!repaired) {
            const int p = static_cast<int>(i & 1);
            values[p][counts[p]++] = r.Amplitude;
        } else if (r.AmplitudeUsed) {
            const int p = static_cast<int>(r.Beat & 1);
            values[p][counts[p]++] = r.RepairedAmplitude;
        }
    }
    int n = 0;
    double own[2] = {0.0, 0.0};
    for (int p = 0; p < 2; ++p) {
        std::copy_n(values[p], counts[p], departures + n);
        if (counts[p] > 0) {
            own[p] = MedianInPlace(departures + n, counts[p]);
            for (int k = 0; k < counts[p]; ++k) {
                departures[n + k] = std::fabs(values[p][k] - own[p]);
            }
        }
        n += counts[p];
    }
    if (n < kMinSpreadBeats) {
        return true;
    }
    if (counts[0] >= kMinSpreadBeats / 2 && counts[1] >= kMinSpreadBeats / 2) {
        const double apart = std::fabs(own[0] - own[1]);
        parityGap = apart == 0.0 ? 0.0 : median > 0.0 ? apart / median : HUGE_VAL;
    }
    if (repaired && SplitBetweenTwoSounds(values, counts, own, median)) {
        return false;
    }
    return 1.4826 * MedianInPlace(departures, n) <= kMaxAmplitudeSpread * median;
}

// The median of the repair's values over the records that count for the field; over all of
// them when every one does (or none does).
double SignalAnalysis::MedianOfUsed(std::int64_t first, std::int64_t last, MedianField field) {
    const bool amplitude = field == MedianField::Amplitude;
    auto value = [this, amplitude](std::int64_t i) {
        const TickRecord& r = ring_[Slot(i)];
        return amplitude ? r.RepairedAmplitude : r.RepairedBeatError;
    };
    double* const values = work_.get();
    int n = 0;
    bool all = true;
    for (std::int64_t i = first; i <= last; ++i) {
        const TickRecord& r = ring_[Slot(i)];
        if (amplitude ? r.AmplitudeUsed : r.BeatErrorUsed) {
            values[n++] = value(i);
        } else {
            all = false;
        }
    }
    if (all || n == 0) {
        return median_.Median(first, last, value);
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
    // A tick-ending and a tock-ending window together; a trusted window that set beats aside
    // alone when the one before it was not trusted (that median may still count another
    // sound of the beat).
    result.BeatError = record.BeatErrorMedian;
    if (readIndex_ >= firstIndex_ + 5) {
        const TickRecord& previous = ring_[Slot(readIndex_ - 1)];
        if (previous.Trusted || !record.Trusted || record.UsedShare >= 1.0) {
            result.BeatError = (record.BeatErrorMedian + previous.BeatErrorMedian) / 2.0;
        }
    }
    result.Time = record.Time;
    result.Valid = record.Valid;
    result.Used = record.UsedShare;
    result.Scatter = record.Scatter;
    result.Trusted = record.Trusted;
    ++readIndex_;
    return true;
}

} // namespace dsp
