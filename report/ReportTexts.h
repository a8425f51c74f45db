#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// Small text helpers of the report: padding that counts characters (the texts are UTF-8 and
// the degree sign takes two bytes), trimming, and the numbers typed into the grid. No GUI.
namespace report {

// Characters (code points) of a UTF-8 text.
std::size_t TextLength(std::string_view utf8);

// Pads with blanks on the left (right-aligned) or on the right (left-aligned) to width
// characters; a longer text is returned whole.
std::string PadLeft(std::string_view utf8, int width);
std::string PadRight(std::string_view utf8, int width);

// Without leading and trailing blanks (space, tab and line ends).
std::string Trim(std::string_view text);

// The value of an ORDER or WEIGHT cell: the trimmed text made of the digits 0 to 9 only.
// An empty text, any other character and a number beyond the 32-bit range give 0, so such a
// cell shows empty and leaves the row out of the statistics.
std::int32_t ParseCellNumber(std::string_view typed);

// The daily rate without its sign, for the spread of the statistics.
std::string UnsignedRateText(double rate);

} // namespace report
