#include "hotkey/Key.h"
#include "hotkey/KeyCombo.h"
#include "hotkey/KeyPosition.h"
#include "hotkey/ModifierFlags.h"

#include <gtest/gtest.h>

#include <set>

using namespace Qt::StringLiterals;

namespace {

TEST(KeyTest, CodesCoverZeroTo126ExceptTheUnassignedOnesExactlyOnce) {
    const std::set<std::uint32_t> unassigned{52, 66,  68,  70,  77,  93, 94,
                                             95, 102, 104, 108, 110, 112};
    std::set<std::uint32_t> seen;
    for (const Key key : Key::allCases()) {
        EXPECT_TRUE(seen.insert(key.carbonKeyCode()).second) << key.carbonKeyCode();
    }
    EXPECT_EQ(seen.size(), Key::caseCount);
    for (std::uint32_t code = 0; code <= 127; ++code) {
        const std::optional<Key> key = Key::fromCarbonKeyCode(code);
        EXPECT_EQ(key.has_value(), code < 127 && unassigned.count(code) == 0) << code;
        EXPECT_EQ(key ? key->carbonKeyCode() : code, code);
    }
    EXPECT_FALSE(Key::fromCarbonKeyCode(0xFFFFFFFF));
}

TEST(KeyTest, CasesKeepTheirCodesAndTheDesktopsGlyphs) {
    const std::tuple<Key, std::uint32_t, QString> samples[] = {
        {Key::r, 15, u"R"_s},
        {Key::p, 35, u"P"_s},
        {Key::quote, 39, u"\""_s},
        {Key::section, 10, u"\u00A7"_s},
        {Key::space, 49, u"\u2423"_s},
        {Key::returnKey, 36, u"\u21A9\uFE0E"_s}, // the selector keeps the arrow from turning emoji
        {Key::keypadEnter, 76, u"\u21A9\uFE0E"_s},
        {Key::function, 63, u"fn"_s},
        {Key::f17, 64, u"\uF861F17"_s},
        {Key::keypad8, 91, u"8"_s},
        {Key::keypadMultiply, 67, u"\U0001D5D1"_s},
        {Key::escape, 53, u"\u238B"_s},
        {Key::help, 114, u"?\u20DD"_s},
        {Key::mute, 74, u"\U0001F507"_s},
    };
    for (const auto& [key, code, glyph] : samples) {
        EXPECT_EQ(key.carbonKeyCode(), code) << glyph.toStdString();
        EXPECT_EQ(key.description(), glyph) << code;
    }
    for (int n = 1; n <= 20; ++n) { // the desktop's private-use prefix, one for F10 and up
        EXPECT_EQ(Key(static_cast<Key::Value>(Key::f1 + n - 1)).description(),
                  (n < 10 ? u"\uF860F"_s : u"\uF861F"_s) + QString::number(n));
    }
}

TEST(ModifierFlagsTest, BridgeKeepsTheFourModifiersInControlOptionShiftCommandOrder) {
    const std::uint64_t flags[] = {ModifierFlag::control, ModifierFlag::option, ModifierFlag::shift,
                                   ModifierFlag::command};
    for (unsigned subset = 0; subset < 16; ++subset) {
        std::uint64_t raw = 0;
        for (unsigned bit = 0; bit < 4; ++bit) {
            raw |= (subset >> bit & 1u) != 0 ? flags[bit] : 0;
        }
        EXPECT_EQ(ModifierFlags::fromCarbonFlags(ModifierFlags(raw).carbonFlags()),
                  ModifierFlags(raw))
            << raw;
    }
    EXPECT_EQ(ModifierFlags(ModifierFlag::control).carbonFlags(), 0x1000u);
    EXPECT_EQ(ModifierFlags(ModifierFlag::option).carbonFlags(), 0x800u);
    EXPECT_EQ(ModifierFlags(ModifierFlag::shift).carbonFlags(), 0x200u);
    EXPECT_EQ(ModifierFlags(ModifierFlag::command).carbonFlags(), 0x100u);
    // Caps lock, keypad, help, function and device-dependent bits have no registration bit;
    // caps lock and the mouse-button bits of the mask have no flag.
    EXPECT_EQ(ModifierFlags(0x10000 | 0x200000 | 0x400000 | 0x800000 | 0xFF).carbonFlags(), 0u);
    EXPECT_EQ(ModifierFlags::fromCarbonFlags(0x400 | 0x80 | 0x1), ModifierFlags());

    EXPECT_EQ(ModifierFlags(0x10000).description(), u""_s);
    EXPECT_EQ(ModifierFlags(ModifierFlag::command | ModifierFlag::shift | ModifierFlag::control)
                  .description(),
              u"⌃⇧⌘"_s);
    EXPECT_EQ(ModifierFlags(0x1E0000).description(), u"⌃⌥⇧⌘"_s);
}

TEST(KeyComboTest, ViewsAndDescription) {
    const KeyCombo rewrite(15, 0x1800);
    EXPECT_EQ(rewrite, KeyCombo(Key::r, ModifierFlags(0xC0000)));
    EXPECT_EQ(rewrite.description(), u"⌃⌥R"_s);
    EXPECT_EQ(KeyCombo(Key::escape, ModifierFlags()).description(), u"⎋"_s);
    // A code outside the table keeps its modifiers and shows no key.
    const KeyCombo unknown(52, 0x1800);
    EXPECT_FALSE(unknown.key().has_value());
    EXPECT_EQ(unknown.description(), u"⌃⌥"_s);
}

TEST(KeyPositionTest, EveryKeyHasItsOwnPositionAndComesBack) {
    std::set<std::uint32_t> positions;
    for (const Key key : Key::allCases()) {
        const std::uint32_t code = KeyPosition::evdevCode(key);
        EXPECT_TRUE(positions.insert(code).second) << code;
        EXPECT_EQ(KeyPosition::keyFromEvdevCode(code), key);
        const std::optional<std::uint8_t> xCode = KeyPosition::xKeyCode(key);
        // fn has no X key code (evdev 464 is beyond 255).
        ASSERT_EQ(xCode.has_value(), key != Key::function) << key.carbonKeyCode();
        if (xCode) {
            EXPECT_EQ(*xCode, code + 8);
            EXPECT_EQ(KeyPosition::keyFromXKeyCode(*xCode), key);
        }
    }
    for (std::uint32_t xCode : {0u, 7u, 256u, 472u}) {
        EXPECT_FALSE(KeyPosition::keyFromXKeyCode(xCode).has_value()) << xCode;
    }
    // X key codes of a standard PC keyboard, as xev shows them.
    const std::pair<Key, int> pc[] = {{Key::a, 38},
                                      {Key::r, 27},
                                      {Key::escape, 9},
                                      {Key::returnKey, 36},
                                      {Key::space, 65},
                                      {Key::f1, 67},
                                      {Key::f12, 96},
                                      {Key::leftArrow, 113},
                                      {Key::keypadEnter, 104},
                                      {Key::command, 133},
                                      {Key::forwardDelete, 119},
                                      {Key::deleteKey, 22},
                                      {Key::mute, 121}};
    for (const auto& [key, xCode] : pc) {
        EXPECT_EQ(KeyPosition::xKeyCode(key), xCode) << key.carbonKeyCode();
    }
}

} // namespace
