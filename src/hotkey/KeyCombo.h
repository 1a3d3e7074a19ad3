#pragma once

#include "hotkey/Key.h"
#include "hotkey/ModifierFlags.h"

#include <QString>

#include <cstdint>
#include <optional>

// A shortcut as the hot-key service sees it: a key code and a registration modifier mask.
// The code need not name a known key; such a combo still registers, it just has no glyph.
struct KeyCombo {
    std::uint32_t carbonKeyCode = 0;
    std::uint32_t carbonModifiers = 0;

    constexpr KeyCombo(std::uint32_t keyCode, std::uint32_t modifiers)
        : carbonKeyCode(keyCode)
        , carbonModifiers(modifiers) {}
    KeyCombo(Key key, ModifierFlags modifiers)
        : carbonKeyCode(key.carbonKeyCode())
        , carbonModifiers(modifiers.carbonFlags()) {}

    std::optional<Key> key() const { return Key::fromCarbonKeyCode(carbonKeyCode); }
    ModifierFlags modifiers() const { return ModifierFlags::fromCarbonFlags(carbonModifiers); }
    // Modifier glyphs then the key's glyph; nothing for the key when the code is unknown.
    QString description() const;

    friend constexpr bool operator==(const KeyCombo&, const KeyCombo&) = default;
};
