#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QList>
#include <QPair>

#include <chrono>
#include <optional>

// How the fake provider answers one request.
struct FakeReply {
    enum class Kind {
        answer,           // status, headers and body as given
        uppercase,        // a chat completion of the request's <text> in upper case
        hang,             // read the request and never answer
        dropBeforeAnswer, // close the connection without sending a byte
        dropMidBody,      // send the headers and half the body, then close
    };

    Kind kind = Kind::uppercase;
    int status = 200;
    QByteArray body;
    QByteArray contentType = "application/json";
    QList<QPair<QByteArray, QByteArray>> headers; // besides Content-Type and Content-Length
    std::chrono::milliseconds delay{0};           // before the status line
    int dripBytes = 0;                            // > 0: send the body in chunks this size
    std::chrono::milliseconds dripInterval{0};    // between chunks
    bool withoutLength = false;         // no Content-Length: the body ends when the server closes
    std::optional<qint64> promptTokens; // uppercase: reported counts (default: word counts)
    std::optional<qint64> completionTokens;

    static FakeReply answer(int status, QByteArray body);
    // A 200 chat completion with this "content" (a string, or null), with or without usage.
    static FakeReply completion(const QJsonValue& content, bool withUsage = true,
                                qint64 promptTokens = 11, qint64 completionTokens = 7);
    static FakeReply of(Kind kind);

    // The control form: {"mode": "uppercase|answer|status|completion|null-content|no-usage|
    // invalid-utf8|drop|drop-mid", "status", "body", "content", "delayMs", "dripBytes",
    // "dripIntervalMs", "withoutLength", "promptTokens", "completionTokens", "contentType",
    // "headers": {name: value}, "repeat": n (the body n times over)}. Nothing when the mode is
    // unknown.
    static std::optional<FakeReply> fromJson(const QJsonObject& json);
};
