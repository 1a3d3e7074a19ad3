#pragma once

#include "FakeProviderReply.h"

#include <QList>
#include <QObject>
#include <QSslCertificate>
#include <QStringList>
#include <QTemporaryDir>

#include <chrono>
#include <deque>
#include <memory>

class QTcpServer;

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
//                    "offers": ["model", ...]}        (setOfferedModels)
//   GET /__stats -> {"connections": n, "requests": n}
//   GET /__last -> the body of the latest API request
// Runs on the thread that creates it; tests share the event loop with the client under test.
class FakeProvider : public QObject {
public:
    enum class Transport { plain, tls };

    explicit FakeProvider(Transport transport = Transport::plain);
    ~FakeProvider() override;

    // Listens on 127.0.0.1 (0: any free port). False when the port is taken or, for TLS,
    // no certificate could be made.
    bool listen(quint16 port = 0);
    quint16 port() const;
    QString baseAddress() const; // "http://127.0.0.1:PORT" or "https://..."
    // TLS only: the certificate a client must trust, and its PEM file.
    QSslCertificate certificate() const { return m_certificate; }
    QString certificatePath() const { return m_folder.filePath(QStringLiteral("cert.pem")); }

    void setChatReply(FakeReply reply) { m_chatReply = std::move(reply); } // default: uppercase
    void setModelsReply(FakeReply reply) { m_modelsReply = std::move(reply); }
    void enqueue(FakeReply reply) { m_queue.push_back(std::move(reply)); } // next API request's
    // Like a local server: lists only these models and answers a chat for any other with 404.
    // Empty: any model is served.
    void setOfferedModels(const QStringList& models);

    const QList<FakeRequest>& requests() const { return m_requests; } // API requests only
    int connectionCount() const { return m_connections; }
    // Spins the event loop until n API requests have arrived; false on time-out.
    bool waitForRequests(int n, std::chrono::milliseconds timeout = std::chrono::seconds(5));

private:
    bool makeCertificate();
    FakeReply respond(const FakeRequest& request);
    FakeReply control(const FakeRequest& request);

    Transport m_transport;
    std::unique_ptr<QTcpServer> m_server;
    QTemporaryDir m_folder;
    QSslCertificate m_certificate;
    FakeReply m_chatReply;
    FakeReply m_modelsReply;
    std::deque<FakeReply> m_queue;
    QStringList m_offered;
    QList<FakeRequest> m_requests;
    int m_connections = 0;
};
