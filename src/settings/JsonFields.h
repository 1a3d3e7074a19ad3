#pragma once

#include <QJsonObject>
#include <QString>

#include <cstdint>
#include <optional>

// Strict readers for the members of the stored records: a member that is missing or of the
// wrong JSON type yields nothing, so the whole record counts as unreadable.
namespace JsonFields {

std::optional<QString> text(const QJsonObject& object, const QString& key);

// A whole number within [min, max]; a fraction or a value out of range yields nothing.
std::optional<std::int64_t> integer(const QJsonObject& object, const QString& key, std::int64_t min,
                                    std::int64_t max);

// Any finite number.
std::optional<double> number(const QJsonObject& object, const QString& key);

} // namespace JsonFields
