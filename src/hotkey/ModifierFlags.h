#pragma once

#include <QString>

#include <cstdint>

// The desktop's modifier-flag bits, as stored in settings ("modifiers": 786432 is control+option).
namespace ModifierFlag {
inline constexpr std::uint64_t control = 0x40000;
inline constexpr std::uint64_t option = 0x80000;
inline constexpr std::uint64_t shift = 0x20000;
inline constexpr std::uint64_t command = 0x100000;
} // namespace ModifierFlag

// The compact modifier mask that hot-key registrations carry.
namespace CarbonModifier {
inline constexpr std::uint32_t control = 0x1000;
inline constexpr std::uint32_t option = 0x800;
inline constexpr std::uint32_t shift = 0x200;
inline constexpr std::uint32_t command = 0x100;
} // namespace CarbonModifier

// A set of modifier-flag bits. Only control, option, shift and command survive the bridge to
// and from the registration mask; caps lock, keypad, function and device bits are dropped.
class ModifierFlags {
public:
    constexpr ModifierFlags() = default;
    constexpr explicit ModifierFlags(std::uint64_t raw)
        : m_raw(raw) {}

    static ModifierFlags fromCarbonFlags(std::uint32_t carbonFlags);
    std::uint32_t carbonFlags() const;

    // The glyphs of the flags present, always in the order ⌃⌥⇧⌘; empty for none.
    QString description() const;

    constexpr std::uint64_t rawValue() const { return m_raw; }
    constexpr bool contains(std::uint64_t flags) const { return (m_raw & flags) == flags; }
    constexpr bool isEmpty() const { return m_raw == 0; }

    friend constexpr bool operator==(ModifierFlags, ModifierFlags) = default;
    friend constexpr ModifierFlags operator|(ModifierFlags lhs, ModifierFlags rhs) {
        return ModifierFlags(lhs.m_raw | rhs.m_raw);
    }

private:
    std::uint64_t m_raw = 0;
};
