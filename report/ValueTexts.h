#pragma once

#include <cstdint>
#include <string>

// The texts of the result strip: daily rate, amplitude, beat error, test parameters, signal
// gain and page captions. Shared by the main window and the performance report, so they read
// the same everywhere. No GUI here.
namespace report {

// How a result is coloured: provisional (averaging period not yet complete), complete, or
// the long-term colours that match the curves of the long-term chart.
enum class ResultTone { Provisional, Complete, LongTermRate, LongTermAmplitude };

// Daily rate, s/d: "+9.9s/d", "- 10s/d", "- 17m/d" (minutes per day from 999.5 s/d), "+******"
// from 59970 s/d. Zero reads "-0.0s/d".
std::string RateText(double rate);

// Amplitude, degrees, rounded half to even and right-aligned in three characters: "  7°".
std::string AmplitudeText(double amplitude);

// Beat error, ms: "0.3ms", " 12ms". The value is shown as it is, sign included.
std::string BeatErrorText(double beatError);

// "28800bph 52° 20s": bph when it is not 0, else the set rate when that is not 0, else
// "AUTO"; then the lift angle (degrees) and the averaging period (s).
std::string ParametersText(std::int32_t bph, std::int32_t settingsRate, std::int32_t angle,
                           std::int32_t period);

// Signal gain (1 to 256) in decibels: "+0dB" .. "+48dB".
std::string GainText(double gain);

// The message of a calibration that found no watch: at the rate set, or (rate 0) at any.
std::string CalibrationFailureText(std::int32_t rate);

// A time stamp (days since 1899-12-30 00:00, time of day as the fraction) plus 30 seconds,
// as "yyyy-mm-dd hh:nn", so the minute shown is the nearest one.
std::string PageTimeText(double timestamp);

// The caption of a stored page: its annotation, or "Page 3/10" when it has none, then
// " - " and PageTimeText.
std::string PageCaptionText(const std::string& annotation, std::int32_t pageIndex,
                            std::int32_t pageCount, double timestamp);

// Colours by completeness and long-term state (after the first chart point).
ResultTone RateTone(bool complete, bool longTermActive, bool awaitingFirstChartPoint);
ResultTone AmplitudeTone(bool complete, bool longTermActive, bool awaitingFirstChartPoint);
ResultTone BeatErrorTone(bool complete);

// Integer rounding to nearest, halves to even, as every displayed number uses.
std::int64_t RoundHalfEven(double value);

} // namespace report
