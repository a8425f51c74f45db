#pragma once

#include "dsp/Filter.h"
#include "dsp/RobustMedian.h"

#include <cstdint>
#include <memory>

namespace dsp {

// Level calibration and beat-rate detection: the settling time's levels are stored, their
// 99.75th percentile taken as the peak level, and a ladder of thresholds between the mean and
// that peak votes for the beat rate its onsets show; the threshold goes just above the lowest
// rung that found the winner. Under noise that hides the watch from every rung, the rhythm of
// the sound finds the rate and the most regular rung at it takes the threshold.
//
// Thread: the GUI thread, through SignalAnalysis. The stores are allocated once.
class LevelCalibration {
public:
    // What a finished calibration found.
    struct Outcome {
        bool peakKnown = false; // the levels gave a peak level
        double peakLevel = 0.0; // their 99.75th percentile
        double thresholdLevel = 0.0;
        double beatFrequency = 0.0; // beats/s, set or detected
        int beatsPerHour = 0;
        double rateError = 0.0; // s/d, the onsets' first estimate
        int minLiftSamples = 0; // the lift at 360 degrees
    };

    LevelCalibration();
    LevelCalibration(const LevelCalibration&) = delete;
    LevelCalibration& operator=(const LevelCalibration&) = delete;

    // duration: settling time (s); sampleRate: the effective samples/s.
    void Begin(int duration, double sampleRate);
    // Filters samples into the level store until it is full; true once it is.
    bool Add(const std::int16_t* samples, int count, BandPassFilter& filter);
    double Progress() const; // 0 ... 1
    // rateSetting: beats per hour, 0 = AUTO; liftAngle: degrees. False without a consistent
    // tick; the outcome's peak and threshold levels are set as far as it got.
    bool Finish(int rateSetting, int liftAngle, Outcome& outcome);
    // Onsets in the level store at threshold T; guess in beats/s (0 = none).
    bool EstimateBeatRate(double guess, double threshold, double& rounded, double& measured) const;

    int LevelCount() const { return levelCount_; }
    int LevelCapacity() const { return levelCapacity_; }
    double LevelAt(int index) const { return levels_[index]; } // 1-based
    int HistogramCount(int bin) const { return histogram_[bin]; }

private:
    static constexpr int kLevelBlockShift = 6; // levels per block maximum: 64
    static constexpr std::int64_t kLevelBlockSize = std::int64_t{1} << kLevelBlockShift;
    double Irregularity(int count, double measured) const;
    bool EstimateOnsets(double guess, double threshold, double& rounded, double& measured,
                        double* irregularity, bool numberedByTime = false) const;
    std::int64_t FindAtOrAbove(std::int64_t from, std::int64_t end, double threshold) const;
    std::int64_t FindLastAtOrAbove(std::int64_t from, std::int64_t end, double threshold) const;
    double FindRateByRhythm(double setRate) const;
    bool PlaceThresholdFor(double beatFrequency, double& measured);

    double sampleRate_ = 44100.0;          // samples/s
    std::unique_ptr<double[]> levels_;     // 1-based, kLevelStoreCapacity + 1
    std::unique_ptr<double[]> blockMax_;   // largest level of each block of 64
    std::unique_ptr<int[]> histogram_;     // kLevelHistogramSize counters
    std::unique_ptr<double[]> onsetTimes_; // kTickRingSize onsets of one estimate
    // The sound through a fixed band-pass in 10 ms blocks (twice the room: the second half is
    // a work area), for finding a watch by its rhythm.
    std::unique_ptr<double[]> rhythm_;
    BandPassFilter rhythmFilter_;
    int rhythmBlocks_ = 0;
    int rhythmFill_ = 0; // samples in the block being summed
    double rhythmSum_ = 0.0;
    mutable HistogramMedian onsetMedian_;
    int levelCount_ = 0;
    int levelCapacity_ = 1;
    double levelSum_ = 0.0;
    double peakLevel_ = 0.0;
    double thresholdLevel_ = 0.0;
};

} // namespace dsp
