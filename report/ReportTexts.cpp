#include "report/ReportTexts.h"

#include "report/ValueTexts.h"

#include <limits>

namespace report {

std::size_t TextLength(std::string_view utf8) {
    std::size_t count = 0;
    for (const char c : utf8) {
        // Continuation bytes (10xxxxxx) belong to the character before them.
        if ((static_cast<unsigned char>(c) & 0xC0) != 0x80)
            ++count;
    }
    return count;
}

std::string PadLeft(std::string_view utf8, int width) {
    const std::size_t length = TextLength(utf8);
    std::string text;
    if (width > 0 && length < static_cast<std::size_t>(width))
        text.assign(static_cast<std::size_t>(width) - length, ' ');
    text.append(utf8);
    return text;
}

std::string PadRight(std::string_view utf8, int width) {
    const std::size_t length = TextLength(utf8);
    std::string text(utf8);
    if (width > 0 && length < static_cast<std::size_t>(width))
        text.append(static_cast<std::size_t>(width) - length, ' ');
    return text;
}

std::string Trim(std::string_view text) {
    constexpr std::string_view kBlanks = " \t\r\n";
    const std::size_t first = text.find_first_not_of(kBlanks);
    if (first == std::string_view::npos)
        return {};
    const std::size_t last = text.find_last_not_of(kBlanks);
    return std::string(text.substr(first, last - first + 1));
}

std::int32_t ParseCellNumber(std::string_view typed) {
    const std::string digits = Trim(typed);
    if (digits.empty())
        return 0;
    std::int64_t value = 0;
    for (const char c : digits) {
        if (c < '0' || c > '9')
            return 0;
        value = value * 10 + (c - '0');
        if (value > std::numeric_limits<std::int32_t>::max())
            return 0;
    }
    return static_cast<std::int32_t>(value);
}

std::string UnsignedRateText(double rate) {
    return RateText(rate).substr(1);
}

} // namespace report
