#pragma once

#include <QString>

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>

// One physical key, named after its position on the ANSI keyboard. The numeric code is the
// stored form of a shortcut (settings files keep it), so the codes never change.
class Key {
public:
    // `returnKey` and `deleteKey` carry a suffix only because `return` and `delete` are
    // C++ keywords.
    // clang-format off
    enum Value : std::uint8_t {
        a, b, c, d, e, f, g, h, i, j, k, l, m, n, o, p, q, r, s, t, u, v, w, x, y, z,
        zero, one, two, three, four, five, six, seven, eight, nine,
        period, quote, rightBracket, semicolon, slash, backslash, comma, equal, grave,
        leftBracket, minus, section,
        space, tab, returnKey,
        command, rightCommand, option, rightOption, control, rightControl, shift, rightShift,
        function, capsLock,
        pageUp, pageDown, home, end, upArrow, rightArrow, downArrow, leftArrow,
        f1, f2, f3, f4, f5, f6, f7, f8, f9, f10, f11, f12, f13, f14, f15, f16, f17, f18, f19,
        f20,
        keypad0, keypad1, keypad2, keypad3, keypad4, keypad5, keypad6, keypad7, keypad8,
        keypad9, keypadClear, keypadDecimal, keypadDivide, keypadEnter, keypadEquals,
        keypadMinus, keypadMultiply, keypadPlus,
        escape, deleteKey, forwardDelete, help, volumeUp, volumeDown, mute,
    };
    // clang-format on
    static constexpr std::size_t caseCount = 114;

    // Implicit on purpose, so a case is a Key wherever one is expected (Key key = Key::r).
    // cppcheck-suppress noExplicitConstructor
    constexpr Key(Value value)
        : m_value(value) {}

    // The key whose code this is; nothing for codes above 126 and for the unassigned ones.
    static std::optional<Key> fromCarbonKeyCode(std::uint32_t code);
    static const std::array<Key, caseCount>& allCases();

    std::uint32_t carbonKeyCode() const;
    // The glyph shown in menus and settings ("R", "⎋", "↩︎", ...).
    QString description() const;
    constexpr Value value() const { return m_value; }

    friend constexpr bool operator==(Key, Key) = default;

private:
    Value m_value;
};

inline std::size_t qHash(Key key, std::size_t seed = 0) noexcept {
    return seed ^ static_cast<std::size_t>(key.value());
}

template <> struct std::hash<Key> {
    std::size_t operator()(Key key) const noexcept { return key.value(); }
};
