#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace pages {

// Annotations are kept and stored as UTF-8. Files written elsewhere may hold 8-bit text.

// True when bytes are well-formed UTF-8 (no overlong forms, surrogates or values beyond
// U+10FFFF).
bool IsValidUtf8(std::string_view bytes);

// Stored annotation bytes as text: UTF-8 as it is, anything else read as Windows-1252.
std::string AnnotationFromStoredBytes(std::string_view bytes);

// At most maxBytes of the text, cut before a character that would not fit whole, so that
// the result is still valid UTF-8.
std::string_view ShortenUtf8(std::string_view text, std::size_t maxBytes);

} // namespace pages
