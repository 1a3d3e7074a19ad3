#include "hotkey/Key.h"
#include "hotkey/KeyCombo.h"
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

TEST(KeyTest, CasesKeepTheirCodesAndTheDesktopsGlyphs) {
    const std::tuple<Key, std::uint32_t, QString> samples[] = {
        {Key::quote, 39, u"\""_s},
        {Key::section, 10, u"\u00A7"_s},
        {Key::space, 49, u"\u2423"_s},
        {Key::returnKey, 36, u"\u21A9\uFE0E"_s}, // the selector keeps the arrow from turning emoji
        {Key::function, 63, u"fn"_s},
        {Key::keypad8, 91, u"8"_s},
        {Key::keypadMultiply, 67, u"\U0001D5D1"_s},
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
    EXPECT_EQ(ModifierFlags(ModifierFlag::command | ModifierFlag::shift | ModifierFlag::control)
                  .description(),
              u"⌃⇧⌘"_s);
    EXPECT_EQ(ModifierFlags(0x1E0000).description(), u"⌃⌥⇧⌘"_s);
}

TEST(KeyComboTest, ACodeOutsideTheTableKeepsItsModifiersAndShowsNoKey) {
    const KeyCombo unknown(52, 0x1800);
    EXPECT_FALSE(unknown.key().has_value());
    EXPECT_EQ(unknown.description(), u"⌃⌥"_s);
}

TEST(KeyPositionTest, StandardPCKeyboardCodes) {
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
