#include "shortcuts/ComboText.h"

#include "hotkey/Key.h"
#include "hotkey/ModifierFlags.h"

namespace ComboText {

QString of(const HotkeyCombo& combo) {
    const std::optional<Key> key = Key::fromCarbonKeyCode(combo.keyCode);
    return ModifierFlags(combo.modifiers).description() +
           (key ? key->description() : QStringLiteral("?"));
}

} // namespace ComboText
