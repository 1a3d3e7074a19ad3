#pragma once

#include <QJsonValue>

#include <cstdint>
#include <optional>

// A persisted shortcut: a virtual key code of the key table and the raw modifier-flag bits
// (control 0x40000, option 0x80000, shift 0x20000, command 0x100000).
struct HotkeyCombo {
    std::uint32_t keyCode = 0;
    std::uint64_t modifiers = 0;

    bool operator==(const HotkeyCombo&) const = default;

    static constexpr std::uint64_t controlOption = 0xC0000;
    // Control-option-R and control-option-P.
    static HotkeyCombo defaultRewrite() { return {15, controlOption}; }
    static HotkeyCombo defaultPrompt() { return {35, controlOption}; }

    // {"keyCode": n, "modifiers": n}; both members required, others ignored.
    static std::optional<HotkeyCombo> fromJson(const QJsonValue& json);
    // Nothing when the modifier bits do not fit a JSON integer (above 2^63 - 1).
    std::optional<QJsonValue> toJson() const;
};
