#include "settings/JsonFields.h"

#include <QJsonValue>

#include <cmath>

namespace JsonFields {

std::optional<QString> text(const QJsonObject& object, const QString& key) {
    const QJsonValue value = object.value(key);
    if (!value.isString()) {
        return std::nullopt;
    }
    return value.toString();
}

std::optional<std::int64_t> integer(const QJsonObject& object, const QString& key, std::int64_t min,
                                    std::int64_t max) {
    const QJsonValue value = object.value(key);
    if (!value.isDouble()) {
        return std::nullopt;
    }
    // toInteger() refuses fractions and values qint64 cannot hold; the sentinel pair tells a
    // refusal apart from a stored value that happens to equal one of them.
    const qint64 first = value.toInteger(0);
    if (first == 0 && value.toInteger(1) == 1) {
        return std::nullopt;
    }
    if (first < min || first > max) {
        return std::nullopt;
    }
    return first;
}

std::optional<double> number(const QJsonObject& object, const QString& key) {
    const QJsonValue value = object.value(key);
    if (!value.isDouble() || !std::isfinite(value.toDouble())) {
        return std::nullopt;
    }
    return value.toDouble();
}

} // namespace JsonFields
