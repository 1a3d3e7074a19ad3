#pragma once

#include "hotkey/ModifierFlags.h"

#include <cstdint>

// The X core protocol's modifier bits, and how the stored modifier flags map onto them:
// control -> Control, option -> Mod1 (Alt), shift -> Shift, command -> Mod4 (Super).
// Mod2 is usually Num Lock, but that is only a convention: look it up in the modifier map.
namespace X11ModifierMask {

inline constexpr std::uint16_t shift = 0x01;
inline constexpr std::uint16_t lock = 0x02;
inline constexpr std::uint16_t control = 0x04;
inline constexpr std::uint16_t mod1 = 0x08;
inline constexpr std::uint16_t mod2 = 0x10;
inline constexpr std::uint16_t mod3 = 0x20;
inline constexpr std::uint16_t mod4 = 0x40;
inline constexpr std::uint16_t mod5 = 0x80;
// All eight modifier bits; the rest of an event's state are pointer buttons.
inline constexpr std::uint16_t allModifiers = 0xFF;

std::uint16_t fromModifierFlags(ModifierFlags flags);
std::uint16_t fromCarbonFlags(std::uint32_t carbonFlags);
// Only Shift, Control, Mod1 and Mod4 come back; lock and other bits are dropped.
ModifierFlags toModifierFlags(std::uint16_t mask);

} // namespace X11ModifierMask
