#include "settings/SettingsNumbers.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <system_error>

namespace tickora {

namespace {

constexpr double kSmallestNumerator = 0.01; // s
constexpr double kSmallestDenominator = 0.001;

std::string_view TrimBlanks(std::string_view text) {
    const auto blank = [](char c) { return c == ' ' || c == '\t'; };
    while (!text.empty() && blank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && blank(text.back()))
        text.remove_suffix(1);
    return text;
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

} // namespace

std::optional<std::int32_t> ParseInteger(std::string_view text) {
    text = TrimBlanks(text);
    bool negative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    if (text.empty() || !IsDigit(text.front()))
        return std::nullopt;
    std::int64_t magnitude = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), magnitude);
    if (error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    const std::int64_t value = negative ? -magnitude : magnitude;
    if (value < INT32_MIN || value > INT32_MAX)
        return std::nullopt;
    return static_cast<std::int32_t>(value);
}

std::optional<double> ParseDecimal(std::string_view text) {
    text = TrimBlanks(text);
    if (text.empty() || text.size() > 64)
        return std::nullopt;
    char buffer[65];
    std::size_t length = 0;
    bool negative = false;
    if (text.front() == '+' || text.front() == '-') {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    // A digit or a decimal point must come first: this keeps out "inf", "nan" and "0x".
    if (text.empty() || !(IsDigit(text.front()) || text.front() == '.' || text.front() == ','))
        return std::nullopt;
    bool point = false;
    for (char c : text) {
        if (c == ',' || c == '.') {
            if (point)
                return std::nullopt;
            point = true;
            c = '.';
        } else if (c == 'x' || c == 'X' || c == 'p' || c == 'P') {
            return std::nullopt;
        }
        buffer[length++] = c;
    }
    double value = 0.0;
    const auto [end, error] = std::from_chars(buffer, buffer + length, value);
    if (error != std::errc() || end != buffer + length || !std::isfinite(value))
        return std::nullopt;
    return negative ? -value : value;
}

double ParseSweep(std::string_view text) {
    std::string_view numeratorText = text;
    std::string_view denominatorText = "1";
    if (const auto slash = text.find('/'); slash != std::string_view::npos) {
        numeratorText = text.substr(0, slash);
        denominatorText = text.substr(slash + 1);
    }
    double numerator = 1.0;
    double denominator = 0.0;
    const auto n = ParseDecimal(numeratorText);
    const auto d = ParseDecimal(denominatorText);
    if (n && d) {
        numerator = *n;
        denominator = *d;
    }
    if (numerator < kSmallestNumerator)
        return -1.0;
    if (denominator <= kSmallestDenominator)
        return -1.0;
    return numerator / denominator;
}

std::int32_t DivideRoundHalfEven(std::int32_t n, std::int32_t d) {
    std::int32_t quotient = n / d;
    const std::int32_t remainder = std::abs(n % d);
    const std::int32_t step = (n < 0) ? -1 : 1;
    if (2 * static_cast<std::int64_t>(remainder) > d ||
        (2 * static_cast<std::int64_t>(remainder) == d && quotient % 2 != 0))
        quotient += step;
    return quotient;
}

std::string FormatGain(double gain) {
    if (!std::isfinite(gain))
        gain = 1.0;
    // 15 significant digits in scientific form, locale-free: "d.ddddddddddddddde+XX".
    char digits[40];
    const auto result =
        std::to_chars(digits, digits + sizeof digits, gain, std::chars_format::scientific, 14);
    const std::string_view text(digits, static_cast<std::size_t>(result.ptr - digits));
    const auto e = text.find('e');
    std::string_view mantissa = text.substr(0, e);
    std::string_view exponent = text.substr(e + 1);
    std::string line;
    line += mantissa.front() == '-' ? '-' : ' ';
    if (mantissa.front() == '-')
        mantissa.remove_prefix(1);
    line += mantissa;
    line += 'E';
    line += exponent.front();
    exponent.remove_prefix(1);
    line.append(exponent.size() < 4 ? 4 - exponent.size() : 0, '0');
    line += exponent;
    return line;
}

} // namespace tickora
