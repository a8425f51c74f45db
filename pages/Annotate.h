#pragma once

#include "pages/PageInfo.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace pages {

// The six standard watch positions, numbered 1 to 6. A page whose annotation equals a
// position name exactly (case counts) is a page of that position.
inline constexpr int kPositionCount = 6;

// The captions of the position buttons; "&" marks the keyboard accelerator.
inline constexpr std::array<std::string_view, kPositionCount> PositionCaptions = {
    "Dial &Up", "Dial &Down", "Cro&wn Up", "Cr&own Down", "Crown &Left", "Crown &Right"};

// A caption without its accelerator mark: the text before the first "&" and after it.
std::string StripAccelerator(std::string_view caption);

// The stored names: "Dial Up", "Dial Down", "Crown Up", "Crown Down", "Crown Left",
// "Crown Right".
const std::array<std::string, kPositionCount>& PositionNames();

// 1 to 6 when the annotation equals a position name, else 0 (also for an empty one).
std::int32_t PositionOf(std::string_view annotation);
std::int32_t PositionOf(const TPageInfo& page);

// The name of position 1 to 6; empty for any other number.
std::string PositionName(std::int32_t position);

} // namespace pages
