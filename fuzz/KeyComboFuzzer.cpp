// Stored shortcuts and the X server's keyboard mapping: key codes, modifier bits and their
// bridges to registrations and X masks.
#include "FuzzCheck.h"

#include "hotkey/Key.h"
#include "hotkey/KeyCombo.h"
#include "hotkey/KeyPosition.h"
#include "hotkey/ModifierFlags.h"
#include "platform/x11/X11KeyChoice.h"
#include "platform/x11/X11ModifierMask.h"
#include "settings/HotkeyCombo.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace {

template <typename T> T take(const std::uint8_t*& data, std::size_t& size) {
    T value{};
    const std::size_t n = size < sizeof value ? size : sizeof value;
    if (n > 0) {
        std::memcpy(&value, data, n);
    }
    data += n;
    size -= n;
    return value;
}

void checkCombo(std::uint32_t code, std::uint64_t modifiers) {
    if (const auto key = Key::fromCarbonKeyCode(code)) {
        fuzzCheck(key->carbonKeyCode() == code, "a key's code names that key");
        fuzzCheck(KeyPosition::keyFromEvdevCode(KeyPosition::evdevCode(*key)) == key,
                  "a key's position names that key");
        if (const auto x = KeyPosition::xKeyCode(*key)) {
            fuzzCheck(KeyPosition::keyFromXKeyCode(*x) == key, "a key's X code names that key");
        }
    }
    if (const auto key = KeyPosition::keyFromXKeyCode(code)) {
        fuzzCheck(KeyPosition::xKeyCode(*key) == code, "an X code's key has that X code");
    }
    const ModifierFlags flags(modifiers);
    const std::uint32_t carbon = flags.carbonFlags();
    fuzzCheck(ModifierFlags::fromCarbonFlags(carbon).carbonFlags() == carbon,
              "the registration mask bridge keeps the four modifiers");
    fuzzCheck(
        X11ModifierMask::toModifierFlags(X11ModifierMask::fromModifierFlags(flags)).carbonFlags() ==
            carbon,
        "the X mask bridge keeps the four modifiers");
    KeyCombo(code, carbon).description();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray whole(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    if (const auto stored = HotkeyCombo::fromJson(QJsonDocument::fromJson(whole).object())) {
        checkCombo(stored->keyCode, stored->modifiers);
    }

    checkCombo(take<std::uint32_t>(data, size), take<std::uint64_t>(data, size));

    X11KeyChoice::KeyboardMapping mapping;
    mapping.minKeyCode = take<std::uint8_t>(data, size);
    mapping.keysymsPerKeyCode = take<std::uint8_t>(data, size) % 16;
    const auto letter = static_cast<std::uint32_t>('a' + take<std::uint8_t>(data, size) % 26);
    mapping.keysyms.resize(size / sizeof(std::uint32_t));
    if (!mapping.keysyms.empty()) {
        std::memcpy(mapping.keysyms.data(), data, mapping.keysyms.size() * sizeof(std::uint32_t));
    }
    // X key codes start at 8, so 0 tells "fell back to the position" apart from a real choice.
    const std::uint8_t chosen = X11KeyChoice::keyCodeForLetter(mapping, letter, 0);
    if (chosen != 0) {
        const std::size_t row = chosen - mapping.minKeyCode;
        fuzzCheck(chosen >= mapping.minKeyCode, "the chosen key is one the mapping describes");
        bool types = false;
        for (int column = 0; column < mapping.keysymsPerKeyCode; ++column) {
            const std::uint32_t keysym =
                mapping.keysyms[row * static_cast<std::size_t>(mapping.keysymsPerKeyCode) +
                                static_cast<std::size_t>(column)];
            types = types || keysym == letter || keysym == letter - 0x20;
        }
        fuzzCheck(types, "the chosen key types the letter");
    }
    return 0;
}
