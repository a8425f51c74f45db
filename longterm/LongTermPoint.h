#pragma once

namespace longterm {

// One point of the long-term chart.
struct LongTermPoint {
    double Time = 0;      // s since testing began, as the tick result carries it
    double DailyRate = 0; // s/d
    double Amplitude = 0; // degrees
    double BeatError = 0; // ms
};

// The three charted series, in the order of the chart's panels (top to bottom).
enum class Series { DailyRate = 0, Amplitude = 1, BeatError = 2 };
inline constexpr int kSeriesCount = 3;

inline double ValueOf(const LongTermPoint& point, Series series) {
    switch (series) {
    case Series::DailyRate:
        return point.DailyRate;
    case Series::Amplitude:
        return point.Amplitude;
    case Series::BeatError:
        return point.BeatError;
    }
    return 0;
}

} // namespace longterm
