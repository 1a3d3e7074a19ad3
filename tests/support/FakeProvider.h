#pragma once

#include <QJsonObject>
#include <QList>
#include <QObject>
#include <QSslCertificate>
#include <QStringList>
#include <QTcpServer>
#include <QTemporaryDir>

#include <chrono>
#include <memory>
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
    QByteArray body{};
    QByteArray contentType = "application/json";
    QList<QPair<QByteArray, QByteArray>> headers{}; // besides Content-Type and Content-Length
    std::chrono::milliseconds delay{0};             // before the status line
    int dripBytes = 0;                              // > 0: send the body in chunks this size
    std::chrono::milliseconds dripInterval{0};      // between chunks
    bool withoutLength = false; // no Content-Length: the body ends when the server closes
    qint64 promptTokens = 11;   // the usage a completion reports
    qint64 completionTokens = 7;

    static FakeReply answer(int status, QByteArray body) {
        return {.kind = Kind::answer, .status = status, .body = std::move(body)};
    }
    // A 200 chat completion with this "content" (a string, or null) and this usage.
    static FakeReply completion(const QJsonValue& content, qint64 promptTokens,
                                qint64 completionTokens);

    // The control form: {"mode": "uppercase|answer|status|completion|invalid-utf8|drop|drop-mid",
    // "status", "body", "content", "delayMs", "dripBytes", "dripIntervalMs", "withoutLength",
    // "promptTokens", "completionTokens", "contentType", "headers": {name: value}, "repeat": n
    // (the body n times over)}. Nothing when the mode is unknown.
    static std::optional<FakeReply> fromJson(const QJsonObject& json);
};

// One HTTP request as the fake provider received it, for assertions.
struct FakeRequest {
    QByteArray method;
    QByteArray path;
    QList<QPair<QByteArray, QByteArray>> headers; // in arrival order, names as sent
    QByteArray body;
    int connection = 0; // 1 for the first connection the server accepted, and so on

    // The value of the first header with that name, compared without case.
    std::optional<QByteArray> header(const QByteArray& name) const {
        for (const auto& [key, value] : headers) {
            if (key.compare(name, Qt::CaseInsensitive) == 0) {
                return value;
            }
        }
        return std::nullopt;
    }
};

// An OpenAI-compatible HTTP/1.1 server on 127.0.0.1 for tests and benchmarks, plain or TLS
// (with a certificate made at start), keeping connections alive. It serves
// POST /v1/chat/completions and GET /v1/models with replies chosen per test or per request,
// and records every request. Control paths let another process script it:
//   POST /__control {"chat": reply, "models": reply,  (FakeReply::fromJson)
//                    "offers": ["model", ...]}  (like a local server: lists only these
//                    models, and answers a chat for any other with 404; empty: any model)
//   GET /__stats -> {"connections": n, "requests": n}
//   GET /__last -> the body of the latest API request
// Runs on the thread that creates it; tests share the event loop with the client under test.
class FakeProvider : public QObject {
public:
    enum class Transport { plain, tls };

    explicit FakeProvider(Transport transport = Transport::plain);

    // Listens on a free port of 127.0.0.1; false when, for TLS, no certificate could be made.
    bool listen();
    quint16 port() const { return m_server->serverPort(); }
    QString baseAddress() const; // "http://127.0.0.1:PORT" or "https://..."
    // TLS only: the certificate a client must trust, and its PEM file.
    QSslCertificate certificate() const { return m_certificate; }
    QString certificatePath() const { return m_folder.filePath(QStringLiteral("cert.pem")); }

    void setChatReply(FakeReply reply) { m_chatReply = std::move(reply); } // default: uppercase
    void setModelsReply(FakeReply reply) { m_modelsReply = std::move(reply); }

    const QList<FakeRequest>& requests() const { return m_requests; } // API requests only
    int connectionCount() const { return m_connections; }
    // Spins the event loop until n API requests have arrived; false on time-out.
    bool waitForRequests(int n, std::chrono::milliseconds timeout = std::chrono::seconds(5));

    FakeReply respond(const FakeRequest& request); // the reply its connections play

private:
    bool makeCertificate();
    FakeReply control(const FakeRequest& request);

    Transport m_transport;
    std::unique_ptr<QTcpServer> m_server;
    QTemporaryDir m_folder;
    QSslCertificate m_certificate;
    FakeReply m_chatReply;
    FakeReply m_modelsReply;
    QStringList m_offered; // empty: any model is served
    QList<FakeRequest> m_requests;
    int m_connections = 0;
};
