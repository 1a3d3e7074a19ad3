#include "hotkey/ModifierFlags.h"

#include <array>
#include <numeric>

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
    return ModifierFlags(std::accumulate(bridges.begin(), bridges.end(), std::uint64_t{0},
                                         [carbonFlags](std::uint64_t raw, const Bridge& bridge) {
                                             return (carbonFlags & bridge.carbon) != 0
                                                        ? raw | bridge.flag
                                                        : raw;
                                         }));
}

std::uint32_t ModifierFlags::carbonFlags() const {
    return std::accumulate(bridges.begin(), bridges.end(), std::uint32_t{0},
                           [this](std::uint32_t carbon, const Bridge& bridge) {
                               return (m_raw & bridge.flag) != 0 ? carbon | bridge.carbon : carbon;
                           });
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
