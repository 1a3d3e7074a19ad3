#include "platform/x11/X11ModifierMask.h"

#include <gtest/gtest.h>

namespace {

TEST(X11ModifierMaskTest, FlagsMapOntoControlAltShiftSuper) {
    EXPECT_EQ(X11ModifierMask::fromModifierFlags(ModifierFlags(ModifierFlag::control)), 0x04);
    EXPECT_EQ(X11ModifierMask::fromModifierFlags(ModifierFlags(ModifierFlag::option)), 0x08);
    EXPECT_EQ(X11ModifierMask::fromModifierFlags(ModifierFlags(ModifierFlag::shift)), 0x01);
    EXPECT_EQ(X11ModifierMask::fromModifierFlags(ModifierFlags(ModifierFlag::command)), 0x40);
    // The stored default control+option, through the registration mask as the service gets it.
    EXPECT_EQ(X11ModifierMask::fromCarbonFlags(ModifierFlags(0xC0000).carbonFlags()), 0x0C);
    // Caps lock and the other flags never turn into a lock or Num Lock bit.
    EXPECT_EQ(X11ModifierMask::fromModifierFlags(ModifierFlags(0x10000 | 0x200000 | 0x800000)), 0);
}

TEST(X11ModifierMaskTest, EverySubsetComesBack) {
    const std::uint64_t flags[] = {ModifierFlag::control, ModifierFlag::option, ModifierFlag::shift,
                                   ModifierFlag::command};
    for (unsigned subset = 0; subset < 16; ++subset) {
        std::uint64_t raw = 0;
        for (unsigned bit = 0; bit < 4; ++bit) {
            if ((subset & (1u << bit)) != 0) {
                raw |= flags[bit];
            }
        }
        const std::uint16_t mask = X11ModifierMask::fromModifierFlags(ModifierFlags(raw));
        EXPECT_EQ(X11ModifierMask::toModifierFlags(mask), ModifierFlags(raw)) << raw;
    }
    // Lock, Num Lock (usually Mod2), Mod3 and Mod5 have no flag.
    EXPECT_EQ(X11ModifierMask::toModifierFlags(0x02 | 0x10 | 0x20 | 0x80), ModifierFlags());
}

} // namespace
