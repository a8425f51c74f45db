// Whole-beat alignment: the beat observer's candidates. The threshold onset is only a coarse
// first step under noise: noise that crosses the threshold just before a tick makes it early,
// and a tick whose first sound stays below the threshold puts it on the impulse or the drop
// instead. Each beat's envelope is aligned by normalised correlation on the averaged shape of
// the recent beats of its parity (ticks and tocks sound different); the shape's first sound
// then gives the beat's first sound. The alignment never touches what the detector measured
// (Time, PeakDelay): it offers an aligned time and a first sound, and writes only the repair's
// choice (RepairedTime, RepairedPeakDelay), which counts only in windows that do not hold
// together as measured.
#include "dsp/BeatObserver.h"

#include "dsp/DSP.h"
#include "dsp/Limits.h"
#include "dsp/WindowFit.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

namespace dsp {

using namespace limits;

namespace {

constexpr int kChunk = 4096; // the most samples stored at once

// products[l] = weights[0] * values[l] + ... + weights[n - 1] * values[l + n - 1] for l below
// lags, each summed in that order; four lags side by side, as their sums do not wait on each
// other.
void SlidingProducts(const double* weights, int n, const double* values, int lags,
                     double* products) {
    int l = 0;
    for (; l + 4 <= lags; l += 4) {
        double p0 = 0.0;
        double p1 = 0.0;
        double p2 = 0.0;
        double p3 = 0.0;
        const double* v = values + l;
        for (int k = 0; k < n; ++k) {
            const double w = weights[k];
            p0 += w * v[k];
            p1 += w * v[k + 1];
            p2 += w * v[k + 2];
            p3 += w * v[k + 3];
        }
        products[l] = p0;
        products[l + 1] = p1;
        products[l + 2] = p2;
        products[l + 3] = p3;
    }
    for (; l < lags; ++l) {
        double p = 0.0;
        for (int k = 0; k < n; ++k) {
            p += weights[k] * values[l + k];
        }
        products[l] = p;
    }
}

} // namespace

BeatObserver::BeatObserver(TickRecord* ring)
    : ring_(ring), history_(std::make_unique<float[]>(kHistorySize)),
      rawHistory_(std::make_unique<std::int16_t[]>(kHistorySize)),
      shapeScratch_(std::make_unique<double[]>(kChunk)),
      envelope_(std::make_unique<double[]>(9 * kShapePoints + 8)) {}

void BeatObserver::SetTiming(const Timing& timing) {
    sampleRate_ = timing.sampleRate;
    samplePeriod_ = 1.0 / timing.sampleRate;
    beatFrequency_ = timing.beatFrequency;
    minLiftSamples_ = timing.minLift;
    peakSamples_ = timing.peakEnd;
    thresholdLevel_ = timing.threshold;

    // Beat shapes: 0.3 beat in kShapePoints points, searched 0.12 beat either way. The level
    // history must reach back over the search from the end of a beat's peak window; at rates
    // too slow for that (below about 1800 bph) no shapes are kept.
    const std::int64_t beat = timing.beat;
    const std::int64_t step = (3 * beat + 10 * kShapePoints - 1) / (10 * kShapePoints);
    if (beat <= 0 || step <= 0) {
        shapeStep_ = 0;
        return;
    }
    const int before = static_cast<int>(std::nearbyint(0.1 * beat / step));
    const int range = 4 * static_cast<int>(std::nearbyint(0.03 * beat / step));
    if ((before + range) * step + peakSamples_ + 2 * step >= kHistorySize ||
        before + range >= kShapePoints) {
        shapeStep_ = 0;
        return;
    }
    if (shapeStep_ != step || shapeBefore_ != before || lagRange_ != range) {
        shapeStep_ = static_cast<int>(step);
        shapeBefore_ = before;
        lagRange_ = range;
        ResetShapes();
    }
}

void BeatObserver::Reset(std::int64_t firstRecord) {
    firstIndex_ = firstRecord;
    ResetShapes();
    liftBiasCount_ = 0;
    liftBiasNext_ = 0;
    shapeFilter_.Reset();
    shapeFilter_.SetKind(kFilterMedium);
}

const double* BeatObserver::Store(const std::int16_t* samples, int count, const double* levels,
                                  std::int64_t clock, bool filtered) {
    // The unfiltered samples are kept, for the lift's bias and the check of the peak window.
    const std::int64_t at = clock & (kHistorySize - 1);
    const std::int64_t first = std::min<std::int64_t>(count, kHistorySize - at);
    std::copy_n(samples, first, rawHistory_.get() + at);
    std::copy_n(samples + first, count - first, rawHistory_.get());
    if (!filtered) {
        // Unfiltered sound keeps rumble and hum; the beats' shapes are taken through a
        // band-pass all the same.
        shapeFilter_.Block(samples, count, shapeScratch_.get());
        return shapeScratch_.get();
    }
    return levels;
}

// The test's first record is beat 0.
void BeatObserver::NumberBeat(std::int64_t w) {
    TickRecord& record = ring_[Slot(w)];
    if (w <= firstIndex_) {
        record.Beat = 0;
        return;
    }
    const TickRecord& previous = ring_[Slot(w - 1)];
    const double beats =
        std::nearbyint((record.RepairedTime - previous.RepairedTime) * beatFrequency_);
    record.Beat =
        previous.Beat + std::max<std::int64_t>(1, static_cast<std::int64_t>(std::min(beats, 1e9)));
}

void BeatObserver::ResetShapes() {
    for (ParityShape& shape : shapes_) {
        shape = ParityShape{};
    }
    offsets_ = {};
    offsetCount_ = 0;
    offsetNext_ = 0;
    haveUsualOffset_ = false;
    usualOffset_ = 0.0;
    parityOffsets_[0] = parityOffsets_[1] = 0.0;
    noisy_ = false;
}

// Mean level of the shape point whose first sample is `from`; samples not heard yet (after
// `now`), from before the test or already overwritten in the history count as silence.
double BeatObserver::Envelope(std::int64_t from, std::int64_t now) const {
    double sum = 0.0;
    const std::int64_t oldest = std::max<std::int64_t>(0, now - kHistorySize + 1);
    const std::int64_t first = std::max(from, oldest);
    const std::int64_t last = std::min(from + shapeStep_ - 1, now);
    for (std::int64_t i = first; i <= last; ++i) {
        sum += history_[i & (kHistorySize - 1)];
    }
    return sum / shapeStep_;
}

// The point (with its fraction) where the shape's first sound starts: the first rise above
// the quiet before the loudest point by kFirstSound of the way to it. NaN for a flat shape.
double BeatObserver::FirstSound(const BeatShape& shape) const {
    const auto& level = shape.Level;
    const int loudest =
        static_cast<int>(std::max_element(level.begin(), level.end()) - level.begin());
    double quiet = level[0];
    if (loudest >= kQuietPoints) {
        double run = 0.0;
        for (int k = 0; k < kQuietPoints; ++k) {
            run += level[k];
        }
        quiet = run;
        for (int k = kQuietPoints; k < loudest; ++k) {
            run += level[k] - level[k - kQuietPoints];
            quiet = std::min(quiet, run);
        }
        quiet /= kQuietPoints;
    }
    // Under noise the averaged shape is still rough where it should be quiet: a first sound
    // must stand out of that roughness too.
    constexpr int kHead = kShapePoints / 5; // the points well before the onset
    double mean = 0.0;
    for (int k = 0; k < kHead; ++k) {
        mean += level[k];
    }
    mean /= kHead;
    double roughness = 0.0;
    for (int k = 0; k < kHead; ++k) {
        roughness += std::fabs(level[k] - mean);
    }
    roughness /= kHead;
    const double rise =
        quiet + std::max(kFirstSound * (level[loudest] - quiet), kQuietRoughness * roughness);
    if (!(level[loudest] > quiet)) {
        return std::numeric_limits<double>::quiet_NaN();
    }
    // A beat's shape is quiet for a while before its first sound; one loud from its start
    // has lost its beat (aligned on noise, say) and offers no first sound.
    for (int k = 1; k <= loudest; ++k) {
        if (level[k] >= rise) {
            if (k < kQuietPoints) {
                return std::numeric_limits<double>::quiet_NaN();
            }
            const double below = level[k - 1];
            return below >= rise ? k : k - 1 + (rise - below) / (level[k] - below);
        }
    }
    return loudest;
}

bool BeatObserver::ShapeMarks(int parity, double& firstSound, int& loudest) const {
    const BeatShape& shape = shapes_[parity & 1].Shape;
    if (shapeStep_ <= 0 || shape.Beats < kShapeWarmup) {
        return false;
    }
    firstSound = FirstSound(shape);
    if (!std::isfinite(firstSound)) {
        return false;
    }
    // The first sound lies before the loudest point by its definition.
    loudest = static_cast<int>(std::max_element(shape.Level.begin(), shape.Level.end()) -
                               shape.Level.begin());
    return true;
}

// Moves the shape so that its first sound sits at the onset point, where the threshold onset
// of a clean beat puts it; the points moved in are taken as quiet.
void BeatObserver::Recentre(BeatShape& shape) const {
    const double first = FirstSound(shape);
    if (!std::isfinite(first)) {
        return;
    }
    const int shift = static_cast<int>(std::nearbyint(first)) - shapeBefore_;
    if (shift == 0) {
        return;
    }
    auto& level = shape.Level;
    const double fill = shift > 0 ? level[kShapePoints - 1] : level[0];
    if (shift > 0) {
        for (int k = 0; k < kShapePoints; ++k) {
            level[k] = k + shift < kShapePoints ? level[k + shift] : fill;
        }
    } else {
        for (int k = kShapePoints - 1; k >= 0; --k) {
            level[k] = k + shift >= 0 ? level[k + shift] : fill;
        }
    }
}

// The parity's recent beats in the history, averaged at two beats apart ending with beat w,
// at the period (near the nominal one) that gives the sharpest shape; false when the
// history holds too few of them.
bool BeatObserver::FoldShape(std::int64_t w, std::int64_t now, BeatShape& shape) const {
    const TickRecord& record = ring_[Slot(w)];
    const std::int64_t step = shapeStep_;
    const std::int64_t oldest = std::max<std::int64_t>(0, now - kHistorySize + 1);
    const std::int64_t start = record.OnsetSample - shapeBefore_ * step;
    const double nominal = 2.0 * sampleRate_ / beatFrequency_; // samples
    std::array<double, kShapePoints> fold;
    double bestSpread = -1.0;
    int bestCount = 0;
    for (int r = -kFoldSteps; r <= kFoldSteps; ++r) {
        const double period = nominal * (1.0 + r * kFoldStep);
        fold.fill(0.0);
        int count = 0;
        for (int k = 0;; ++k) {
            const std::int64_t from = start - static_cast<std::int64_t>(std::nearbyint(k * period));
            if (from < oldest) {
                break;
            }
            for (int j = 0; j < kShapePoints; ++j) {
                fold[j] += Envelope(from + j * step, now);
            }
            ++count;
        }
        if (count < 3) {
            return false;
        }
        double sum = 0.0;
        double squares = 0.0;
        for (double v : fold) {
            sum += v;
            squares += v * v;
        }
        const double spread = squares - sum * sum / kShapePoints;
        if (spread > bestSpread) {
            bestSpread = spread;
            bestCount = count;
            for (int j = 0; j < kShapePoints; ++j) {
                shape.Level[j] = fold[j] / count;
            }
        }
    }
    shape.Beats = std::min(bestCount, kShapeWarmup / 2);
    return true;
}

// A band-pass changes the lift: its rise time delays the loudest sample more than the
// threshold crossing, and a band that favours another sound of the beat over a short drop
// puts the loudest point on that sound. Each beat's own change is its lift less the same
// measurement on the unfiltered sound; the median of the recent beats' is taken off every
// lift. A lift measured from the beat's first sound is compared from there, to the loudest
// point the alignment found after it.
void BeatObserver::MeasureLiftBias(std::int64_t w, std::int64_t now) {
    TickRecord& record = ring_[Slot(w)];
    const bool fromFirstSound = record.FirstSound >= 0.0;
    const std::int64_t onset =
        fromFirstSound
            ? static_cast<std::int64_t>(std::nearbyint(record.FirstSound / samplePeriod_))
            : record.OnsetSample;
    const std::int64_t peak =
        fromFirstSound
            ? static_cast<std::int64_t>(
                  std::nearbyint((record.RepairedTime + record.RepairedPeakDelay) / samplePeriod_))
            : onset + static_cast<std::int64_t>(std::nearbyint(record.PeakDelay / samplePeriod_));
    const std::int64_t reach =
        static_cast<std::int64_t>(std::nearbyint(kBiasReach / samplePeriod_));
    const std::int64_t oldest = std::max<std::int64_t>(0, now - kHistorySize + 1);
    if (onset - reach < oldest) {
        return;
    }
    const std::int16_t* const raw = rawHistory_.get();
    auto at = [&](std::int64_t i) { return std::abs(raw[i & (kHistorySize - 1)]); };
    const double threshold = thresholdLevel_ / kUnfilteredScale; // in sample steps
    // Unfiltered sound already past the threshold where the search starts carries hum or
    // rumble that the band takes out: its crossing is not the beat's, and the beat's onset
    // is taken as unchanged by the band.
    const std::int64_t lead = static_cast<std::int64_t>(std::nearbyint(kBiasLead / samplePeriod_));
    std::int64_t rawOnset = onset;
    if (at(onset - lead) < threshold) {
        for (std::int64_t i = onset - lead + 1; i <= onset; ++i) {
            if (at(i) >= threshold) {
                rawOnset = i;
                break;
            }
        }
    }
    bool far = false;
    std::int64_t rawPeak = peak;
    int loudest = -1;
    int after = 0; // the loudest sample after rawPeak
    for (std::int64_t i = peak - reach; i <= peak; ++i) {
        if (at(i) > loudest) {
            loudest = at(i);
            rawPeak = i;
            after = 0;
        } else {
            after = std::max(after, at(i));
        }
    }
    rawPeak_ = rawPeak;
    // A band that favours an earlier sound of the beat over its drop (a drop too short for
    // the band's rise time, say) puts the filtered loudest point on that sound; the
    // unfiltered sound then has a point far louder later in the peak window: the drop.
    const std::int64_t last =
        std::min(onset + std::max<std::int64_t>(peakSamples_, minLiftSamples_ + 1) - 1, now);
    // Levels are whole sample steps: at least the ceiling of the ratio's level is as loud.
    auto farLevel = [](int level) { return static_cast<int>(std::ceil(kFarPeakRatio * level)); };
    int farther = farLevel(loudest);
    for (std::int64_t i = peak + 1; i <= last; ++i) {
        const int level = at(i);
        after = std::max(after, level);
        if (level >= farther) {
            loudest = level;
            farther = farLevel(loudest);
            rawPeak = i;
            far = true;
        }
    }
    afterPeak_ = after;
    const double filteredLift = static_cast<double>(peak - onset) * samplePeriod_;
    liftBiases_[liftBiasNext_] =
        filteredLift - static_cast<double>(rawPeak - rawOnset) * samplePeriod_;
    farPeaks_[liftBiasNext_] = far;
    filteredLifts_[liftBiasNext_] = filteredLift;
    liftBiasNext_ = (liftBiasNext_ + 1) % kLiftBiases;
    liftBiasCount_ = std::min(liftBiasCount_ + 1, kLiftBiases);
    if (liftBiasCount_ < kLiftBiases / 4) {
        return;
    }
    // The band may put the loudest point on one sound of the beat in some beats and on
    // another in the rest: each beat takes the bias of the recent beats whose filtered
    // loudest point sits where its own does, or of all of them when too few do.
    const int n = liftBiasCount_;
    double values[kLiftBiases];    // the biases of the beats taken
    double farValues[kLiftBiases]; // of those that put the unfiltered drop elsewhere
    int m = 0;
    int f = 0;
    auto gather = [&](double within) {
        m = 0;
        f = 0;
        for (int j = 0; j < n; ++j) {
            if (std::fabs(filteredLifts_[j] - filteredLift) <= within) {
                values[m++] = liftBiases_[j];
                if (farPeaks_[j]) {
                    farValues[f++] = liftBiases_[j];
                }
            }
        }
    };
    gather(kBiasNeighbours);
    if (m < kLiftBiases / 8) {
        gather(std::numeric_limits<double>::infinity());
    }
    // A lift shortened by the band only when most of these beats show the drop elsewhere,
    // and those by about the same distance: loud noise in the unfiltered sound puts its
    // loudest point anywhere, and an earlier crossing of noise would lengthen the lift. The
    // rest of them may have heard the drop no louder than the sound the band favours.
    if (2 * f > m) {
        if (MiddleHalfInPlace(farValues, f) <= kBiasAgreement) {
            record.LiftBias = std::min(farValues[f / 2], kMaxLiftBias);
            farBias_ = true;
            return;
        }
    }
    std::nth_element(values, values + m / 2, values + m);
    record.LiftBias = std::clamp(values[m / 2], 0.0, kMaxLiftBias);
}

// Beat w is complete: its alignment on its parity's shape, which offers candidates, then its
// lift bias against the unfiltered sound when a filter is on. `quiet`: the windows hold
// together as measured, so a known shape only follows the watch, from every fourth beat of
// its parity.
void BeatObserver::Observe(std::int64_t w, std::int64_t now, bool filtered, bool quiet) {
    const TickRecord& record = ring_[Slot(w)];
    const bool follow = quiet && shapes_[record.Beat & 1].Shape.Beats >= kShapeWarmup &&
                        ((record.Beat >> 1) & 3) != 0;
    if (shapeStep_ > 0 && !follow) {
        AlignBeat(w, now);
    }
    rawPeak_ = -1;
    afterPeak_ = -1;
    farBias_ = false;
    if (filtered) {
        MeasureLiftBias(w, now);
    }
    CheckPeakWindow(w, now, filtered);
}

// A watch's drop is its loudest sound, and no lift is shorter than the one at 360 degrees,
// where the peak window starts. A sound far louder than the window's loudest between the onset
// and the window is then the drop itself: the onset sat on a later sound of the beat than its
// unlocking (an impulse, the unlocking too quiet to cross), and the window holds only the
// drop's tail or an echo. So does a window whose loudest point comes at its very start with a
// louder sound just before it: a drop shortly before the window, its tail decaying into it.
// The unfiltered sound is judged, where the band cannot reorder the sounds' loudness. A beat
// whose lift starts at its first sound is not judged by its onset.
void BeatObserver::CheckPeakWindow(std::int64_t w, std::int64_t now, bool filtered) {
    TickRecord& record = ring_[Slot(w)];
    record.LouderBeforePeak = false;
    record.DropAfterPeak = false;
    record.DropDelay = 0.0f;
    const std::int64_t oldest = std::max<std::int64_t>(0, now - kHistorySize + 1);
    const std::int64_t onset = record.OnsetSample;
    const std::int64_t window = std::max<std::int64_t>(peakSamples_, minLiftSamples_ + 1) - 1;
    const std::int64_t start = onset + minLiftSamples_;
    const std::int64_t end = std::min(onset + window, now);
    if (record.FirstSound < 0.0 && onset >= oldest && end >= start) {
        // The window's loudest sample, and the loudest after it.
        int loudest = 0;
        int after = 0;
        std::int64_t at = start;
        for (std::int64_t i = start; i <= end; ++i) {
            const int level = std::abs(static_cast<int>(rawHistory_[i & (kHistorySize - 1)]));
            if (level > loudest) {
                loudest = level;
                at = i;
                after = 0;
            } else {
                after = std::max(after, level);
            }
        }
        // The sound before the window, its last part (just before it) on its own.
        const std::int64_t edge = minLiftSamples_ / kPeakEdge;
        const std::int64_t lastPart = std::max(onset, start - edge);
        const int late = LoudestRaw(lastPart, start - 1);
        const int before = std::max(LoudestRaw(onset, lastPart - 1), late);
        record.LouderBeforePeak =
            before > kLouderBeforePeak * loudest || (at - start < edge / 2 && late > loudest);
        if (!filtered) {
            afterPeak_ = after;
        }
    }
    FindLaterDrop(record, now, filtered);
}

// The loudest unfiltered sample from sample clock `from` to `to`, a run of the history at a
// time.
int BeatObserver::LoudestRaw(std::int64_t from, std::int64_t to) const {
    int most = 0;
    while (from <= to) {
        const std::int64_t slot = from & (kHistorySize - 1);
        const std::int64_t run = std::min(to - from + 1, kHistorySize - slot);
        const std::int16_t* const samples = rawHistory_.get() + slot;
        for (std::int64_t k = 0; k < run; ++k) {
            most = std::max(most, std::abs(static_cast<int>(samples[k])));
        }
        from += run;
    }
    return most;
}

// The drop is the last loud sound of a lift: after it come only its echo and the case's
// ringing, far quieter. A short drop may sample hardly louder than a long impulse just before
// it, or quieter than an impulse and an echo together, and the loudest point of the peak
// window then lies on the impulse. A later burst of the window nearly as loud, after the
// sound has clearly died down in between, is the drop. The unfiltered sound is judged, from
// where the beat's lift is measured from, and after the point its lift ends on: the loudest
// of the window, or with a filter the loudest unfiltered point just before the filtered one.
void BeatObserver::FindLaterDrop(TickRecord& record, std::int64_t now, bool filtered) {
    const std::int64_t from =
        record.FirstSound >= 0.0
            ? static_cast<std::int64_t>(std::nearbyint(record.FirstSound / samplePeriod_))
            : record.OnsetSample;
    const std::int64_t span =
        std::max<std::int64_t>(1, static_cast<std::int64_t>(kBurstSpan / samplePeriod_));
    const std::int64_t start = from + minLiftSamples_;
    const std::int64_t end =
        std::min(from + std::max<std::int64_t>(peakSamples_, minLiftSamples_ + 1) - 1, now);
    const std::int64_t oldest = std::max<std::int64_t>(0, now - kHistorySize + 1);
    if (start < oldest || end <= start) {
        return;
    }
    const std::int16_t* const raw = rawHistory_.get();
    auto at = [&](std::int64_t i) {
        return std::abs(static_cast<int>(raw[i & (kHistorySize - 1)]));
    };
    std::int64_t peak = -1;
    int level = -1;
    if (filtered) {
        // A lift bias taken from beats whose unfiltered drops lie later already ends there.
        if (farBias_) {
            return;
        }
        peak = rawPeak_;
        level = peak >= oldest && peak < end ? at(peak) : -1;
    } else {
        // Unfiltered, the detector's loudest point is the loudest sample.
        peak = record.FirstSound >= 0.0
                   ? static_cast<std::int64_t>(std::nearbyint(
                         (record.RepairedTime + record.RepairedPeakDelay) / samplePeriod_))
                   : record.OnsetSample + static_cast<std::int64_t>(
                                              std::nearbyint(record.PeakDelay / samplePeriod_));
        level = peak >= oldest && peak < end ? at(peak) : -1;
    }
    if (level <= 0) {
        return;
    }
    const double dip = kDropDip * level;
    const double later = kLaterDrop * level;
    // Known from the scans already made when the lift starts at the onset.
    const int after = afterPeak_ >= 0 && (filtered || record.FirstSound < 0.0)
                          ? afterPeak_
                          : LoudestRaw(peak + 1, end);
    if (after < later) {
        return; // nothing after the loudest point comes near it, as in most beats
    }
    // The sound has died down when `span` samples in a row (a few cycles of the lowest pitch)
    // stay under the dip; a later burst then starts at a sample that reaches `later` and lasts
    // until the sound dies down again. The drop is the loudest sample of the last such burst.
    std::int64_t i = peak + 1;
    for (std::int64_t run = 0; i <= end && run < span; ++i) {
        run = at(i) < dip ? run + 1 : 0;
    }
    std::int64_t drop = -1;
    while (i <= end) {
        while (i <= end && at(i) < later) {
            ++i;
        }
        int loudest = -1;
        for (std::int64_t run = 0; i <= end && run < span; ++i) {
            const int here = at(i);
            if (here > loudest) {
                loudest = here;
                drop = i;
            }
            run = here < dip ? run + 1 : 0;
        }
    }
    if (drop > peak) {
        record.DropAfterPeak = true;
        record.DropDelay = static_cast<float>(static_cast<double>(drop - peak) * samplePeriod_);
    }
}

void BeatObserver::AlignBeat(std::int64_t w, std::int64_t now) {
    TickRecord& record = ring_[Slot(w)];
    const int step = shapeStep_;
    const int range = lagRange_;
    const int points = kShapePoints + 2 * range;
    double* const e = envelope_.get();
    ParityShape& mine = shapes_[record.Beat & 1];
    BeatShape& shape = mine.Shape;
    const bool known = shape.Beats >= kShapeWarmup;
    const double first = known ? FirstSound(shape) : std::numeric_limits<double>::quiet_NaN();
    // Under noise the threshold onset may sit anywhere near the beat: the search is then
    // centred where the parity's last aligned beat says this one is due.
    std::int64_t centre = record.OnsetSample;
    int reach = range; // shape points searched either way of the centre
    const std::int64_t since = record.Beat - mine.LastBeat;
    if (noisy_ && std::isfinite(first) && mine.LastBeat >= 0 && since > 0 &&
        since <= kPredictBeats) {
        // The shape's first sound put where the beat's is due.
        centre = static_cast<std::int64_t>(std::nearbyint(
            mine.LastFirstSound + static_cast<double>(since) * sampleRate_ / beatFrequency_ -
            (first - shapeBefore_) * step));
        // Near the prediction only: further away lie the beat's other sounds, which a noisy
        // beat can match better than its first.
        reach =
            std::clamp(static_cast<int>(std::ceil(kTrackReach / samplePeriod_ / step)), 2, range);
    }
    const std::int64_t origin = centre - static_cast<std::int64_t>(shapeBefore_ + range) * step;
    for (int j = 0; j < points; ++j) {
        e[j] = Envelope(origin + static_cast<std::int64_t>(j) * step, now);
    }
    if (shape.Beats == 0) {
        std::copy_n(e + range, kShapePoints, shape.Level.begin());
        shape.Beats = 1;
        return;
    }

    // The shape less its mean, so that a steady noise floor does not pull the alignment.
    double mean = 0.0;
    for (int k = 0; k < kShapePoints; ++k) {
        mean += shape.Level[k];
    }
    mean /= kShapePoints;
    double t[kShapePoints] = {};
    double shapeNorm = 0.0;
    for (int k = 0; k < kShapePoints; ++k) {
        t[k] = shape.Level[k] - mean;
        shapeNorm += t[k] * t[k];
    }
    if (shapeNorm <= 0.0) {
        return;
    }

    // Normalised correlation: the louder drop of a beat must not outscore its first sound.
    // Running sums of the envelope and its squares give each segment's spread at once.
    double* const sum = e + points;           // sum[j]: e[0] + ... + e[j - 1]
    double* const squares = sum + points + 1; // likewise for e^2
    sum[0] = 0.0;
    squares[0] = 0.0;
    for (int j = 0; j < points; ++j) {
        sum[j + 1] = sum[j] + e[j];
        squares[j + 1] = squares[j] + e[j] * e[j];
    }
    auto normalised = [&](double product, int from) {
        const int to = std::min(from + kShapePoints, points);
        const double s1 = sum[to] - sum[from];
        const double s2 = squares[to] - squares[from];
        const double spread = s2 - s1 * s1 / kShapePoints;
        return spread > 0.0 ? product / std::sqrt(shapeNorm * spread) : 0.0;
    };
    auto score = [&](int lag) {
        const double* segment = e + range + lag;
        double product = 0.0;
        for (int k = 0; k < kShapePoints; ++k) {
            product += t[k] * segment[k];
        }
        return normalised(product, range + lag);
    };
    // Coarse search every fourth lag on points summed in fours, then every lag near the best;
    // near a prediction every lag in reach.
    constexpr int kGroup = 4;
    constexpr int kGroups = kShapePoints / kGroup;
    const int groups = (kShapePoints + kGroup - 1) / kGroup;
    double tc[kGroups];
    for (int q = 0; q < groups; ++q) {
        tc[q] = t[kGroup * q] + t[kGroup * q + 1] + t[kGroup * q + 2] + t[kGroup * q + 3];
    }
    const int groupRange = reach < range ? -1 : range / kGroup; // none near a prediction
    int bestGroup = 0;
    double bestGroupScore = -1e300;
    if (groupRange >= 0) {
        // The groups' sums of the envelope every kGroup points from the first lag's start.
        const int lags = 2 * groupRange + 1;
        const int start = range - kGroup * groupRange;
        double blocks[kShapePoints];
        for (int i = 0; i < lags + groups - 1; ++i) {
            const int j = start + kGroup * i;
            blocks[i] = sum[std::min(j + kGroup, points)] - sum[std::min(j, points)];
        }
        double products[kShapePoints];
        SlidingProducts(tc, groups, blocks, lags, products);
        for (int i = 0; i < lags; ++i) {
            const double s = normalised(products[i], start + kGroup * i);
            if (s > bestGroupScore) {
                bestGroupScore = s;
                bestGroup = i - groupRange;
            }
        }
    }
    const int from = reach < range ? -reach : std::max(-range, kGroup * bestGroup - kGroup);
    const int to = reach < range ? reach : std::min(range, kGroup * bestGroup + kGroup);
    // Every lag from - 1 ... to + 1 within the range, for the parabola below.
    const int low = std::max(from - 1, -range);
    const int high = std::min(to + 1, range);
    double products[2 * kShapePoints + 1];
    SlidingProducts(t, kShapePoints, e + range + low, high - low + 1, products);
    auto scoreAt = [&](int lag) { return normalised(products[lag - low], range + lag); };
    int best = from;
    double bestScore = -1e300;
    for (int l = from; l <= to; ++l) {
        const double s = scoreAt(l);
        if (s > bestScore) {
            bestScore = s;
            best = l;
        }
    }
    // Between points: the vertex of the parabola through the best score and its neighbours.
    double fraction = 0.0;
    if (best > -range && best < range) {
        const double before = scoreAt(best - 1);
        const double after = scoreAt(best + 1);
        const double curvature = before - 2.0 * bestScore + after;
        if (curvature < 0.0) {
            fraction = std::clamp(0.5 * (before - after) / curvature, -0.5, 0.5);
        }
    }
    // A best alignment at the end of the search is no peak: the beat lies beyond it.
    // A known shape without a first sound has lost the beat: whatever it matches is no find.
    const bool lost = known && !std::isfinite(first);
    const bool confident = !lost && bestScore >= kMinCorrelation && best > -reach && best < reach;
    if (confident) {
        mine.Misses = 0;
        // The shape follows the watch: this beat, aligned, joins the average. A knock far louder
        // than the beats is held to half again their loudest, so one cannot deform the shape.
        const int shift = best + (fraction > 0.25 ? 1 : (fraction < -0.25 ? -1 : 0));
        const double weight = 1.0 / std::min(shape.Beats + 1, kShapeMemory);
        const double ceiling = 1.5 * *std::max_element(shape.Level.begin(), shape.Level.end());
        for (int k = 0; k < kShapePoints; ++k) {
            const int j = std::clamp(range + shift + k, 0, points - 1);
            shape.Level[k] += weight * (std::min(e[j], ceiling) - shape.Level[k]);
        }
        ++shape.Beats;
        if (shape.Beats % kShapeWarmup == 0) {
            Recentre(shape);
        }
    } else {
        // Under loud noise one beat is too poor a start for its parity's shape, and a shape
        // that nothing fits any more has lost the watch: either is started again from the
        // parity's recent beats in the history. Where even that has failed and the other
        // parity's shape fits its beats, that shape is the start: tick and tock sound alike
        // enough to align on, and the shape then becomes the parity's own.
        if ((shape.Beats < kShapeWarmup && !mine.Folded) || ++mine.Misses >= kShapeWarmup) {
            mine.Misses = 0;
            const ParityShape& other = shapes_[(record.Beat + 1) & 1];
            if (mine.Folded && other.Shape.Beats >= kShapeWarmup && other.Misses == 0) {
                shape = other.Shape;
                shape.Beats = kShapeWarmup / 2;
                return;
            }
            if (FoldShape(w, now, shape)) {
                mine.Folded = true;
                return;
            }
        }
        // Nothing like the recent beats: the window's fit judges it, and may take the time
        // its best alignment gives if that agrees with the window (see RecordResults).
        if (!haveUsualOffset_ || !(bestScore >= kCandidateCorrelation)) {
            return;
        }
    }
    if (!known || !std::isfinite(first)) {
        return;
    }

    // This beat's first sound, and where threshold onsets usually sit against first sounds
    // (both parities together, so that tick and tock are measured alike).
    const double offset = static_cast<double>(centre - record.OnsetSample) +
                          (best + fraction + first - shapeBefore_) * step; // samples
    const double tolerance = AlignTolerance();                             // samples
    const int parity = static_cast<int>(record.Beat & 1);
    if (confident && !UpdateUsualOffset(offset, tolerance, parity)) {
        return;
    }
    const double usual = usualOffset_;
    const bool noisy = noisy_;
    double departure = offset - usual; // samples
    double firstSound = static_cast<double>(record.OnsetSample) + offset;
    // On a clean recording, an alignment barely better than the one that leaves the onset
    // where it usually sits is noise, not a finding: the onset stays. Under noise the onsets
    // themselves are the less reliable.
    const int stay = static_cast<int>(std::nearbyint(best - departure / step));
    const bool pastFirstSounds = std::fabs(usual) > tolerance;
    if (!noisy && centre == record.OnsetSample && stay >= -range && stay <= range &&
        bestScore - score(stay) < kClearlyBetter) {
        departure = 0.0;
        firstSound = static_cast<double>(record.OnsetSample) +
                     (pastFirstSounds ? parityOffsets_[parity] : usual);
    }

    // The loudest sample of a peak window as the detector searches it from an onset; the
    // earliest of equal maxima wins. -1 when none of it is in the history.
    auto peakFrom = [&](double onset) {
        const std::int64_t start = static_cast<std::int64_t>(std::nearbyint(onset));
        const std::int64_t firstSample =
            std::max({start + minLiftSamples_, now - kHistorySize + 1, std::int64_t{0}});
        const std::int64_t lastSample =
            std::min(start + std::max<std::int64_t>(peakSamples_, minLiftSamples_ + 1) - 1, now);
        std::int64_t peakAt = -1;
        float peak = -1.0f;
        for (std::int64_t i = firstSample; i <= lastSample; ++i) {
            const float level = history_[i & (kHistorySize - 1)];
            if (level > peak) {
                peak = level;
                peakAt = i;
            }
        }
        return peakAt;
    };
    // Onsets that usually sit past the first sound (its start below the threshold) would
    // shorten every lift time and let the peak window pass over the drop: the lift is then
    // measured from the first sound.
    // The beat error is then taken between the beats' own first sounds: ticks and tocks may
    // have their onsets a little apart against them, and on a later sound of the beat by as
    // much as their lifts differ, which the beat error would take for the watch's. The rate
    // keeps the onsets, which these offsets, known only as a running mean, would bend.
    std::int64_t peakAt = -1;
    if (confident && pastFirstSounds) {
        peakAt = peakFrom(firstSound);
        if (peakAt >= 0) {
            record.FirstSound = firstSound * samplePeriod_;
            if (std::fabs(departure) <= tolerance) {
                record.SoundShift =
                    static_cast<float>((parityOffsets_[parity] - usual) * samplePeriod_);
            }
            record.RepairedPeakDelay =
                static_cast<double>(peakAt) * samplePeriod_ - record.RepairedTime;
        }
    }
    if (confident) {
        mine.LastFirstSound = static_cast<double>(record.OnsetSample) + offset;
        mine.LastBeat = record.Beat;
    }
    if (std::fabs(departure) <= tolerance) {
        return;
    }

    const double onset = static_cast<double>(record.OnsetSample) + departure;
    record.AlignedTime = onset * samplePeriod_;
    record.Aligned = true;
    if (peakAt < 0) {
        peakAt = peakFrom(onset);
    }
    record.AlignedPeakDelay =
        peakAt >= 0 ? static_cast<double>(peakAt) * samplePeriod_ - record.AlignedTime
                    : record.RepairedPeakDelay + record.RepairedTime - record.AlignedTime;
    if (noisy && confident) {
        TakeAlignedTime(w);
        mine.LastBeat = record.Beat;
    }
}

// Takes a confident beat's offset from its threshold onset to its first sound into the
// recent ones; false while too few are known to say where the onsets usually sit.
bool BeatObserver::UpdateUsualOffset(double offset, double tolerance, int parity) {
    double recent[kRecentOffsets];
    const int count = offsetCount_;
    std::copy_n(offsets_.begin(), count, recent);
    offsets_[offsetNext_] = offset;
    offsetParities_[offsetNext_] = parity;
    offsetNext_ = (offsetNext_ + 1) % kRecentOffsets;
    offsetCount_ = std::min(offsetCount_ + 1, kRecentOffsets);
    if (count < kRecentOffsets / 2) {
        return false;
    }
    // Where the onsets usually sit: the offset most of the recent beats agree with, within
    // the tolerance. Under noise the onsets fall on different sounds of the beat (the first
    // sound, the impulse, the drop); the reference then stays with the sound it was on until
    // another clearly has more beats, so the beats' times do not jump between them.
    auto support = [&](double at) {
        int n = 0;
        for (int k = 0; k < count; ++k) {
            n += std::fabs(recent[k] - at) <= tolerance ? 1 : 0;
        }
        return n;
    };
    double mode = recent[0];
    int modeSupport = 0;
    for (int k = 0; k < count; ++k) {
        const int n = support(recent[k]);
        if (n > modeSupport) {
            modeSupport = n;
            mode = recent[k];
        }
    }
    const double centre =
        !haveUsualOffset_ || 2 * modeSupport > 3 * support(usualOffset_) ? mode : usualOffset_;
    // The mean of the beats near it, so that the reference follows a slow drift.
    double nearSum = 0.0;
    int near = 0;
    for (int k = 0; k < count; ++k) {
        if (std::fabs(recent[k] - centre) <= tolerance) {
            nearSum += recent[k];
            ++near;
        }
    }
    usualOffset_ = near > 0 ? nearSum / near : centre;
    haveUsualOffset_ = true;
    for (int p = 0; p < 2; ++p) {
        double sum = 0.0;
        int n = 0;
        for (int k = 0; k < offsetCount_; ++k) {
            if (offsetParities_[k] == p && std::fabs(offsets_[k] - usualOffset_) <= tolerance) {
                sum += offsets_[k];
                ++n;
            }
        }
        parityOffsets_[p] = n > 0 ? sum / n : usualOffset_;
    }
    // How many recent onsets stray from their first sounds: a clean recording keeps them
    // within the tolerance, and then only a beat that the window's fit sets aside takes its
    // aligned time (see RecordResults); under noise (a third of them or more astray) every
    // departing beat does.
    int astray = 0;
    for (int k = 0; k < count; ++k) {
        astray += std::fabs(recent[k] - usualOffset_) > tolerance ? 1 : 0;
    }
    noisy_ = kNoisyParts * astray >= count;
    return true;
}

void BeatObserver::TakeAlignedTime(std::int64_t w) {
    TickRecord& record = ring_[Slot(w)];
    record.RepairedTime = record.AlignedTime;
    record.RepairedPeakDelay = record.AlignedPeakDelay;
    record.Aligned = false;
    NumberBeat(w); // the beat number follows the aligned time
}

} // namespace dsp
