#include "client/ServerCheck.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

std::optional<QStringList> ServerCheck::modelList(const QByteArray& body) {
    const QJsonValue data = QJsonDocument::fromJson(body).object().value(QStringLiteral("data"));
    if (!data.isArray()) {
        return std::nullopt;
    }
    QStringList ids;
    for (const QJsonValue& entry : data.toArray()) {
        const QJsonValue id = entry.toObject().value(QStringLiteral("id"));
        if (id.isString() && !id.toString().isEmpty()) {
            ids.append(id.toString());
        }
    }
    return ids;
}

std::optional<QString> ServerCheck::problem() const {
    if (offersModel()) {
        return std::nullopt;
    }
    const QString start = QStringLiteral("This server does not offer the model \"%1\".").arg(model);
    if (offered->isEmpty()) {
        return start + QStringLiteral(" It lists no models.");
    }
    QString named = offered->mid(0, namedAtMost).join(QStringLiteral(", "));
    if (offered->size() > namedAtMost) {
        named += QStringLiteral(" and %1 more").arg(offered->size() - namedAtMost);
    }
    return start + QStringLiteral(" It offers: ") + named + QLatin1Char('.');
}
