#include "FakeProviderReply.h"

#include <QJsonArray>
#include <QJsonDocument>

FakeReply FakeReply::answer(int status, QByteArray body) {
    FakeReply reply;
    reply.kind = Kind::answer;
    reply.status = status;
    reply.body = std::move(body);
    return reply;
}

FakeReply FakeReply::completion(const QJsonValue& content, bool withUsage, qint64 promptTokens,
                                qint64 completionTokens) {
    QJsonObject root{
        {QStringLiteral("id"), QStringLiteral("chatcmpl-fake")},
        {QStringLiteral("object"), QStringLiteral("chat.completion")},
        {QStringLiteral("choices"),
         QJsonArray{QJsonObject{{QStringLiteral("index"), 0},
                                {QStringLiteral("message"),
                                 QJsonObject{{QStringLiteral("role"), QStringLiteral("assistant")},
                                             {QStringLiteral("content"), content}}},
                                {QStringLiteral("finish_reason"), QStringLiteral("stop")}}}},
    };
    if (withUsage) {
        root.insert(QStringLiteral("usage"),
                    QJsonObject{{QStringLiteral("prompt_tokens"), promptTokens},
                                {QStringLiteral("completion_tokens"), completionTokens},
                                {QStringLiteral("total_tokens"), promptTokens + completionTokens}});
    }
    return answer(200, QJsonDocument(root).toJson(QJsonDocument::Compact));
}

FakeReply FakeReply::of(Kind kind) {
    FakeReply reply;
    reply.kind = kind;
    return reply;
}

std::optional<FakeReply> FakeReply::fromJson(const QJsonObject& json) {
    const QString mode = json.value(QStringLiteral("mode")).toString(QStringLiteral("uppercase"));
    FakeReply reply;
    if (mode == QStringLiteral("uppercase")) {
        reply = uppercase();
    } else if (mode == QStringLiteral("answer") || mode == QStringLiteral("status")) {
        reply = answer(json.value(QStringLiteral("status")).toInt(200),
                       json.value(QStringLiteral("body")).toString().toUtf8());
    } else if (mode == QStringLiteral("completion")) {
        reply = completion(json.value(QStringLiteral("content")));
    } else if (mode == QStringLiteral("null-content")) {
        reply = completion(QJsonValue::Null);
    } else if (mode == QStringLiteral("no-usage")) {
        reply =
            completion(json.value(QStringLiteral("content")).toString(QStringLiteral("ok")), false);
    } else if (mode == QStringLiteral("invalid-utf8")) {
        reply = answer(json.value(QStringLiteral("status")).toInt(500),
                       QByteArray("{\"error\": \"\xff\xfe\xc3\x28\"}"));
    } else if (mode == QStringLiteral("hang")) {
        reply = of(Kind::hang);
    } else if (mode == QStringLiteral("drop")) {
        reply = of(Kind::dropBeforeAnswer);
    } else if (mode == QStringLiteral("drop-mid")) {
        reply = completion(QStringLiteral("a reply that never arrives in full"));
        reply.kind = Kind::dropMidBody;
    } else {
        return std::nullopt;
    }
    reply.delay = std::chrono::milliseconds(json.value(QStringLiteral("delayMs")).toInteger());
    reply.dripBytes = json.value(QStringLiteral("dripBytes")).toInt();
    reply.dripInterval =
        std::chrono::milliseconds(json.value(QStringLiteral("dripIntervalMs")).toInteger());
    if (json.contains(QStringLiteral("declaredLength"))) {
        reply.declaredLength = json.value(QStringLiteral("declaredLength")).toInteger();
    }
    reply.withoutLength = json.value(QStringLiteral("withoutLength")).toBool();
    if (json.contains(QStringLiteral("promptTokens"))) {
        reply.promptTokens = json.value(QStringLiteral("promptTokens")).toInteger();
    }
    if (json.contains(QStringLiteral("completionTokens"))) {
        reply.completionTokens = json.value(QStringLiteral("completionTokens")).toInteger();
    }
    return reply;
}
