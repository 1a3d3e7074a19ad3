#include "hotkey/Key.h"
#include "hotkey/KeyPosition.h"
#include "hotkey/ModifierFlags.h"

#include <gtest/gtest.h>

#include <set>

using namespace Qt::StringLiterals;

namespace {

// Codes are what the settings file stores, positions what the keyboard sends: each key has its
// own of both, and each comes back to its key.
TEST(KeyTest, EveryKeyHasItsOwnCodeAndPositionAndComesBackFromBoth) {
    const std::set<std::uint32_t> unassigned{52, 66,  68,  70,  77,  93, 94,
                                             95, 102, 104, 108, 110, 112};
    std::set<std::uint32_t> codes;
    std::set<std::uint32_t> positions;
    for (const Key key : Key::allCases()) {
        EXPECT_TRUE(codes.insert(key.carbonKeyCode()).second) << key.carbonKeyCode();
        const std::uint32_t position = KeyPosition::evdevCode(key);
        EXPECT_TRUE(positions.insert(position).second) << position;
        EXPECT_EQ(KeyPosition::keyFromEvdevCode(position), key);
        const std::optional<std::uint8_t> xCode = KeyPosition::xKeyCode(key);
        // fn has no X key code (evdev 464 is beyond 255).
        ASSERT_EQ(xCode.has_value(), key != Key::function) << key.carbonKeyCode();
        if (xCode) {
            EXPECT_EQ(*xCode, position + 8);
            EXPECT_EQ(KeyPosition::keyFromXKeyCode(*xCode), key);
        }
    }
    for (std::uint32_t code = 0; code <= 127; ++code) {
        const std::optional<Key> key = Key::fromCarbonKeyCode(code);
        EXPECT_EQ(key.has_value(), code < 127 && unassigned.count(code) == 0) << code;
        EXPECT_EQ(key ? key->carbonKeyCode() : code, code);
    }
    EXPECT_FALSE(Key::fromCarbonKeyCode(0xFFFFFFFF));
    for (std::uint32_t xCode : {0u, 7u, 256u, 472u}) {
        EXPECT_FALSE(KeyPosition::keyFromXKeyCode(xCode).has_value()) << xCode;
    }
}

// The stored code, the glyph the desktop shows and the X key code of a standard PC keyboard (as
// xev shows it; 0 for none) of a sample of keys.
TEST(KeyTest, CasesKeepTheirCodesGlyphsAndPositions) {
    const std::tuple<Key, std::uint32_t, QString, int> samples[] = {
        {Key::a, 0, u"A"_s, 38},
        {Key::quote, 39, u"\""_s, 48},
        {Key::section, 10, u"\u00A7"_s, 94},
        {Key::space, 49, u"\u2423"_s, 65},
        // The selector after the arrow keeps it from turning into an emoji.
        {Key::returnKey, 36, u"\u21A9\uFE0E"_s, 36},
        {Key::keypadEnter, 76, u"\u21A9\uFE0E"_s, 104},
        {Key::function, 63, u"fn"_s, 0},
        {Key::f1, 122, u"\uF860F1"_s, 67},
        {Key::f12, 111, u"\uF861F12"_s, 96},
        {Key::leftArrow, 123, u"\u2190"_s, 113},
        {Key::keypad8, 91, u"8"_s, 80},
        {Key::keypadMultiply, 67, u"\U0001D5D1"_s, 63},
        {Key::command, 55, u"\u2318"_s, 133},
        {Key::deleteKey, 51, u"\u232B"_s, 22},
        {Key::forwardDelete, 117, u"\u2326"_s, 119},
        {Key::help, 114, u"?\u20DD"_s, 118},
        {Key::mute, 74, u"\U0001F507"_s, 121},
    };
    for (const auto& [key, code, glyph, xCode] : samples) {
        EXPECT_EQ(key.carbonKeyCode(), code) << glyph.toStdString();
        EXPECT_EQ(key.description(), glyph) << code;
        EXPECT_EQ(KeyPosition::xKeyCode(key).value_or(0), xCode) << code;
    }
    for (int n = 1; n <= 20; ++n) { // the desktop's private-use prefix, one for F10 and up
        EXPECT_EQ(Key(static_cast<Key::Value>(Key::f1 + n - 1)).description(),
                  (n < 10 ? u"\uF860F"_s : u"\uF861F"_s) + QString::number(n));
    }
}

TEST(ModifierFlagsTest, BridgeKeepsTheFourModifiersInControlOptionShiftCommandOrder) {
    const std::pair<std::uint64_t, std::uint32_t> bits[] = {{ModifierFlag::control, 0x1000},
                                                            {ModifierFlag::option, 0x800},
                                                            {ModifierFlag::shift, 0x200},
                                                            {ModifierFlag::command, 0x100}};
    for (unsigned subset = 0; subset < 16; ++subset) {
        std::uint64_t raw = 0;
        std::uint32_t carbon = 0;
        for (unsigned bit = 0; bit < 4; ++bit) {
            raw |= (subset >> bit & 1u) != 0 ? bits[bit].first : 0;
            carbon |= (subset >> bit & 1u) != 0 ? bits[bit].second : 0;
        }
        EXPECT_EQ(ModifierFlags(raw).carbonFlags(), carbon) << raw;
        EXPECT_EQ(ModifierFlags::fromCarbonFlags(carbon), ModifierFlags(raw)) << raw;
    }
    // Caps lock, keypad, help, function and device-dependent bits have no registration bit;
    // caps lock and the mouse-button bits of the mask have no flag.
    EXPECT_EQ(ModifierFlags(0x10000 | 0x200000 | 0x400000 | 0x800000 | 0xFF).carbonFlags(), 0u);
    EXPECT_EQ(ModifierFlags::fromCarbonFlags(0x400 | 0x80 | 0x1), ModifierFlags());

    EXPECT_EQ(ModifierFlags(0x10000).description(), u""_s);
    EXPECT_EQ(ModifierFlags(0x1E0000).description(), u"⌃⌥⇧⌘"_s);
}

} // namespace
