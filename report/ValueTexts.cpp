#include "report/ValueTexts.h"

#include <cmath>
#include <cstdio>

namespace report {

namespace {

constexpr const char* kDegree = "\u00b0";

template <typename... Args> std::string Format(const char* format, Args... args) {
    char text[64];
    const int n = std::snprintf(text, sizeof text, format, args...);
    if (n < 0)
        return {};
    return std::string(text, static_cast<std::size_t>(n) < sizeof text ? n : sizeof text - 1);
}

// Civil date from a day count since 1970-01-01 (proleptic Gregorian).
void CivilFromDays(std::int64_t z, std::int64_t& y, unsigned& m, unsigned& d) {
    z += 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    y = static_cast<std::int64_t>(yoe) + era * 400;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    d = doy - (153 * mp + 2) / 5 + 1;
    m = mp < 10 ? mp + 3 : mp - 9;
    y += m <= 2 ? 1 : 0;
}

} // namespace

std::int64_t RoundHalfEven(double value) {
    if (!std::isfinite(value))
        return 0;
    const double r = std::nearbyint(value); // the default rounding mode: halves to even
    if (r >= 9.2e18)
        return INT64_MAX;
    if (r <= -9.2e18)
        return INT64_MIN;
    return static_cast<std::int64_t>(r);
}

std::string RateText(double rate) {
    const double a = std::fabs(rate);
    std::string number;
    if (!(a < 59970.0)) // overflow, infinity and NaN alike
        number = "******";
    else if (a < 9.95)
        number = Format("%3.1fs/d", a);
    else if (a < 999.5)
        number = Format("%3.0fs/d", a);
    else
        number = Format("%3.0fm/d", a / 60.0);
    return (rate > 0 ? "+" : "-") + number;
}

std::string AmplitudeText(double amplitude) {
    return Format("%3lld", static_cast<long long>(RoundHalfEven(amplitude))) + kDegree;
}

std::string BeatErrorText(double beatError) {
    return beatError < 9.95 ? Format("%3.1fms", beatError) : Format("%3.0fms", beatError);
}

std::string ParametersText(std::int32_t bph, std::int32_t settingsRate, std::int32_t angle,
                           std::int32_t period) {
    std::string text;
    if (bph != 0)
        text = std::to_string(bph) + "bph";
    else if (settingsRate != 0)
        text = std::to_string(settingsRate) + "bph";
    else
        text = "AUTO";
    return text + " " + std::to_string(angle) + kDegree + " " + std::to_string(period) + "s";
}

std::string CalibrationFailureText(std::int32_t rate) {
    if (rate != 0)
        return "Unable to detect a consistent tick at " + std::to_string(rate) + "bph.";
    return "Unable to detect a consistent tick.";
}

std::string GainText(double gain) {
    return Format("+%1.0fdB", std::log(gain) * 8.6562);
}

std::string PageTimeText(double timestamp) {
    if (!std::isfinite(timestamp) || std::fabs(timestamp) > 3.0e6)
        return "(no time)";
    const double shifted = timestamp + 1.0 / 2880.0; // + 30 s rounds to the nearest minute
    double dayPart = std::floor(shifted);
    // Milliseconds of the day, rounded, as a clock would count them.
    std::int64_t ms = RoundHalfEven((shifted - dayPart) * 86400000.0);
    if (ms >= 86400000) {
        ms -= 86400000;
        dayPart += 1;
    }
    // 1899-12-30 is 25569 days before 1970-01-01.
    std::int64_t year = 0;
    unsigned month = 0;
    unsigned day = 0;
    CivilFromDays(static_cast<std::int64_t>(dayPart) - 25569, year, month, day);
    const auto minutes = ms / 60000;
    return Format("%04lld-%02u-%02u %02lld:%02lld", static_cast<long long>(year), month, day,
                  static_cast<long long>(minutes / 60), static_cast<long long>(minutes % 60));
}

std::string PageCaptionText(const std::string& annotation, std::int32_t pageIndex,
                            std::int32_t pageCount, double timestamp) {
    std::string caption = annotation;
    if (caption.empty())
        caption = "Page " + std::to_string(pageIndex) + "/" + std::to_string(pageCount);
    return caption + " - " + PageTimeText(timestamp);
}

ResultTone RateTone(bool complete, bool longTermActive, bool awaitingFirstChartPoint) {
    if (!complete)
        return ResultTone::Provisional;
    if (longTermActive && !awaitingFirstChartPoint)
        return ResultTone::LongTermRate;
    return ResultTone::Complete;
}

ResultTone AmplitudeTone(bool complete, bool longTermActive, bool awaitingFirstChartPoint) {
    if (!complete)
        return ResultTone::Provisional;
    if (longTermActive && !awaitingFirstChartPoint)
        return ResultTone::LongTermAmplitude;
    return ResultTone::Complete;
}

ResultTone BeatErrorTone(bool complete) {
    return complete ? ResultTone::Complete : ResultTone::Provisional;
}

} // namespace report
