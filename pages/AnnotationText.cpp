#include "pages/AnnotationText.h"

#include <array>
#include <cstdint>

namespace pages {

namespace {

// Windows-1252 0x80..0x9F; the five unassigned bytes keep their C1 control code points.
constexpr std::array<char32_t, 32> kWindows1252High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

void AppendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

bool IsContinuation(std::uint8_t byte) {
    return (byte & 0xC0) == 0x80;
}

} // namespace

bool IsValidUtf8(std::string_view bytes) {
    std::size_t i = 0;
    const std::size_t n = bytes.size();
    while (i < n) {
        const auto b0 = static_cast<std::uint8_t>(bytes[i]);
        if (b0 < 0x80) {
            ++i;
            continue;
        }
        std::size_t length = 0;
        std::uint8_t low = 0x80; // allowed range of the second byte
        std::uint8_t high = 0xBF;
        if (b0 >= 0xC2 && b0 <= 0xDF) {
            length = 2;
        } else if (b0 >= 0xE0 && b0 <= 0xEF) {
            length = 3;
            if (b0 == 0xE0) {
                low = 0xA0; // overlong
            } else if (b0 == 0xED) {
                high = 0x9F; // surrogates
            }
        } else if (b0 >= 0xF0 && b0 <= 0xF4) {
            length = 4;
            if (b0 == 0xF0) {
                low = 0x90; // overlong
            } else if (b0 == 0xF4) {
                high = 0x8F; // beyond U+10FFFF
            }
        } else {
            return false;
        }
        if (n - i < length) {
            return false;
        }
        const auto b1 = static_cast<std::uint8_t>(bytes[i + 1]);
        if (b1 < low || b1 > high) {
            return false;
        }
        for (std::size_t k = 2; k < length; ++k) {
            if (!IsContinuation(static_cast<std::uint8_t>(bytes[i + k]))) {
                return false;
            }
        }
        i += length;
    }
    return true;
}

std::string AnnotationFromStoredBytes(std::string_view bytes) {
    if (IsValidUtf8(bytes)) {
        return std::string(bytes);
    }
    std::string text;
    text.reserve(bytes.size() * 3);
    for (char c : bytes) {
        const auto byte = static_cast<std::uint8_t>(c);
        if (byte >= 0x80 && byte <= 0x9F) {
            AppendUtf8(text, kWindows1252High[byte - 0x80]);
        } else {
            AppendUtf8(text, byte); // the rest of the code page is Latin-1
        }
    }
    return text;
}

std::string_view ShortenUtf8(std::string_view text, std::size_t maxBytes) {
    if (text.size() <= maxBytes) {
        return text;
    }
    // A character is at most four bytes, so the cut moves back at most three.
    std::size_t end = maxBytes;
    for (int k = 0; k < 3 && end > 0 && IsContinuation(static_cast<std::uint8_t>(text[end])); ++k) {
        --end;
    }
    if (IsContinuation(static_cast<std::uint8_t>(text[end]))) {
        end = maxBytes; // not UTF-8 at this point: cut at the limit
    }
    return text.substr(0, end);
}

} // namespace pages
