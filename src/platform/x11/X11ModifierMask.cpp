#include "platform/x11/X11ModifierMask.h"

#include <array>
#include <numeric>

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
    return std::accumulate(pairs.begin(), pairs.end(), std::uint16_t{0},
                           [flags](std::uint16_t mask, const Pair& pair) {
                               return static_cast<std::uint16_t>(
                                   flags.contains(pair.flag) ? mask | pair.mask : mask);
                           });
}

std::uint16_t fromCarbonFlags(std::uint32_t carbonFlags) {
    return fromModifierFlags(ModifierFlags::fromCarbonFlags(carbonFlags));
}

ModifierFlags toModifierFlags(std::uint16_t mask) {
    return ModifierFlags(std::accumulate(pairs.begin(), pairs.end(), std::uint64_t{0},
                                         [mask](std::uint64_t raw, const Pair& pair) {
                                             return (mask & pair.mask) != 0 ? raw | pair.flag : raw;
                                         }));
}

} // namespace X11ModifierMask
