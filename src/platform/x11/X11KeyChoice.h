#pragma once

#include <cstdint>
#include <vector>

// Picks the X key codes for posted shortcuts from the server's keyboard mapping. Pure: the
// mapping comes in as the core protocol lays it out (keysymsPerKeyCode columns per key code,
// starting at minKeyCode).
namespace X11KeyChoice {

struct KeyboardMapping {
    std::uint8_t minKeyCode = 8;
    int keysymsPerKeyCode = 0;
    std::vector<std::uint32_t> keysyms;
};

// The key that types the Latin letter (lower-case keysym) in the first group that has it, so
// that Ctrl+C is the key the user's layout calls C (Dvorak included); on a layout with no Latin
// group at all, the key at the letter's position on a US keyboard (applications fall back to
// that position themselves).
std::uint8_t keyCodeForLetter(const KeyboardMapping& mapping, std::uint32_t letterKeysym,
                              std::uint8_t positionalKeyCode);

// The order in which held modifiers are released: Alt and the other ModN first, Shift next and
// Control last, so that no lone Alt tap reaches the application (it would open a menu bar).
// Indices are X modifier indices (Shift 0, Lock 1, Control 2, Mod1 3 ... Mod5 7).
const std::vector<int>& releaseOrder();

} // namespace X11KeyChoice
