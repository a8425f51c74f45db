// Finding a watch by its rhythm when the level ladder cannot: under strong noise no single
// threshold separates every tick from the noise, yet the loudness of the sound still repeats
// every two beats. The calibration's sound, band-passed to the ticks' frequencies, is summed
// in 10 ms blocks, slow changes are taken out, and the normalised autocorrelation at one and
// two beats tells a watch from noise, speech or hum.
#include "dsp/LevelCalibration.h"

#include "dsp/DSP.h"
#include "dsp/Limits.h"

#include <algorithm>
#include <cmath>

namespace dsp {

namespace {

using namespace limits;

constexpr double kAutoRates[] = {5.0, 5.5, 6.0, 7.0, 8.0}; // beats/s AUTO looks for

// Normalised autocorrelation of e[0 ... n-1], best over the lags within the tolerance of
// `lag` blocks (and at least one block either way).
double Periodicity(const double* e, int n, double lag, double tolerance) {
    const int from = std::max(1, static_cast<int>(std::floor(lag * (1.0 - tolerance))));
    const int to = static_cast<int>(std::ceil(lag * (1.0 + tolerance)));
    double best = -1.0;
    for (int l = from; l <= to && l < n - 1; ++l) {
        double product = 0.0, a = 0.0, b = 0.0;
        for (int i = 0; i + l < n; ++i) {
            product += e[i] * e[i + l];
            a += e[i] * e[i];
            b += e[i + l] * e[i + l];
        }
        if (a > 0.0 && b > 0.0) {
            best = std::max(best, product / std::sqrt(a * b));
        }
    }
    return best;
}

} // namespace

// The beat rate (beats/s) whose rhythm the level store shows, 0 when none does: the set rate
// only, or for AUTO the best of the usual rates.
double LevelCalibration::FindRateByRhythm(double setRate) const {
    const int blocks = rhythmBlocks_;
    if (blocks < 2 * kTrend) {
        return 0.0;
    }
    const double* const e = rhythm_.get();
    // Slow changes out: each block less the mean of the blocks around it.
    double* const out = rhythm_.get() + kLevelStoreCapacity / kRhythmBlock + 2;
    for (int b = 0; b < blocks; ++b) {
        const int lo = std::clamp(b - kTrend / 2, 0, blocks - kTrend);
        double mean = 0.0;
        for (int k = lo; k < lo + kTrend; ++k) {
            mean += e[k];
        }
        out[b] = e[b] - mean / kTrend;
    }
    // A beat's period is seldom a whole number of blocks (21600 beats/h: 16.67), so a tick's
    // block moves by one from beat to beat against any whole lag. Spread over its neighbours,
    // it still meets its next beats at the nearest lag.
    double before = out[0];
    for (int b = 0; b < blocks; ++b) {
        const double here = out[b];
        const double after = b + 1 < blocks ? out[b + 1] : here;
        out[b] = 0.25 * before + 0.5 * here + 0.25 * after;
        before = here;
    }

    const double blockSeconds = kRhythmBlock / sampleRate_;
    auto score = [&](double f) {
        const double two = Periodicity(out, blocks, 2.0 / f / blockSeconds, kLagTolerance);
        // One beat: beat error moves the lag by a few ms either way.
        const double one =
            Periodicity(out, blocks, 1.0 / f / blockSeconds, kLagTolerance + 0.006 * f);
        // Half a beat falls between a watch's beats; a watch beating twice as fast repeats
        // there too, and a threshold above its quieter beats would halve its rate.
        const double half =
            Periodicity(out, blocks, 0.5 / f / blockSeconds, kLagTolerance + 0.006 * f);
        return two >= kMinPeriodicity && one >= kMinPeriodicity / 2.0 && half < one / 2.0
                   ? two + one
                   : 0.0;
    };
    if (setRate > 0.0) {
        return score(setRate) > 0.0 ? setRate : 0.0;
    }
    double best = 0.0, bestScore = 0.0;
    for (double f : kAutoRates) {
        const double s = score(f);
        if (s > bestScore) {
            bestScore = s;
            best = f;
        }
    }
    return best;
}

// The threshold for a watch of known rate: the ladder's rung whose onsets, searched at that
// rate, are the most regular and confirm it within 1 %. Under noise loud enough to hide the
// watch from the ladder, its top (the 99.75th percentile) lies in the noise, and the quiet
// half beat the search needs is only found higher: rungs from there up to the loudest level
// are then tried as well, and last every rung with its onsets numbered by their time.
bool LevelCalibration::PlaceThresholdFor(double beatFrequency, double& measured) {
    const double mean = levelSum_ / levelCount_;
    double bestIrregularity = 1e300;
    bool byTime = false;
    auto tryRung = [&](double level) {
        double fr = 0.0, fm = 0.0, irregularity = 0.0;
        if (!EstimateOnsets(beatFrequency, level, fr, fm, &irregularity, byTime)) {
            return;
        }
        // Numbered by time, any onsets give about the known rate: only regular ones count.
        // The rungs are tried from the top: of rungs alike regular (a slow watch gives few
        // onsets to judge by), the lowest wins, so that the quieter of tick and tock is not
        // left under the threshold.
        if (std::fabs(fm - beatFrequency) / beatFrequency < kRateAgreement &&
            irregularity <= bestIrregularity && (!byTime || irregularity <= kMaxIrregularity)) {
            bestIrregularity = irregularity;
            thresholdLevel_ = level;
            measured = fm;
        }
    };
    for (int n = kLadderRungs; n >= 1; --n) {
        tryRung(mean + (peakLevel_ - mean) * n / kLadderRungs);
    }
    if (bestIrregularity < 1e300) {
        return true;
    }
    int topBin = kLevelHistogramSize;
    while (topBin > 1 && histogram_[topBin - 1] == 0) {
        --topBin;
    }
    const double loudest = static_cast<double>(topBin) / kLevelHistogramSize;
    for (int n = kLadderRungs; n >= 1 && loudest > peakLevel_; --n) {
        tryRung(peakLevel_ + (loudest - peakLevel_) * n / kLadderRungs);
    }
    if (bestIrregularity < 1e300) {
        return true;
    }
    // Every rung misses some beats: onsets are numbered by their time at the known rate.
    byTime = true;
    const double top = std::max(loudest, peakLevel_);
    for (int n = 2 * kLadderRungs; n >= 1; --n) {
        tryRung(mean + (top - mean) * n / (2 * kLadderRungs));
    }
    return bestIrregularity < 1e300;
}

} // namespace dsp
