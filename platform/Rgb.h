#pragma once

#include <cstdint>

namespace platform {

// One colour as an RGB triple, 8 bits per channel.
struct Rgb {
    std::uint8_t r = 0;
    std::uint8_t g = 0;
    std::uint8_t b = 0;

    friend constexpr bool operator==(Rgb, Rgb) = default;
};

constexpr Rgb RgbOf(int r, int g, int b) {
    return Rgb{static_cast<std::uint8_t>(r), static_cast<std::uint8_t>(g),
               static_cast<std::uint8_t>(b)};
}
constexpr Rgb Grey(int v) {
    return RgbOf(v, v, v);
}

constexpr Rgb kWhite = RgbOf(255, 255, 255);
constexpr Rgb kBlack = RgbOf(0, 0, 0);

} // namespace platform
