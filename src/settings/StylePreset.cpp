#include "settings/StylePreset.h"

#include "settings/JsonFields.h"

#include <QJsonObject>

namespace {

// QUuid::fromString also takes braces and other lengths; the stored form is exactly
// 8-4-4-4-12 hexadecimal digits.
std::optional<QUuid> parseId(const QString& text) {
    if (text.size() != 36) {
        return std::nullopt;
    }
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        const bool hyphenPlace = i == 8 || i == 13 || i == 18 || i == 23;
        const bool hex =
            (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
        if (hyphenPlace ? c != u'-' : !hex) {
            return std::nullopt;
        }
    }
    return QUuid::fromString(text);
}

StylePreset builtIn(const char* name, const char* instructions) {
    return {QUuid::createUuid(), QString::fromUtf8(name), QString::fromUtf8(instructions)};
}

} // namespace

const QList<StylePreset>& StylePreset::builtIns() {
    static const QList<StylePreset> presets{
        builtIn("Shorter", "Rewrite the text so it says the same thing in fewer words. Keep the "
                           "same language and tone."),
        builtIn("Friendlier", "Rewrite the text so it sounds warmer and more approachable, "
                              "without becoming informal or adding information. Keep the same "
                              "language."),
        builtIn("Fix grammar only", "Correct spelling, grammar and punctuation only. Do not "
                                    "change the wording, tone, or style. Keep the same language."),
    };
    return presets;
}

std::optional<StylePreset> StylePreset::fromJson(const QJsonValue& json) {
    const QJsonObject object = json.toObject();
    const auto storedId = JsonFields::text(object, QStringLiteral("id"));
    const auto name = JsonFields::text(object, QStringLiteral("name"));
    const auto instructions = JsonFields::text(object, QStringLiteral("instructions"));
    if (!json.isObject() || !storedId || !name || !instructions) {
        return std::nullopt;
    }
    const auto id = parseId(*storedId);
    if (!id) {
        return std::nullopt;
    }
    return StylePreset{*id, *name, *instructions};
}

QJsonValue StylePreset::toJson() const {
    return QJsonObject{{QStringLiteral("id"), idText(id)},
                       {QStringLiteral("name"), name},
                       {QStringLiteral("instructions"), instructions}};
}

std::optional<QList<StylePreset>> StylePreset::listFromJson(const QJsonValue& json) {
    if (!json.isArray()) {
        return std::nullopt;
    }
    QList<StylePreset> presets;
    for (const QJsonValue element : json.toArray()) {
        auto preset = fromJson(element);
        if (!preset) {
            return std::nullopt;
        }
        presets.append(std::move(*preset));
    }
    return presets;
}

QJsonArray StylePreset::listToJson(const QList<StylePreset>& presets) {
    QJsonArray array;
    for (const StylePreset& preset : presets) {
        array.append(preset.toJson());
    }
    return array;
}

QString StylePreset::idText(const QUuid& id) {
    return id.toString(QUuid::WithoutBraces).toUpper();
}
