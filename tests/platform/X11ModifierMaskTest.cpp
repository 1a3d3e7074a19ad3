#include "platform/x11/X11ModifierMask.h"

#include <gtest/gtest.h>

TEST(X11ModifierMaskTest, FlagsMapOntoControlAltShiftSuperAndBack) {
    const std::pair<std::uint64_t, std::uint16_t> bits[] = {{ModifierFlag::control, 0x04},
                                                            {ModifierFlag::option, 0x08},
                                                            {ModifierFlag::shift, 0x01},
                                                            {ModifierFlag::command, 0x40}};
    for (unsigned subset = 0; subset < 16; ++subset) {
        std::uint64_t flags = 0;
        std::uint16_t mask = 0;
        for (unsigned bit = 0; bit < 4; ++bit) {
            flags |= (subset >> bit & 1u) != 0 ? bits[bit].first : 0;
            mask |= (subset >> bit & 1u) != 0 ? bits[bit].second : 0;
        }
        EXPECT_EQ(X11ModifierMask::fromModifierFlags(ModifierFlags(flags)), mask) << flags;
        EXPECT_EQ(X11ModifierMask::toModifierFlags(mask), ModifierFlags(flags)) << mask;
    }
    // The stored default through the registration mask, as the service gets it.
    EXPECT_EQ(X11ModifierMask::fromCarbonFlags(ModifierFlags(0xC0000).carbonFlags()), 0x0C);
    // Caps lock and the other flags never turn into a lock or Num Lock bit, nor back.
    EXPECT_EQ(X11ModifierMask::fromModifierFlags(ModifierFlags(0x10000 | 0x200000 | 0x800000)), 0);
    EXPECT_EQ(X11ModifierMask::toModifierFlags(0x02 | 0x10 | 0x20 | 0x80), ModifierFlags());
}
