#pragma once

#include <cstdint>

namespace tickora {

// The key codes the keyboard handler acts on, numbered as the classic virtual-key codes.
namespace vk {
constexpr std::uint16_t Back = 8;
constexpr std::uint16_t Tab = 9;
constexpr std::uint16_t Return = 13;
constexpr std::uint16_t Escape = 27;
constexpr std::uint16_t Space = 32;
constexpr std::uint16_t Left = 37;
constexpr std::uint16_t Up = 38;
constexpr std::uint16_t Right = 39;
constexpr std::uint16_t Down = 40;
constexpr std::uint16_t A = 65;
constexpr std::uint16_t F = 70;
constexpr std::uint16_t G = 71;
constexpr std::uint16_t L = 76;
constexpr std::uint16_t P = 80;
constexpr std::uint16_t Q = 81;
constexpr std::uint16_t R = 82;
constexpr std::uint16_t S = 83;
constexpr std::uint16_t W = 87;
constexpr std::uint16_t Add = 107;      // numeric pad +
constexpr std::uint16_t Subtract = 109; // numeric pad -
constexpr std::uint16_t OemPlus = 187;  // the = + key
constexpr std::uint16_t OemMinus = 189; // the - key
} // namespace vk

// Maps a Qt key (Qt::Key value) to its virtual-key code; 0 for keys the window ignores.
// keypad tells a numeric-pad key from the main block's.
std::uint16_t VirtualKeyOf(int qtKey, bool keypad);

} // namespace tickora
