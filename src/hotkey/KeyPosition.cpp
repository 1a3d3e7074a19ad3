#include "hotkey/KeyPosition.h"

#include <algorithm>
#include <array>

namespace {

// In case order of Key.
constexpr std::array<std::uint16_t, Key::caseCount> evdevCodes{
    // a to z
    30, 48, 46, 32, 18, 33, 34, 35, 23, 36, 37, 38, 50, 49, 24, 25, 16, 19, 31, 20, 22, 47, 17, 45,
    21, 44,
    // 0 to 9
    11, 2, 3, 4, 5, 6, 7, 8, 9, 10,
    // . ' ] ; / \ , = ` [ - and the ISO key beside the left Shift
    52, 40, 27, 39, 53, 43, 51, 13, 41, 26, 12, 86,
    // space, tab, return
    57, 15, 28,
    // left/right Super, Alt, Ctrl, Shift; fn; Caps Lock
    125, 126, 56, 100, 29, 97, 42, 54, 464, 58,
    // page up/down, home, end, arrows up/right/down/left
    104, 109, 102, 107, 103, 106, 108, 105,
    // F1 to F20
    59, 60, 61, 62, 63, 64, 65, 66, 67, 68, 87, 88, 183, 184, 185, 186, 187, 188, 189, 190,
    // keypad 0 to 9
    82, 79, 80, 81, 75, 76, 77, 71, 72, 73,
    // keypad clear (Num Lock), decimal, divide, enter, equals, minus, multiply, plus
    69, 83, 98, 96, 117, 74, 55, 78,
    // escape, backspace, delete, help (Insert), volume up/down, mute
    1, 14, 111, 110, 115, 114, 113};

constexpr std::uint32_t xKeyCodeOffset = 8;
constexpr std::uint32_t highestXKeyCode = 255;

} // namespace

namespace KeyPosition {

std::uint32_t evdevCode(Key key) {
    return evdevCodes[key.value()];
}

std::optional<Key> keyFromEvdevCode(std::uint32_t code) {
    const auto& keys = Key::allCases();
    const auto found = std::find_if(keys.begin(), keys.end(),
                                    [code](Key key) { return evdevCodes[key.value()] == code; });
    if (found == keys.end()) {
        return std::nullopt;
    }
    return *found;
}

std::optional<std::uint8_t> xKeyCode(Key key) {
    const std::uint32_t code = evdevCode(key) + xKeyCodeOffset;
    if (code > highestXKeyCode) {
        return std::nullopt;
    }
    return static_cast<std::uint8_t>(code);
}

std::optional<Key> keyFromXKeyCode(std::uint32_t xKeyCode) {
    if (xKeyCode < xKeyCodeOffset || xKeyCode > highestXKeyCode) {
        return std::nullopt;
    }
    return keyFromEvdevCode(xKeyCode - xKeyCodeOffset);
}

} // namespace KeyPosition
