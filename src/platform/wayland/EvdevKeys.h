#pragma once

#include "platform/Keystrokes.h"

#include <array>
#include <cstdint>

// Key positions as the Linux input layer numbers them, which both Wayland keystroke protocols
// take: the keys of Copy, Select All and Paste on a US keyboard, and the modifiers.
namespace EvdevKeys {

constexpr std::uint32_t leftCtrl = 29;
constexpr std::uint32_t keyA = 30;
constexpr std::uint32_t keyC = 46;
constexpr std::uint32_t keyV = 47;
// Every Ctrl, Shift, Alt and Super key, left and right.
constexpr std::array<std::uint32_t, 8> modifiers = {29, 97, 42, 54, 56, 100, 125, 126};

constexpr std::uint32_t keyFor(Keystrokes::Command command) {
    switch (command) {
    case Keystrokes::Command::copy:
        return keyC;
    case Keystrokes::Command::selectAll:
        return keyA;
    case Keystrokes::Command::paste:
        return keyV;
    }
    return keyC;
}

} // namespace EvdevKeys
