#include "hotkey/ModifierFlags.h"

#include <array>

namespace {

struct Bridge {
    std::uint64_t flag;
    std::uint32_t carbon;
    char16_t glyph;
};

// Display order matters: control, option, shift, command.
constexpr std::array<Bridge, 4> bridges{{
    {ModifierFlag::control, CarbonModifier::control, u'\u2303'},
    {ModifierFlag::option, CarbonModifier::option, u'\u2325'},
    {ModifierFlag::shift, CarbonModifier::shift, u'\u21E7'},
    {ModifierFlag::command, CarbonModifier::command, u'\u2318'},
}};

} // namespace

ModifierFlags ModifierFlags::fromCarbonFlags(std::uint32_t carbonFlags) {
    std::uint64_t raw = 0;
    for (const Bridge& bridge : bridges) {
        if ((carbonFlags & bridge.carbon) != 0) {
            raw |= bridge.flag;
        }
    }
    return ModifierFlags(raw);
}

std::uint32_t ModifierFlags::carbonFlags() const {
    std::uint32_t carbon = 0;
    for (const Bridge& bridge : bridges) {
        if ((m_raw & bridge.flag) != 0) {
            carbon |= bridge.carbon;
        }
    }
    return carbon;
}

QString ModifierFlags::description() const {
    QString text;
    for (const Bridge& bridge : bridges) {
        if ((m_raw & bridge.flag) != 0) {
            text += QChar(bridge.glyph);
        }
    }
    return text;
}
