#pragma once

#include "settings/HotkeyCombo.h"

#include <QString>

namespace ComboText {

// A stored combination as people read it: the modifier glyphs in the order ⌃⌥⇧⌘, then the
// key's glyph, or "?" for a code the key table does not know ("⌃⌥R").
QString of(const HotkeyCombo& combo);

} // namespace ComboText
