#include "platform/kde/KdeKeys.h"

#include "hotkey/Key.h"
#include "hotkey/ModifierFlags.h"

#include <Qt>

#include <utility>

namespace {

std::optional<int> qtKey(Key key) {
    const auto value = static_cast<int>(key.value());
    const auto offset = [value](Key::Value first) { return value - static_cast<int>(first); };
    if (key.value() <= Key::z) {
        return Qt::Key_A + offset(Key::a);
    }
    if (key.value() >= Key::zero && key.value() <= Key::nine) {
        return Qt::Key_0 + offset(Key::zero);
    }
    if (key.value() >= Key::f1 && key.value() <= Key::f20) {
        return Qt::Key_F1 + offset(Key::f1);
    }
    static constexpr std::pair<Key::Value, Qt::Key> others[] = {
        {Key::period, Qt::Key_Period},
        {Key::quote, Qt::Key_Apostrophe},
        {Key::rightBracket, Qt::Key_BracketRight},
        {Key::semicolon, Qt::Key_Semicolon},
        {Key::slash, Qt::Key_Slash},
        {Key::backslash, Qt::Key_Backslash},
        {Key::comma, Qt::Key_Comma},
        {Key::equal, Qt::Key_Equal},
        {Key::grave, Qt::Key_QuoteLeft},
        {Key::leftBracket, Qt::Key_BracketLeft},
        {Key::minus, Qt::Key_Minus},
        {Key::space, Qt::Key_Space},
        {Key::tab, Qt::Key_Tab},
        {Key::returnKey, Qt::Key_Return},
        {Key::pageUp, Qt::Key_PageUp},
        {Key::pageDown, Qt::Key_PageDown},
        {Key::home, Qt::Key_Home},
        {Key::end, Qt::Key_End},
        {Key::upArrow, Qt::Key_Up},
        {Key::rightArrow, Qt::Key_Right},
        {Key::downArrow, Qt::Key_Down},
        {Key::leftArrow, Qt::Key_Left},
        {Key::escape, Qt::Key_Escape},
        {Key::deleteKey, Qt::Key_Backspace},
        {Key::forwardDelete, Qt::Key_Delete},
        {Key::help, Qt::Key_Insert},
    };
    for (const auto& [position, qt] : others) {
        if (key.value() == position) {
            return qt;
        }
    }
    return std::nullopt;
}

} // namespace

namespace KdeKeys {

std::optional<int> combined(std::uint32_t carbonKeyCode, std::uint32_t carbonModifiers) {
    const std::optional<Key> key = Key::fromCarbonKeyCode(carbonKeyCode);
    const std::optional<int> base = key ? qtKey(*key) : std::nullopt;
    if (!base) {
        return std::nullopt;
    }
    const ModifierFlags flags = ModifierFlags::fromCarbonFlags(carbonModifiers);
    int modifiers = 0;
    if (flags.contains(ModifierFlag::control)) {
        modifiers |= Qt::ControlModifier;
    }
    if (flags.contains(ModifierFlag::option)) {
        modifiers |= Qt::AltModifier;
    }
    if (flags.contains(ModifierFlag::shift)) {
        modifiers |= Qt::ShiftModifier;
    }
    if (flags.contains(ModifierFlag::command)) {
        modifiers |= Qt::MetaModifier;
    }
    return *base | modifiers;
}

} // namespace KdeKeys
