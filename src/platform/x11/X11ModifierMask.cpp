#include "platform/x11/X11ModifierMask.h"

#include <array>

namespace {

struct Pair {
    std::uint64_t flag;
    std::uint16_t mask;
};

constexpr std::array<Pair, 4> pairs{{
    {ModifierFlag::control, X11ModifierMask::control},
    {ModifierFlag::option, X11ModifierMask::mod1},
    {ModifierFlag::shift, X11ModifierMask::shift},
    {ModifierFlag::command, X11ModifierMask::mod4},
}};

} // namespace

namespace X11ModifierMask {

std::uint16_t fromModifierFlags(ModifierFlags flags) {
    std::uint16_t mask = 0;
    for (const Pair& pair : pairs) {
        if (flags.contains(pair.flag)) {
            mask |= pair.mask;
        }
    }
    return mask;
}

std::uint16_t fromCarbonFlags(std::uint32_t carbonFlags) {
    return fromModifierFlags(ModifierFlags::fromCarbonFlags(carbonFlags));
}

ModifierFlags toModifierFlags(std::uint16_t mask) {
    std::uint64_t raw = 0;
    for (const Pair& pair : pairs) {
        if ((mask & pair.mask) != 0) {
            raw |= pair.flag;
        }
    }
    return ModifierFlags(raw);
}

} // namespace X11ModifierMask
