#include "FakeProvider.h"

#include "FakeProviderConnection.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QRegularExpression>
#include <QSslKey>
#include <QSslServer>
#include <QtDebug>

namespace {

FakeReply errorAnswer(int status, const char* message) {
    return FakeReply::answer(status, QByteArray(R"({"error":{"message":")") + message + "\"}}");
}

qint64 wordCount(const QString& text) {
    static const QRegularExpression space(QStringLiteral("\\s+"));
    return text.split(space, Qt::SkipEmptyParts).size();
}

FakeReply defaultModelsReply() {
    return FakeReply::answer(200, R"({"object":"list","data":[{"id":"gpt-4o-mini"}]})");
}

// The deterministic rewrite: the <text> of the user message in upper case, with the reply's
// timing settings kept.
FakeReply uppercased(const FakeRequest& request, const FakeReply& settings) {
    const QJsonArray messages =
        QJsonDocument::fromJson(request.body).object().value(QStringLiteral("messages")).toArray();
    if (messages.isEmpty()) {
        return errorAnswer(400, "no messages");
    }
    QString text;
    qint64 promptWords = 0;
    for (const QJsonValue& message : messages) {
        const QString content = message[QStringLiteral("content")].toString();
        promptWords += wordCount(content);
        if (message[QStringLiteral("role")].toString() == QStringLiteral("user")) {
            text = content;
        }
    }
    static const QRegularExpression wrapped(
        QRegularExpression::anchoredPattern(QStringLiteral("<text>\n(.*)\n</text>")),
        QRegularExpression::DotMatchesEverythingOption);
    if (const auto match = wrapped.match(text); match.hasMatch()) {
        text = match.captured(1);
    }
    const QString upper = text.toUpper();
    FakeReply reply =
        FakeReply::completion(upper, true, settings.promptTokens.value_or(promptWords),
                              settings.completionTokens.value_or(wordCount(upper)));
    reply.delay = settings.delay;
    reply.dripBytes = settings.dripBytes;
    reply.dripInterval = settings.dripInterval;
    return reply;
}

} // namespace

FakeProvider::FakeProvider(Transport transport)
    : m_transport(transport)
    , m_server(transport == Transport::tls ? std::make_unique<QSslServer>()
                                           : std::make_unique<QTcpServer>())
    , m_modelsReply(defaultModelsReply()) {
    // A TLS connection is handed over once its handshake is done.
    connect(m_server.get(), &QTcpServer::pendingConnectionAvailable, this, [this] {
        while (QTcpSocket* socket = m_server->nextPendingConnection()) {
            new FakeProviderConnection(
                socket, ++m_connections, [this](const FakeRequest& r) { return respond(r); }, this);
        }
    });
}

FakeProvider::~FakeProvider() {
    m_server->close();
}

// A self-signed certificate for 127.0.0.1 made with the openssl tool, valid for a day. Blocks
// for a few tens of milliseconds: test set-up only.
bool FakeProvider::makeCertificate() {
    const QString keyPath = m_folder.filePath(QStringLiteral("key.pem"));
    QProcess openssl;
    openssl.setProcessChannelMode(QProcess::MergedChannels);
    openssl.start(QStringLiteral("openssl"),
                  QStringLiteral("req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 "
                                 "-nodes -days 1 -subj /CN=127.0.0.1 -addext "
                                 "subjectAltName=IP:127.0.0.1,DNS:localhost -keyout")
                          .split(QLatin1Char(' ')) +
                      QStringList{keyPath, QStringLiteral("-out"), certificatePath()});
    QFile cert(certificatePath());
    QFile key(keyPath);
    if (!openssl.waitForFinished(30'000) || openssl.exitCode() != 0 ||
        !cert.open(QIODevice::ReadOnly) || !key.open(QIODevice::ReadOnly)) {
        qWarning() << "openssl could not make a certificate:" << openssl.readAll();
        return false;
    }
    m_certificate = QSslCertificate(cert.readAll(), QSsl::Pem);
    QSslConfiguration configuration = QSslConfiguration::defaultConfiguration();
    configuration.setLocalCertificate(m_certificate);
    configuration.setPrivateKey(QSslKey(key.readAll(), QSsl::Ec, QSsl::Pem));
    configuration.setPeerVerifyMode(QSslSocket::VerifyNone);
    static_cast<QSslServer*>(m_server.get())->setSslConfiguration(configuration);
    return !m_certificate.isNull() && !configuration.privateKey().isNull();
}

bool FakeProvider::listen(quint16 port) {
    if (m_transport == Transport::tls && m_certificate.isNull() && !makeCertificate()) {
        return false;
    }
    return m_server->listen(QHostAddress::LocalHost, port);
}

quint16 FakeProvider::port() const {
    return m_server->serverPort();
}

QString FakeProvider::baseAddress() const {
    return (m_transport == Transport::tls ? QStringLiteral("https://127.0.0.1:")
                                          : QStringLiteral("http://127.0.0.1:")) +
           QString::number(port());
}

void FakeProvider::setOfferedModels(const QStringList& models) {
    m_offered = models;
    QJsonArray data;
    for (const QString& id : models) {
        data.append(QJsonObject{{QStringLiteral("object"), QStringLiteral("model")},
                                {QStringLiteral("id"), id}});
    }
    m_modelsReply = FakeReply::answer(
        200, QJsonDocument(QJsonObject{{QStringLiteral("object"), QStringLiteral("list")},
                                       {QStringLiteral("data"), data}})
                 .toJson(QJsonDocument::Compact));
}

bool FakeProvider::waitForRequests(int n, std::chrono::milliseconds timeout) {
    const QDeadlineTimer deadline(timeout);
    while (m_requests.size() < n && !deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return m_requests.size() >= n;
}

FakeReply FakeProvider::respond(const FakeRequest& request) {
    if (request.path.startsWith("/__")) {
        return control(request);
    }
    m_requests.append(request);
    FakeReply reply;
    const QByteArray path = request.path.split('?').first();
    if (!m_queue.empty()) {
        reply = std::move(m_queue.front());
        m_queue.pop_front();
    } else if (path.endsWith("/v1/chat/completions")) {
        const QString model = QJsonDocument::fromJson(request.body)
                                  .object()
                                  .value(QStringLiteral("model"))
                                  .toString();
        reply = request.method != "POST" ? errorAnswer(405, "Method not allowed; use POST.")
                : !m_offered.isEmpty() && !m_offered.contains(model)
                    ? errorAnswer(404, "The model does not exist.")
                    : m_chatReply;
    } else if (path.endsWith("/v1/models") && request.method == "GET") {
        reply = m_modelsReply;
    } else {
        reply = errorAnswer(404, "No such endpoint.");
    }
    return reply.kind == FakeReply::Kind::uppercase ? uppercased(request, reply) : reply;
}

FakeReply FakeProvider::control(const FakeRequest& request) {
    if (request.path == "/__stats") {
        return FakeReply::answer(
            200, QJsonDocument(QJsonObject{{QStringLiteral("connections"), m_connections},
                                           {QStringLiteral("requests"), m_requests.size()}})
                     .toJson(QJsonDocument::Compact));
    }
    if (request.path == "/__last") { // the body of the latest API request, as sent
        return FakeReply::answer(200, m_requests.isEmpty() ? QByteArray() : m_requests.last().body);
    }
    if (request.path != "/__control" || request.method != "POST") {
        return errorAnswer(404, "No such control path.");
    }
    // All or nothing: one unknown mode changes no reply.
    const QJsonObject settings = QJsonDocument::fromJson(request.body).object();
    const auto chat = FakeReply::fromJson(settings.value(QStringLiteral("chat")).toObject());
    const auto models = FakeReply::fromJson(settings.value(QStringLiteral("models")).toObject());
    std::deque<FakeReply> next;
    for (const QJsonValue& item : settings.value(QStringLiteral("next")).toArray()) {
        if (const auto reply = FakeReply::fromJson(item.toObject())) {
            next.push_back(*reply);
        } else {
            return errorAnswer(400, "unknown mode");
        }
    }
    if (!chat || !models) {
        return errorAnswer(400, "unknown mode");
    }
    if (settings.contains(QStringLiteral("chat"))) {
        m_chatReply = *chat;
    }
    if (settings.contains(QStringLiteral("models"))) {
        m_modelsReply = *models;
    }
    if (settings.contains(QStringLiteral("offers"))) {
        setOfferedModels(settings.value(QStringLiteral("offers")).toVariant().toStringList());
    }
    m_queue.insert(m_queue.end(), next.begin(), next.end());
    return FakeReply::answer(200, R"({"ok":true})");
}
