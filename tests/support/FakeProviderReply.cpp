#include "FakeProviderReply.h"

#include <QJsonArray>
#include <QJsonDocument>

using namespace Qt::StringLiterals;

FakeReply FakeReply::answer(int status, QByteArray body) {
    FakeReply reply = of(Kind::answer);
    reply.status = status;
    reply.body = std::move(body);
    return reply;
}

FakeReply FakeReply::completion(const QJsonValue& content, bool withUsage, qint64 promptTokens,
                                qint64 completionTokens) {
    const QJsonObject message{{u"role"_s, u"assistant"_s}, {u"content"_s, content}};
    QJsonObject root{
        {u"id"_s, u"chatcmpl-fake"_s},
        {u"choices"_s, QJsonArray{QJsonObject{{u"index"_s, 0}, {u"message"_s, message}}}}};
    if (withUsage) {
        root.insert(u"usage"_s, QJsonObject{{u"prompt_tokens"_s, promptTokens},
                                            {u"completion_tokens"_s, completionTokens}});
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
    const QString mode = value("mode").toString(u"uppercase"_s);
    FakeReply reply;
    if (mode == QLatin1String("answer") || mode == QLatin1String("status")) {
        reply = answer(value("status").toInt(200), value("body").toString().toUtf8());
    } else if (mode == QLatin1String("completion")) {
        reply = completion(value("content"));
    } else if (mode == QLatin1String("null-content")) {
        reply = completion(QJsonValue::Null);
    } else if (mode == QLatin1String("no-usage")) {
        reply = completion(value("content").toString(u"ok"_s), false);
    } else if (mode == QLatin1String("invalid-utf8")) {
        reply = answer(value("status").toInt(500), "{\"error\": \"\xff\xfe\xc3\x28\"}");
    } else if (mode == QLatin1String("drop")) {
        reply = of(Kind::dropBeforeAnswer);
    } else if (mode == QLatin1String("drop-mid")) {
        reply = completion(u"a reply that never arrives in full"_s);
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
    reply.contentType = value("contentType").toString(u"application/json"_s).toUtf8();
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
