#pragma once

#include "hotkey/Key.h"

#include <cstdint>
#include <optional>

// Where each key sits on a PC keyboard, as Linux numbers key positions (the kernel's evdev
// codes). X servers and Wayland compositors that use XKB number the same positions evdev + 8,
// so the stored codes keep meaning the same physical key whatever layout is active.
//
// Two keys have no PC counterpart that X can address: `function` (the kernel's KEY_FN is beyond
// X's 8..255 key-code range), so it has no X key code. Keys that sit in a different place on
// a Mac keyboard take the PC key at that spot: `help` is Insert, `keypadClear` is Num Lock,
// `section` is the extra ISO key beside the left Shift (and `grave` the key left of 1).
namespace KeyPosition {

// The kernel's key code for the key's position.
std::uint32_t evdevCode(Key key);
std::optional<Key> keyFromEvdevCode(std::uint32_t code);

// The X key code (evdev + 8) when it fits X's 8..255 range.
std::optional<std::uint8_t> xKeyCode(Key key);
std::optional<Key> keyFromXKeyCode(std::uint32_t xKeyCode);

} // namespace KeyPosition
