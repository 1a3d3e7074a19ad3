#include "hotkey/Key.h"
#include "hotkey/KeyCombo.h"
#include "hotkey/KeyPosition.h"
#include "hotkey/ModifierFlags.h"

#include <QList>

#include <gtest/gtest.h>

#include <set>

namespace {

const std::set<std::uint32_t> unassignedCodes{52, 66,  68,  70,  77,  93, 94,
                                              95, 102, 104, 108, 110, 112};

TEST(KeyTest, CodesCoverZeroTo126ExceptTheUnassignedOnesExactlyOnce) {
    std::set<std::uint32_t> seen;
    for (const Key key : Key::allCases()) {
        EXPECT_TRUE(seen.insert(key.carbonKeyCode()).second) << key.carbonKeyCode();
    }
    EXPECT_EQ(seen.size(), Key::caseCount);
    for (std::uint32_t code = 0; code <= 126; ++code) {
        const std::optional<Key> key = Key::fromCarbonKeyCode(code);
        if (unassignedCodes.count(code) != 0) {
            EXPECT_FALSE(key.has_value()) << code;
        } else {
            ASSERT_TRUE(key.has_value()) << code;
            EXPECT_EQ(key->carbonKeyCode(), code);
        }
    }
    EXPECT_FALSE(Key::fromCarbonKeyCode(127));
    EXPECT_FALSE(Key::fromCarbonKeyCode(0xFFFFFFFF));
}

TEST(KeyTest, CasesKeepTheirCodes) {
    EXPECT_EQ(Key::fromCarbonKeyCode(15), Key(Key::r));
    EXPECT_EQ(Key(Key::a).carbonKeyCode(), 0u);
    EXPECT_EQ(Key(Key::p).carbonKeyCode(), 35u);
    EXPECT_EQ(Key(Key::escape).carbonKeyCode(), 53u);
    EXPECT_EQ(Key(Key::returnKey).carbonKeyCode(), 36u);
    EXPECT_EQ(Key(Key::deleteKey).carbonKeyCode(), 51u);
    EXPECT_EQ(Key(Key::mute).carbonKeyCode(), 74u);
    EXPECT_EQ(Key(Key::f17).carbonKeyCode(), 64u);
    EXPECT_EQ(Key(Key::keypad7).carbonKeyCode(), 89u);
    EXPECT_EQ(Key(Key::keypad8).carbonKeyCode(), 91u);
}

TEST(KeyTest, GlyphsAreTheDesktopsOwnCharacters) {
    EXPECT_EQ(Key(Key::r).description(), "R");
    EXPECT_EQ(Key(Key::zero).description(), "0");
    EXPECT_EQ(Key(Key::keypad9).description(), "9");
    EXPECT_EQ(Key(Key::quote).description(), "\"");
    EXPECT_EQ(Key(Key::backslash).description(), "\\");
    EXPECT_EQ(Key(Key::grave).description(), "`");
    EXPECT_EQ(Key(Key::section).description(), QString::fromUtf8("§"));
    EXPECT_EQ(Key(Key::space).description(), QString(QChar(0x2423)));
    // The text-style selector keeps the arrow from turning into an emoji.
    const QString returnGlyph = QString::fromUtf16(u"\u21A9\uFE0E");
    EXPECT_EQ(Key(Key::returnKey).description(), returnGlyph);
    EXPECT_EQ(Key(Key::keypadEnter).description(), returnGlyph);
    EXPECT_EQ(Key(Key::f1).description(), QString::fromUtf16(u"\uF860F1"));
    EXPECT_EQ(Key(Key::f9).description(), QString::fromUtf16(u"\uF860F9"));
    EXPECT_EQ(Key(Key::f10).description(), QString::fromUtf16(u"\uF861F10"));
    EXPECT_EQ(Key(Key::f20).description(), QString::fromUtf16(u"\uF861F20"));
    EXPECT_EQ(Key(Key::function).description(), "fn");
    EXPECT_EQ(Key(Key::help).description(), QString::fromUtf16(u"?\u20DD"));
    EXPECT_EQ(Key(Key::escape).description(), QString::fromUtf8("⎋"));
    EXPECT_EQ(Key(Key::rightCommand).description(), QString::fromUtf8("⌘"));

    const QString multiply = Key(Key::keypadMultiply).description();
    ASSERT_EQ(multiply.toUcs4().size(), 1);
    EXPECT_EQ(multiply.toUcs4().front(), 0x1D5D1u);
    EXPECT_EQ(Key(Key::volumeUp).description().toUcs4().front(), 0x1F50Au);
    EXPECT_EQ(Key(Key::mute).description().toUcs4().front(), 0x1F507u);
}

TEST(ModifierFlagsTest, BridgeKeepsTheFourModifiersAndDropsTheRest) {
    const std::uint64_t flags[] = {ModifierFlag::control, ModifierFlag::option, ModifierFlag::shift,
                                   ModifierFlag::command};
    for (std::uint64_t subset = 0; subset < 16; ++subset) {
        std::uint64_t raw = 0;
        for (int bit = 0; bit < 4; ++bit) {
            if ((subset & (1u << bit)) != 0) {
                raw |= flags[bit];
            }
        }
        const ModifierFlags modifiers(raw);
        EXPECT_EQ(ModifierFlags::fromCarbonFlags(modifiers.carbonFlags()), modifiers) << raw;
    }
    EXPECT_EQ(ModifierFlags(ModifierFlag::control | ModifierFlag::option).carbonFlags(), 0x1800u);
    EXPECT_EQ(ModifierFlags(ModifierFlag::command).carbonFlags(), 0x100u);
    EXPECT_EQ(ModifierFlags(ModifierFlag::shift).carbonFlags(), 0x200u);
    // Caps lock, keypad, help, function and device-dependent bits have no registration bit.
    EXPECT_EQ(ModifierFlags(0x10000 | 0x200000 | 0x400000 | 0x800000 | 0xFF).carbonFlags(), 0u);
    // Caps lock and the mouse-button bits of the mask have no flag.
    EXPECT_EQ(ModifierFlags::fromCarbonFlags(0x400 | 0x80 | 0x1), ModifierFlags());
}

TEST(ModifierFlagsTest, DescriptionFollowsControlOptionShiftCommand) {
    EXPECT_EQ(ModifierFlags().description(), "");
    EXPECT_EQ(ModifierFlags(ModifierFlag::option | ModifierFlag::control).description(),
              QString::fromUtf8("⌃⌥"));
    EXPECT_EQ(ModifierFlags(ModifierFlag::command | ModifierFlag::shift | ModifierFlag::control)
                  .description(),
              QString::fromUtf8("⌃⇧⌘"));
    EXPECT_EQ(ModifierFlags(0x1E0000).description(), QString::fromUtf8("⌃⌥⇧⌘"));
    EXPECT_EQ(ModifierFlags(0x10000).description(), "");
}

TEST(KeyComboTest, ViewsAndDescription) {
    const KeyCombo escape(Key::escape, ModifierFlags());
    EXPECT_EQ(escape.carbonKeyCode, 53u);
    EXPECT_EQ(escape.carbonModifiers, 0u);
    EXPECT_EQ(escape.description(), QString::fromUtf8("⎋"));

    const KeyCombo rewrite(15, ModifierFlags(0xC0000).carbonFlags());
    EXPECT_EQ(rewrite.key(), Key(Key::r));
    EXPECT_EQ(rewrite.modifiers(), ModifierFlags(0xC0000));
    EXPECT_EQ(rewrite.description(), QString::fromUtf8("⌃⌥R"));
    EXPECT_EQ(rewrite, KeyCombo(Key::r, ModifierFlags(0xC0000)));
    EXPECT_NE(rewrite, KeyCombo(Key::r, ModifierFlags(ModifierFlag::control)));

    // A code outside the table keeps its modifiers and shows no key.
    const KeyCombo unknown(52, 0x1800);
    EXPECT_FALSE(unknown.key().has_value());
    EXPECT_EQ(unknown.description(), QString::fromUtf8("⌃⌥"));
}

TEST(KeyPositionTest, EveryKeyHasItsOwnPositionAndComesBack) {
    std::set<std::uint32_t> positions;
    for (const Key key : Key::allCases()) {
        const std::uint32_t code = KeyPosition::evdevCode(key);
        EXPECT_TRUE(positions.insert(code).second) << code;
        EXPECT_EQ(KeyPosition::keyFromEvdevCode(code), key);
        const std::optional<std::uint8_t> xCode = KeyPosition::xKeyCode(key);
        if (key == Key::function) {
            EXPECT_FALSE(xCode.has_value());
            continue;
        }
        ASSERT_TRUE(xCode.has_value()) << key.carbonKeyCode();
        EXPECT_EQ(*xCode, code + 8);
        EXPECT_EQ(KeyPosition::keyFromXKeyCode(*xCode), key);
    }
    for (std::uint32_t xCode : {0u, 7u, 256u, 472u}) {
        EXPECT_FALSE(KeyPosition::keyFromXKeyCode(xCode).has_value()) << xCode;
    }
}

TEST(KeyPositionTest, KnownPcKeyCodes) {
    // X key codes of a standard PC keyboard (xev shows the same numbers).
    EXPECT_EQ(KeyPosition::xKeyCode(Key::a), 38);
    EXPECT_EQ(KeyPosition::xKeyCode(Key::r), 27);
    EXPECT_EQ(KeyPosition::xKeyCode(Key::p), 33);
    EXPECT_EQ(KeyPosition::xKeyCode(Key::escape), 9);
    EXPECT_EQ(KeyPosition::xKeyCode(Key::returnKey), 36);
    EXPECT_EQ(KeyPosition::xKeyCode(Key::space), 65);
    EXPECT_EQ(KeyPosition::xKeyCode(Key::f1), 67);
    EXPECT_EQ(KeyPosition::xKeyCode(Key::f12), 96);
    EXPECT_EQ(KeyPosition::xKeyCode(Key::leftArrow), 113);
    EXPECT_EQ(KeyPosition::xKeyCode(Key::keypadEnter), 104);
    EXPECT_EQ(KeyPosition::xKeyCode(Key::command), 133);
    EXPECT_EQ(KeyPosition::xKeyCode(Key::forwardDelete), 119);
    EXPECT_EQ(KeyPosition::xKeyCode(Key::deleteKey), 22);
}

} // namespace
