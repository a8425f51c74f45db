#include "dsp/LevelCalibration.h"

#include "dsp/DSP.h"
#include "dsp/Limits.h"
#include "dsp/WindowFit.h"

#include <algorithm>
#include <cmath>

namespace dsp {

namespace {

using namespace limits;

constexpr int kMaxOnsets = kTickRingSize;
// Vote counters by round(2F - 1): 1 ... 23 for 1 ... 12 beats/s; 0 gathers every rate below
// 1 beat/s and 24 every rate above 12 beats/s, which only a set rate can give.
constexpr int kVoteSlots = 25;

// Halves to even; values no count can reach (and NaN) are held to a safe range.
std::int64_t RoundToInt(double value) {
    constexpr double kLimit = 1e15;
    if (!(std::fabs(value) < kLimit)) {
        return value > 0 ? static_cast<std::int64_t>(kLimit)
                         : (value < 0 ? -static_cast<std::int64_t>(kLimit) : 0);
    }
    return static_cast<std::int64_t>(std::nearbyint(value));
}

// Samples to skip after a found onset: at least one, so every search moves forward.
std::int64_t Gap(double samples) {
    return std::max<std::int64_t>(1, RoundToInt(samples));
}

} // namespace

double RoundedBeatFrequency(double measured) {
    return measured >= 6.25 ? std::nearbyint(measured) : std::nearbyint(2.0 * measured) / 2.0;
}

LevelCalibration::LevelCalibration()
    : levels_(std::make_unique_for_overwrite<double[]>(kLevelStoreCapacity + 1)),
      blockMax_(std::make_unique<double[]>(((kLevelStoreCapacity + 1) >> kLevelBlockShift) + 1)),
      histogram_(std::make_unique<int[]>(kLevelHistogramSize)),
      onsetTimes_(std::make_unique<double[]>(kTickRingSize)),
      rhythm_(std::make_unique<double[]>(2 * (kLevelStoreCapacity / kRhythmBlock + 2))) {
    levels_[0] = 0.0;
}

void LevelCalibration::Begin(int duration, double sampleRate) {
    sampleRate_ = sampleRate;
    levelCount_ = 0;
    levelCapacity_ = static_cast<int>(
        std::clamp<std::int64_t>(RoundToInt(sampleRate_ * duration), 1, kLevelStoreCapacity));
    levelSum_ = 0.0;
    std::fill_n(histogram_.get(), kLevelHistogramSize, 0);
    rhythmFilter_.Reset();
    rhythmFilter_.SetKind(kFilterMedium);
    rhythmBlocks_ = 0;
    rhythmFill_ = 0;
    rhythmSum_ = 0.0;
}

bool LevelCalibration::Add(const std::int16_t* samples, int count, BandPassFilter& filter) {
    const int wanted = std::min(count, levelCapacity_ - levelCount_);
    if (wanted > 0) {
        double* const levels = levels_.get();
        double* const blockMax = blockMax_.get();
        int* const histogram = histogram_.get();
        filter.Block(samples, wanted, levels + levelCount_ + 1);
        double sum = levelSum_;
        for (int n = levelCount_ + 1; n <= levelCount_ + wanted; ++n) {
            const double level = levels[n];
            sum += level;
            // A block's maximum starts afresh at its first level.
            double& block = blockMax[n >> kLevelBlockShift];
            if ((n & (kLevelBlockSize - 1)) == 0 || n == 1 || level > block) {
                block = level;
            }
            const double bin = level * kLevelHistogramSize + 1.0;
            const int b = bin >= kLevelHistogramSize ? kLevelHistogramSize : static_cast<int>(bin);
            ++histogram[b - 1];
        }
        levelCount_ += wanted;
        levelSum_ = sum;
        // The rhythm sees the sound through its own band-pass whatever the filter setting, so
        // that hum and rumble do not hide it.
        for (int k = 0; k < wanted; ++k) {
            rhythmSum_ += rhythmFilter_.Step(samples[k]);
            if (++rhythmFill_ == kRhythmBlock) {
                rhythm_[rhythmBlocks_++] = rhythmSum_;
                rhythmSum_ = 0.0;
                rhythmFill_ = 0;
            }
        }
    }
    return levelCount_ >= levelCapacity_;
}

double LevelCalibration::Progress() const {
    return static_cast<double>(levelCount_) / levelCapacity_;
}

// First index in from ... end - 1 whose level reaches the threshold, else end. Whole blocks
// whose maximum stays below are passed over at once.
std::int64_t LevelCalibration::FindAtOrAbove(std::int64_t from, std::int64_t end,
                                             double threshold) const {
    const double* const levels = levels_.get();
    const double* const blockMax = blockMax_.get();
    std::int64_t i = from;
    while (i < end && (i & (kLevelBlockSize - 1)) != 0) {
        if (levels[i] >= threshold) {
            return i;
        }
        ++i;
    }
    while (i + kLevelBlockSize <= end) {
        if (blockMax[i >> kLevelBlockShift] >= threshold) {
            for (std::int64_t j = i; j < i + kLevelBlockSize; ++j) {
                if (levels[j] >= threshold) {
                    return j;
                }
            }
        }
        i += kLevelBlockSize;
    }
    for (; i < end; ++i) {
        if (levels[i] >= threshold) {
            return i;
        }
    }
    return end;
}

// Last index in from ... end - 1 whose level reaches the threshold, else from - 1.
std::int64_t LevelCalibration::FindLastAtOrAbove(std::int64_t from, std::int64_t end,
                                                 double threshold) const {
    const double* const levels = levels_.get();
    const double* const blockMax = blockMax_.get();
    std::int64_t i = end; // one past the next level to look at
    while (i > from && (i & (kLevelBlockSize - 1)) != 0) {
        --i;
        if (levels[i] >= threshold) {
            return i;
        }
    }
    while (i - kLevelBlockSize >= from) {
        const std::int64_t block = i - kLevelBlockSize;
        if (blockMax[block >> kLevelBlockShift] >= threshold) {
            for (std::int64_t j = i - 1; j >= block; --j) {
                if (levels[j] >= threshold) {
                    return j;
                }
            }
        }
        i = block;
    }
    while (i > from) {
        --i;
        if (levels[i] >= threshold) {
            return i;
        }
    }
    return from - 1;
}

// Median departure (s) of the onsets' two-beat intervals from two fitted beats. Two-beat
// intervals leave beat error out, and the median ignores a few stray onsets. 0 with fewer
// than six onsets (too few to judge).
double LevelCalibration::Irregularity(int count, double measured) const {
    if (count < 6) {
        return 0.0;
    }
    double* const times = onsetTimes_.get();
    const double twoBeats = 2.0 / measured; // s
    for (int j = 0; j + 2 < count; ++j) {
        times[j] = std::fabs(times[j + 2] - times[j] - twoBeats);
    }
    return onsetMedian_.Median(0, count - 3, [times](std::int64_t j) { return times[j]; });
}

bool LevelCalibration::EstimateBeatRate(double guess, double threshold, double& rounded,
                                        double& measured) const {
    return EstimateOnsets(guess, threshold, rounded, measured, nullptr);
}

bool LevelCalibration::EstimateOnsets(double guess, double threshold, double& rounded,
                                      double& measured, double* irregularity,
                                      bool numberedByTime) const {
    if (!(guess >= 0.0) || !std::isfinite(guess)) {
        return false; // no beat rate is negative
    }
    const double r = sampleRate_;
    const bool guessed = guess != 0.0;
    // The last stored level is not examined (nor any the store did not get).
    const std::int64_t end = std::min(levelCapacity_, levelCount_);

    // Quiet search: half a beat below the threshold.
    const std::int64_t quiet = RoundToInt(guessed ? 0.5 * r / guess : 0.5 * r / 5.0);
    std::int64_t i = 1;
    if (quiet <= 1) {
        // One sample below is enough.
        while (i < end && levels_[i] >= threshold) {
            ++i;
        }
    } else {
        // Stops on the sample that completes a run of `quiet` levels below the threshold.
        // A window is checked from its end: a run starting at or before its last loud level
        // cannot complete, so the next candidate starts just after that level.
        std::int64_t runStart = 1;
        for (;;) {
            const std::int64_t runEnd = runStart + quiet; // one past the run's last sample
            if (runEnd > end) {
                i = end; // no run completes before the end
                break;
            }
            const std::int64_t loud = FindLastAtOrAbove(runStart, runEnd, threshold);
            if (loud < runStart) {
                i = runEnd - 1;
                break;
            }
            runStart = loud + 1;
        }
    }

    // Skip the first sound.
    if (i < end) {
        const std::int64_t first = FindAtOrAbove(i, end, threshold);
        i = first < end ? first + Gap(guessed ? 0.9 * r / guess : 0.9 * r / 8.0) : end;
    }

    // Collect onsets, fitting as they come: x = onset number, y = time since the first.
    const std::int64_t gap = guessed ? Gap(39690.0 / guess) : 4961; // nominal rate here
    int k = 0;
    double time0 = 0.0;
    LineSums sums;
    LineSums previous;
    while (i < end) {
        i = FindAtOrAbove(i, end, threshold);
        if (i >= end) {
            break;
        }
        if (k == kMaxOnsets) {
            return false;
        }
        const double time = static_cast<double>(i) / r;
        if (k == 0) {
            time0 = time;
        }
        const double y = time - time0;
        // Numbered by time, an onset after a beat too quiet to cross counts the beat missed.
        const double x = numberedByTime ? std::nearbyint(y * guess) : k;
        previous = sums;
        sums.Add(x, y);
        onsetTimes_[k] = y;
        ++k;
        i += gap;
    }
    if (k < (numberedByTime ? 6 : 2)) {
        return false; // numbered by time, too few to tell regular onsets from any
    }
    if (k > 2 && k % 2 == 1) {
        // Balance ticks and tocks.
        sums = previous;
        --k;
    }
    measured = sums.InverseSlope();
    rounded = RoundedBeatFrequency(measured);
    if (irregularity != nullptr) {
        *irregularity = Irregularity(k, measured) * measured; // beats
    }
    return true;
}

bool LevelCalibration::Finish(int rateSetting, int liftAngle, Outcome& outcome) {
    if (levelCount_ <= 0 || rateSetting < 0) {
        return false;
    }
    const double mean = levelSum_ / levelCount_;

    // 99.75th percentile from the histogram, interpolated inside its bin.
    double remaining = levelCount_ * 0.9975;
    peakLevel_ = 0.0;
    for (int bin = 1; bin <= kLevelHistogramSize; ++bin) {
        remaining -= histogram_[bin - 1];
        if (remaining <= 0) {
            peakLevel_ = (bin + remaining / histogram_[bin - 1]) / kLevelHistogramSize;
            break;
        }
    }
    outcome.peakLevel = peakLevel_;
    outcome.peakKnown = true;

    // Level ladder: every rung votes for the beat rate it finds.
    const double g = rateSetting / 3600.0;
    int votes[kVoteSlots] = {};
    double freq[kLadderRungs + 1] = {};
    int bestVotes = 0;
    double best = -1.0;
    for (int n = kLadderRungs; n >= 0; --n) {
        const double level = mean + (peakLevel_ - mean) * n / kLadderRungs;
        double fr = 0.0, fm = 0.0;
        if (!EstimateBeatRate(g, level, fr, fm)) {
            continue;
        }
        const bool accepted =
            g != 0.0 ? std::fabs(g - fm) / g < kRateAgreement
                     : 4.9 < fr && fr < 8.1 && std::fabs(fr - fm) / fr < kRateAgreement;
        if (!accepted) {
            continue;
        }
        const double f = g != 0.0 ? g : fr;
        const int slot = static_cast<int>(
            std::clamp<std::int64_t>(RoundToInt(2.0 * f - 1.0), 0, kVoteSlots - 1));
        if (++votes[slot] > bestVotes) {
            bestVotes = votes[slot];
            best = f;
        }
        freq[n] = f;
    }

    // Threshold just above the lowest rung of the first run that found the winner. A lone
    // rung below a longer run is passed over: it lies in the noise, where the winner was
    // found by chance, and the detector would seldom hear the half beat of quiet it needs.
    auto runEnd = [&freq, best](int n) {
        while (n <= kLadderRungs && freq[n] == best) {
            ++n;
        }
        return n;
    };
    int j = 1;
    while (j <= kLadderRungs && freq[j] != best) {
        ++j;
    }
    int k = runEnd(j);
    for (int n = k; k - j == 1 && n <= kLadderRungs; ++n) {
        if (freq[n] == best && runEnd(n) - n >= 2) {
            j = n;
            k = runEnd(n);
        }
    }
    auto runThreshold = [&](int first, int end) {
        return mean + (peakLevel_ - mean) * (first + (end - first) / 16.0) / kLadderRungs;
    };
    thresholdLevel_ = runThreshold(j, k);

    double fr = 0.0, fm = 0.0, irregularity = 0.0;
    const bool estimated =
        best > 0.0 && EstimateOnsets(best, thresholdLevel_, fr, fm, &irregularity);
    // A very short drop leaves the peak level (a percentile) among the noise, and a run of
    // rungs may then find the rate in noise that crosses just before each beat: its onsets
    // wander, and the detector would seldom hear the half beat of quiet it needs. A higher run
    // whose onsets sit steadily on the ticks takes the threshold.
    for (int n = k; estimated && irregularity > kSteadyOnsets && n <= kLadderRungs; ++n) {
        if (freq[n] != best) {
            continue;
        }
        const int end = runEnd(n);
        const double level = runThreshold(n, end);
        double r = 0.0, m = 0.0, steadiness = 0.0;
        if (EstimateOnsets(best, level, r, m, &steadiness) && steadiness <= kSteadyOnsets) {
            thresholdLevel_ = level;
            fr = r;
            fm = m;
            irregularity = steadiness;
        }
        n = end;
    }
    outcome.thresholdLevel = thresholdLevel_;
    bool found = estimated &&
                 // Noise crossing the threshold at random also spaces its onsets about a beat
                 // apart (the gap after each, plus a waiting time); only a watch keeps them on
                 // two lines.
                 irregularity <= kMaxIrregularity &&
                 (g == 0.0 || std::fabs(g - fm) / g < kRateAgreement) &&
                 // AUTO keeps the rate the rungs voted for: onsets found at the threshold
                 // every other beat, or with a sound between the beats, give another rate,
                 // and a 12000 bph watch would read 12600 bph and -4111 s/d, settled.
                 (g != 0.0 || (fr == best && std::fabs(fr - fm) / fr < kRateAgreement));
    if (!found) {
        // Under strong noise no rung holds the ticks alone; the rhythm of the sound may still
        // show a watch, and then the most regular rung at its rate takes the threshold.
        const double rhythm = FindRateByRhythm(g);
        const bool placed = rhythm > 0.0 && PlaceThresholdFor(rhythm, fm);
        outcome.thresholdLevel = thresholdLevel_;
        if (!placed) {
            return false;
        }
        fr = rhythm;
    }
    outcome.beatFrequency = g != 0.0 ? g : fr;
    outcome.beatsPerHour = static_cast<int>(RoundToInt(outcome.beatFrequency * 3600.0));
    outcome.rateError = (fm / outcome.beatFrequency - 1.0) * 86400.0;
    outcome.minLiftSamples =
        static_cast<int>(RoundToInt(std::asin(liftAngle * 0.001388888889) * 0.6366182837 *
                                    sampleRate_ / outcome.beatFrequency));
    return true;
}

void SignalAnalysis::BeginCalibration(int duration, int filterKind, double rateCorrection) {
    SetSampleRate(rateCorrection);
    filter_.SetKind(filterKind);
    calibration_.Begin(duration, sampleRate_);
}

bool SignalAnalysis::AddCalibrationSamples(const std::int16_t* samples, int count) {
    return calibration_.Add(samples, count, filter_);
}

bool SignalAnalysis::FinishCalibration(int rateSetting, int liftAngle, int& beatsPerHour,
                                       double& peakLevel, double& rateError) {
    LevelCalibration::Outcome outcome;
    outcome.thresholdLevel = thresholdLevel_;
    const bool found = calibration_.Finish(rateSetting, liftAngle, outcome);
    if (outcome.peakKnown) {
        peakLevel_ = outcome.peakLevel;
    }
    thresholdLevel_ = outcome.thresholdLevel;
    peakLevel = peakLevel_;
    beatsPerHour = 0;
    rateError = 0.0;
    if (!found) {
        return false;
    }
    beatFrequency_ = outcome.beatFrequency;
    beatsPerHour = outcome.beatsPerHour;
    rateError = outcome.rateError;
    minLiftSamples_ = outcome.minLiftSamples;
    ResetTickDetector();
    return true;
}

double SignalAnalysis::AdjustThreshold(double step) {
    thresholdLevel_ += step;
    if (thresholdLevel_ > 1.0) {
        thresholdLevel_ = 1.0;
    } else if (thresholdLevel_ < 0.0) {
        thresholdLevel_ = 0.0;
    }
    return thresholdLevel_;
}

void SignalAnalysis::SetCalibration(double thresholdLevel, double peakLevel, double beatFrequency,
                                    int minLiftSamples) {
    thresholdLevel_ = thresholdLevel;
    peakLevel_ = peakLevel;
    beatFrequency_ = beatFrequency;
    minLiftSamples_ = minLiftSamples;
}

} // namespace dsp
