#include "settings/HotkeyCombo.h"

#include "settings/JsonFields.h"

#include <QJsonObject>

#include <limits>

std::optional<HotkeyCombo> HotkeyCombo::fromJson(const QJsonValue& json) {
    const QJsonObject object = json.toObject();
    const auto keyCode = JsonFields::integer(object, QStringLiteral("keyCode"), 0,
                                             std::numeric_limits<std::uint32_t>::max());
    const auto modifiers = JsonFields::integer(object, QStringLiteral("modifiers"), 0,
                                               std::numeric_limits<std::int64_t>::max());
    if (!json.isObject() || !keyCode || !modifiers) {
        return std::nullopt;
    }
    return HotkeyCombo{static_cast<std::uint32_t>(*keyCode),
                       static_cast<std::uint64_t>(*modifiers)};
}

std::optional<QJsonValue> HotkeyCombo::toJson() const {
    // JSON numbers here are read back as 64-bit signed integers; anything larger would come
    // back rounded, so refuse it rather than store a different shortcut.
    if (modifiers > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max())) {
        return std::nullopt;
    }
    return QJsonObject{{QStringLiteral("keyCode"), static_cast<qint64>(keyCode)},
                       {QStringLiteral("modifiers"), static_cast<qint64>(modifiers)}};
}
