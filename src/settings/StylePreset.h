#pragma once

#include <QHashFunctions>
#include <QJsonArray>
#include <QJsonValue>
#include <QList>
#include <QString>
#include <QUuid>

#include <optional>

// A named style the user can pick in the prompt panel: its instructions replace the default
// ones for that rewrite.
struct StylePreset {
    QUuid id;
    QString name;
    QString instructions;

    bool operator==(const StylePreset&) const = default;

    // Shorter, Friendlier, Fix grammar only. The identifiers are drawn once per process, so
    // they stay stable for a session but differ between launches until the list is saved.
    static const QList<StylePreset>& builtIns();

    // {"id": "XXXXXXXX-XXXX-...", "name": "...", "instructions": "..."}; all three members
    // required, the id in the 36-character form (either case), other members ignored.
    static std::optional<StylePreset> fromJson(const QJsonValue& json);
    QJsonValue toJson() const;

    // A whole list, or nothing when it is not an array or any element is unreadable.
    static std::optional<QList<StylePreset>> listFromJson(const QJsonValue& json);
    static QJsonArray listToJson(const QList<StylePreset>& presets);

    // The id as stored: upper-case hexadecimal, 8-4-4-4-12, no braces.
    static QString idText(const QUuid& id);
};

inline size_t qHash(const StylePreset& preset, size_t seed = 0) {
    return qHashMulti(seed, preset.id, preset.name, preset.instructions);
}
