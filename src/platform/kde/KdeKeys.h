#pragma once

#include <cstdint>
#include <optional>

// kglobalaccel names a shortcut the way Qt does: a Qt::Key with Qt's modifier bits or-ed in.
// Palimo stores key positions; this gives the key a US keyboard has at that position, which
// is what the desktop's own shortcut settings show for it.
namespace KdeKeys {

// Nothing for keys without a plain Qt counterpart (keypad, modifier keys, media keys).
std::optional<int> combined(std::uint32_t carbonKeyCode, std::uint32_t carbonModifiers);

} // namespace KdeKeys
