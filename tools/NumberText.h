#pragma once

#include <charconv>
#include <optional>
#include <string>

namespace tools {

// Command-line numbers: the whole text must be the number; a leading "+" is allowed, "+-"
// is not. Non-finite doubles are refused.
std::optional<long long> ParseInteger(const std::string& text);
std::optional<double> ParseNumber(const std::string& text,
                                  std::chars_format format = std::chars_format::general);

} // namespace tools
