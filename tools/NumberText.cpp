#include "tools/NumberText.h"

#include <cmath>

namespace tools {

namespace {

// The text after an optional leading "+", which from_chars would not accept.
const char* SkipPlus(const char* begin, const char* end) {
    if (begin != end && *begin == '+' && begin + 1 != end && begin[1] != '-') {
        ++begin;
    }
    return begin;
}

} // namespace

std::optional<long long> ParseInteger(const std::string& text) {
    long long value = 0;
    const char* end = text.data() + text.size();
    const char* begin = SkipPlus(text.data(), end);
    const auto [rest, status] = std::from_chars(begin, end, value);
    if (status != std::errc() || rest != end || begin == end) {
        return std::nullopt;
    }
    return value;
}

std::optional<double> ParseNumber(const std::string& text, std::chars_format format) {
    double value = 0.0;
    const char* end = text.data() + text.size();
    const char* begin = SkipPlus(text.data(), end);
    const auto [rest, status] = std::from_chars(begin, end, value, format);
    if (status != std::errc() || rest != end || begin == end || !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

} // namespace tools
