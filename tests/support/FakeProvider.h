#pragma once

#include "FakeProviderCertificate.h"
#include "FakeProviderReply.h"
#include "FakeProviderRequest.h"

#include <QList>
#include <QObject>
#include <QSslCertificate>
#include <QTemporaryDir>

#include <chrono>
#include <deque>
#include <memory>
#include <optional>

class QTcpServer;

// An OpenAI-compatible HTTP/1.1 server on 127.0.0.1 for tests and benchmarks, plain or TLS
// (with a certificate made at start), keeping connections alive. It serves
// POST /v1/chat/completions and GET /v1/models with replies chosen per test or per request,
// and records every request. Control paths let another process script it:
//   POST /__control {"chat": reply, "models": reply, "next": [reply, ...]}  (FakeReply::fromJson)
//   POST /__reset     GET /__stats -> {"connections", "requests"}     GET /__requests -> [...]
// Runs on the thread that creates it; tests share the event loop with the client under test.
class FakeProvider : public QObject {
    Q_OBJECT
public:
    enum class Transport { plain, tls };

    explicit FakeProvider(Transport transport = Transport::plain, QObject* parent = nullptr);
    ~FakeProvider() override;

    // Listens on 127.0.0.1 (0: any free port). False when the port is taken or, for TLS,
    // no certificate could be made.
    bool listen(quint16 port = 0);
    quint16 port() const;
    // "http://127.0.0.1:PORT" or "https://127.0.0.1:PORT".
    QString baseAddress() const;
    // TLS only: the server's certificate, which a client must trust, and its PEM file.
    QSslCertificate certificate() const;
    QString certificatePath() const;

    void setChatReply(FakeReply reply);   // POST .../v1/chat/completions (default: uppercase)
    void setModelsReply(FakeReply reply); // GET .../v1/models (default: 200 with an empty list)
    void enqueue(FakeReply reply);        // the next API request, whatever its path, gets this
    void reset();                         // default replies, no records, counters at zero

    const QList<FakeRequest>& requests() const { return m_requests; } // API requests only
    int connectionCount() const { return m_connections; }

    // Spins the event loop until n API requests have arrived; false on time-out.
    bool waitForRequests(int n, std::chrono::milliseconds timeout = std::chrono::seconds(5));

private:
    class Server;

    FakeReply respond(const FakeRequest& request);
    FakeReply control(const FakeRequest& request);
    FakeReply apiReply(const FakeRequest& request);

    Transport m_transport;
    std::unique_ptr<QTcpServer> m_server;
    QTemporaryDir m_folder;
    std::optional<FakeProviderCertificate> m_certificate;
    FakeReply m_chatReply;
    FakeReply m_modelsReply;
    std::deque<FakeReply> m_queue;
    QList<FakeRequest> m_requests;
    int m_connections = 0;
};
