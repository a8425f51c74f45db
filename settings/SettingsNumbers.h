#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tickora {

// Number texts of the settings, read the same way under every locale.

// A decimal integer with an optional sign and surrounding blanks; nothing when the text is
// anything else or does not fit 32 bits.
std::optional<std::int32_t> ParseInteger(std::string_view text);

// A finite decimal number ("-2.5", "1e3", " 1.00000000000000E+0000"); "." or "," is the
// decimal point. Infinities, NaN and hexadecimal forms are refused.
std::optional<double> ParseDecimal(std::string_view text);

// A scope sweep time in seconds from a text such as "1", "1/5.5" or "2/3.5"; -1.0 marks a
// text that is no usable sweep time.
double ParseSweep(std::string_view text);

// n / d rounded to the nearest integer, halves to the even neighbour; d > 0.
std::int32_t DivideRoundHalfEven(std::int32_t n, std::int32_t d);

// The gain line: 23 characters, a blank or "-", one digit, ".", 14 digits, "E", the
// exponent's sign and 4 exponent digits (" 1.00000000000000E+0000" for 1.0).
std::string FormatGain(double gain);

} // namespace tickora
