// Whole-beat alignment. The threshold onset is a coarse first step: noise that crosses the
// threshold just before a tick makes it early, a tick whose first sound stays below it makes
// it late. Each beat's envelope is compared with the averaged shape of the recent beats of
// its parity (ticks and tocks sound different), and where the best alignment puts the beat
// away from where its threshold onset usually sits, its time (and its peak) is taken from the
// alignment instead. A beat whose onset agrees within a small tolerance keeps its exact
// threshold time, so a clean recording is measured exactly as before.
#include "dsp/DSP.h"

#include <algorithm>
#include <cmath>

namespace dsp {

namespace {

constexpr int kShapeWarmup = 4;          // beats averaged before any is aligned
constexpr int kShapeMemory = 16;         // beats; the shape then follows the watch slowly
constexpr double kMinCorrelation = 0.5;  // normalised correlation of a confident alignment
constexpr double kAlignTolerance = 1e-4; // s; a departure within it leaves the onset alone

} // namespace

void SignalAnalysis::ResetShapes() {
    for (ParityShape& shape : shapes_) {
        shape = ParityShape{};
    }
}

// Mean level of the shape point whose first sample is `from`; samples not heard yet (after
// `now`), from before the test or already overwritten in the history count as silence.
double SignalAnalysis::Envelope(std::int64_t from, std::int64_t now) const {
    double sum = 0.0;
    const std::int64_t oldest = std::max<std::int64_t>(0, now - kHistorySize + 1);
    const std::int64_t first = std::max(from, oldest);
    const std::int64_t last = std::min(from + shapeStep_ - 1, now);
    for (std::int64_t i = first; i <= last; ++i) {
        sum += history_[i & (kHistorySize - 1)];
    }
    return sum / shapeStep_;
}

void SignalAnalysis::CompleteRecord(std::int64_t w, std::int64_t now, int period, int liftAngle) {
    if (shapeStep_ > 0) {
        AlignBeat(w, now);
    }
    if (w >= firstIndex_ + 4) {
        RecordResults(w, period, liftAngle);
    }
}

void SignalAnalysis::AlignBeat(std::int64_t w, std::int64_t now) {
    TickRecord& record = ring_[Slot(w)];
    ParityShape& parity = shapes_[record.Beat & 1];
    BeatShape& shape = parity.Shape;
    const int step = shapeStep_;
    const int range = lagRange_;
    const int points = kShapePoints + 2 * range;
    double* const e = envelope_.get();
    const std::int64_t origin =
        record.OnsetSample - static_cast<std::int64_t>(shapeBefore_ + range) * step;
    for (int j = 0; j < points; ++j) {
        e[j] = Envelope(origin + static_cast<std::int64_t>(j) * step, now);
    }

    if (shape.Beats < kShapeWarmup) {
        // The first beats of each parity are averaged as their onsets place them.
        const double weight = 1.0 / (shape.Beats + 1);
        for (int k = 0; k < kShapePoints; ++k) {
            shape.Level[k] += weight * (e[range + k] - shape.Level[k]);
        }
        ++shape.Beats;
        parity.Lags[parity.LagNext] = 0.0;
        parity.LagNext = (parity.LagNext + 1) % kRecentLags;
        parity.LagCount = std::min(parity.LagCount + 1, kRecentLags);
        return;
    }

    // Only the start of the shape is matched: the first sound up to a little past halfway
    // to the loudest point (the drop). Matching the drop as well would move the onset of
    // every beat whose lift time differs from the recent ones, and hide the amplitude.
    int loudest = shapeBefore_;
    for (int k = shapeBefore_; k < kShapePoints; ++k) {
        if (shape.Level[k] > shape.Level[loudest]) {
            loudest = k;
        }
    }
    const int matched =
        std::min(kShapePoints, shapeBefore_ + std::max(8, (6 * (loudest - shapeBefore_) + 9) / 10));
    // The shape less its mean, so that a steady noise floor does not pull the alignment.
    double mean = 0.0;
    for (int k = 0; k < matched; ++k) {
        mean += shape.Level[k];
    }
    mean /= matched;
    double t[kShapePoints] = {};
    double shapeNorm = 0.0;
    for (int k = 0; k < matched; ++k) {
        t[k] = shape.Level[k] - mean;
        shapeNorm += t[k] * t[k];
    }
    if (shapeNorm <= 0.0) {
        return;
    }

    // Normalised correlation: the louder drop of a beat must not outscore its first sound.
    // Running sums of the envelope and its squares give each segment's spread at once.
    double* const sum = e + points;             // sum[j]: e[0] + ... + e[j - 1]
    double* const squares = sum + points + 1;   // likewise for e^2
    sum[0] = 0.0;
    squares[0] = 0.0;
    for (int j = 0; j < points; ++j) {
        sum[j + 1] = sum[j] + e[j];
        squares[j + 1] = squares[j] + e[j] * e[j];
    }
    auto normalised = [&](double product, int first) {
        const double s1 = sum[first + matched] - sum[first];
        const double s2 = squares[first + matched] - squares[first];
        const double spread = s2 - s1 * s1 / matched;
        return spread > 0.0 ? product / std::sqrt(shapeNorm * spread) : 0.0;
    };
    auto score = [&](int lag) {
        const double* segment = e + range + lag;
        double product = 0.0;
        for (int k = 0; k < matched; ++k) {
            product += t[k] * segment[k];
        }
        return normalised(product, range + lag);
    };
    // Coarse search every fourth lag on points summed in fours, then every lag near the best.
    constexpr int kGroup = 4;
    constexpr int kGroups = kShapePoints / kGroup;
    const int groups = (matched + kGroup - 1) / kGroup;
    double tc[kGroups];
    for (int q = 0; q < groups; ++q) {
        tc[q] = t[kGroup * q] + t[kGroup * q + 1] + t[kGroup * q + 2] + t[kGroup * q + 3];
    }
    const int groupRange = range / kGroup;
    int bestGroup = 0;
    double bestGroupScore = -1e300;
    for (int l = -groupRange; l <= groupRange; ++l) {
        const int first = range + kGroup * l;
        double product = 0.0;
        for (int q = 0; q < groups; ++q) {
            const int j = first + kGroup * q;
            product += tc[q] * (sum[std::min(j + kGroup, points)] - sum[j]);
        }
        const double s = normalised(product, first);
        if (s > bestGroupScore) {
            bestGroupScore = s;
            bestGroup = l;
        }
    }
    const int from = std::max(-range, kGroup * bestGroup - kGroup);
    const int to = std::min(range, kGroup * bestGroup + kGroup);
    int best = from;
    double bestScore = -1e300;
    for (int l = from; l <= to; ++l) {
        const double s = score(l);
        if (s > bestScore) {
            bestScore = s;
            best = l;
        }
    }
    // Between points: the vertex of the parabola through the best score and its neighbours.
    double fraction = 0.0;
    if (best > -range && best < range) {
        const double before = score(best - 1);
        const double after = score(best + 1);
        const double curvature = before - 2.0 * bestScore + after;
        if (curvature < 0.0) {
            fraction = std::clamp(0.5 * (before - after) / curvature, -0.5, 0.5);
        }
    }
    const double correlation = bestScore;
    if (!(correlation >= kMinCorrelation)) {
        return; // nothing like the recent beats: the window's fit judges it
    }

    // Where the threshold onsets of this parity usually sit against the shape.
    const double lag = (best + fraction) * step; // samples
    double recent[kRecentLags];
    std::copy_n(parity.Lags.begin(), parity.LagCount, recent);
    std::nth_element(recent, recent + parity.LagCount / 2, recent + parity.LagCount);
    const double usual = recent[parity.LagCount / 2];
    parity.Lags[parity.LagNext] = lag;
    parity.LagNext = (parity.LagNext + 1) % kRecentLags;
    parity.LagCount = std::min(parity.LagCount + 1, kRecentLags);

    const double departure = lag - usual; // samples
    if (std::fabs(departure) * samplePeriod_ > kAlignTolerance) {
        const double onset = static_cast<double>(record.OnsetSample) + departure;
        record.Time = onset * samplePeriod_;
        // The loudest sample of the peak window as the detector would have searched it from
        // the aligned onset; the earliest of equal maxima wins.
        const std::int64_t start = static_cast<std::int64_t>(std::nearbyint(onset));
        const std::int64_t first = std::max(start + minLiftSamples_, now - kHistorySize + 1);
        const std::int64_t last =
            std::min(start + std::max<std::int64_t>(peakSamples_, minLiftSamples_ + 1) - 1, now);
        std::int64_t peakAt = -1;
        float peak = -1.0f;
        for (std::int64_t i = std::max<std::int64_t>(first, 0); i <= last; ++i) {
            const float level = history_[i & (kHistorySize - 1)];
            if (level > peak) {
                peak = level;
                peakAt = i;
            }
        }
        if (peakAt >= 0) {
            record.PeakDelay = static_cast<double>(peakAt) * samplePeriod_ - record.Time;
        }
        // The beat numbers follow the aligned time.
        if (w > firstIndex_) {
            const TickRecord& previous = ring_[Slot(w - 1)];
            const double beats = std::nearbyint((record.Time - previous.Time) * beatFrequency_);
            record.Beat =
                previous.Beat + std::max<std::int64_t>(
                                    1, static_cast<std::int64_t>(std::min(beats, 1e9)));
        }
    }

    const int shift = best + (fraction > 0.25 ? 1 : (fraction < -0.25 ? -1 : 0));
    const double weight = 1.0 / std::min(shape.Beats + 1, kShapeMemory);
    for (int k = 0; k < kShapePoints; ++k) {
        const int j = std::clamp(range + shift + k, 0, points - 1);
        shape.Level[k] += weight * (e[j] - shape.Level[k]);
    }
    ++shape.Beats;
}

} // namespace dsp
