#include "FakeProviderReply.h"

#include <QJsonArray>
#include <QJsonDocument>

FakeReply FakeReply::answer(int status, QByteArray body) {
    FakeReply reply = of(Kind::answer);
    reply.status = status;
    reply.body = std::move(body);
    return reply;
}

FakeReply FakeReply::completion(const QJsonValue& content, bool withUsage, qint64 promptTokens,
                                qint64 completionTokens) {
    const QJsonObject message{{QStringLiteral("role"), QStringLiteral("assistant")},
                              {QStringLiteral("content"), content}};
    QJsonObject root{
        {QStringLiteral("id"), QStringLiteral("chatcmpl-fake")},
        {QStringLiteral("choices"), QJsonArray{QJsonObject{{QStringLiteral("index"), 0},
                                                           {QStringLiteral("message"), message}}}}};
    if (withUsage) {
        root.insert(QStringLiteral("usage"),
                    QJsonObject{{QStringLiteral("prompt_tokens"), promptTokens},
                                {QStringLiteral("completion_tokens"), completionTokens}});
    }
    return answer(200, QJsonDocument(root).toJson(QJsonDocument::Compact));
}

FakeReply FakeReply::of(Kind kind) {
    FakeReply reply;
    reply.kind = kind;
    return reply;
}

std::optional<FakeReply> FakeReply::fromJson(const QJsonObject& json) {
    const auto value = [&json](const char* name) { return json.value(QLatin1String(name)); };
    const QString mode = value("mode").toString(QStringLiteral("uppercase"));
    FakeReply reply;
    if (mode == QLatin1String("answer") || mode == QLatin1String("status")) {
        reply = answer(value("status").toInt(200), value("body").toString().toUtf8());
    } else if (mode == QLatin1String("completion")) {
        reply = completion(value("content"));
    } else if (mode == QLatin1String("null-content")) {
        reply = completion(QJsonValue::Null);
    } else if (mode == QLatin1String("no-usage")) {
        reply = completion(value("content").toString(QStringLiteral("ok")), false);
    } else if (mode == QLatin1String("invalid-utf8")) {
        reply = answer(value("status").toInt(500), "{\"error\": \"\xff\xfe\xc3\x28\"}");
    } else if (mode == QLatin1String("hang")) {
        reply = of(Kind::hang);
    } else if (mode == QLatin1String("drop")) {
        reply = of(Kind::dropBeforeAnswer);
    } else if (mode == QLatin1String("drop-mid")) {
        reply = completion(QStringLiteral("a reply that never arrives in full"));
        reply.kind = Kind::dropMidBody;
    } else if (mode != QLatin1String("uppercase")) {
        return std::nullopt;
    }
    reply.delay = std::chrono::milliseconds(value("delayMs").toInteger());
    reply.dripBytes = value("dripBytes").toInt();
    reply.dripInterval = std::chrono::milliseconds(value("dripIntervalMs").toInteger());
    reply.withoutLength = value("withoutLength").toBool();
    const auto optional = [&](const char* name) {
        return json.contains(QLatin1String(name)) ? std::optional(value(name).toInteger())
                                                  : std::nullopt;
    };
    reply.declaredLength = optional("declaredLength");
    reply.contentType = value("contentType").toString(QStringLiteral("application/json")).toUtf8();
    const QJsonObject headers = value("headers").toObject();
    for (auto it = headers.begin(); it != headers.end(); ++it) {
        reply.headers.append({it.key().toUtf8(), it.value().toString().toUtf8()});
    }
    if (const qint64 times = value("repeat").toInteger(); times > 1) {
        reply.body = reply.body.repeated(times);
    }
    reply.promptTokens = optional("promptTokens");
    reply.completionTokens = optional("completionTokens");
    return reply;
}
