#include "FakeProvider.h"

#include "FakeProviderConnection.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QHostAddress>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QSslSocket>
#include <QTcpServer>

namespace {

QByteArray json(const QJsonValue& value) {
    return value.isArray() ? QJsonDocument(value.toArray()).toJson(QJsonDocument::Compact)
                           : QJsonDocument(value.toObject()).toJson(QJsonDocument::Compact);
}

FakeReply errorAnswer(int status, const QString& message) {
    return FakeReply::answer(
        status, json(QJsonObject{
                    {QStringLiteral("error"), QJsonObject{{QStringLiteral("message"), message}}}}));
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
    const QJsonDocument document = QJsonDocument::fromJson(request.body);
    const QJsonArray messages = document.object().value(QStringLiteral("messages")).toArray();
    if (messages.isEmpty()) {
        return errorAnswer(400, QStringLiteral("no messages"));
    }
    QString text;
    qint64 promptWords = 0;
    for (const QJsonValue& message : messages) {
        const QString content = message.toObject().value(QStringLiteral("content")).toString();
        promptWords += wordCount(content);
        if (message.toObject().value(QStringLiteral("role")).toString() == QStringLiteral("user")) {
            text = content;
        }
    }
    const QString open = QStringLiteral("<text>\n");
    const QString close = QStringLiteral("\n</text>");
    if (text.startsWith(open) && text.endsWith(close) &&
        text.size() >= open.size() + close.size()) {
        text = text.mid(open.size(), text.size() - open.size() - close.size());
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

class FakeProvider::Server : public QTcpServer {
public:
    explicit Server(FakeProvider& owner)
        : m_owner(owner) {}

protected:
    void incomingConnection(qintptr descriptor) override {
        QTcpSocket* socket = nullptr;
        if (m_owner.m_transport == Transport::tls) {
            auto* ssl = new QSslSocket;
            ssl->setSocketDescriptor(descriptor);
            ssl->setLocalCertificate(m_owner.m_certificate->certificate);
            ssl->setPrivateKey(m_owner.m_certificate->key);
            ssl->setPeerVerifyMode(QSslSocket::VerifyNone);
            ssl->startServerEncryption();
            socket = ssl;
        } else {
            socket = new QTcpSocket;
            socket->setSocketDescriptor(descriptor);
        }
        const int number = ++m_owner.m_connections;
        FakeProvider* owner = &m_owner;
        new FakeProviderConnection(
            socket, number, [owner](const FakeRequest& request) { return owner->respond(request); },
            owner);
    }

private:
    FakeProvider& m_owner;
};

FakeProvider::FakeProvider(Transport transport, QObject* parent)
    : QObject(parent)
    , m_transport(transport)
    , m_server(std::make_unique<Server>(*this))
    , m_modelsReply(defaultModelsReply()) {}

FakeProvider::~FakeProvider() {
    m_server->close();
}

bool FakeProvider::listen(quint16 port) {
    if (m_transport == Transport::tls && !m_certificate) {
        m_certificate = FakeProviderCertificate::generate(m_folder.path());
        if (!m_certificate) {
            return false;
        }
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

QSslCertificate FakeProvider::certificate() const {
    return m_certificate ? m_certificate->certificate : QSslCertificate();
}

QString FakeProvider::certificatePath() const {
    return m_certificate ? m_certificate->certificatePath : QString();
}

void FakeProvider::setChatReply(FakeReply reply) {
    m_chatReply = std::move(reply);
}

void FakeProvider::setModelsReply(FakeReply reply) {
    m_modelsReply = std::move(reply);
}

void FakeProvider::enqueue(FakeReply reply) {
    m_queue.push_back(std::move(reply));
}

void FakeProvider::reset() {
    m_chatReply = FakeReply::uppercase();
    m_modelsReply = defaultModelsReply();
    m_queue.clear();
    m_requests.clear();
    m_connections = 0;
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
    FakeReply reply = apiReply(request);
    if (reply.kind == FakeReply::Kind::uppercase) {
        return uppercased(request, reply);
    }
    return reply;
}

FakeReply FakeProvider::apiReply(const FakeRequest& request) {
    if (!m_queue.empty()) {
        FakeReply next = std::move(m_queue.front());
        m_queue.pop_front();
        return next;
    }
    const qsizetype query = request.path.indexOf('?');
    const QByteArray path = query < 0 ? request.path : request.path.left(query);
    if (path.endsWith("/v1/chat/completions")) {
        return request.method == "POST"
                   ? m_chatReply
                   : errorAnswer(405, QStringLiteral("Method not allowed; use POST."));
    }
    if (path.endsWith("/v1/models") && request.method == "GET") {
        return m_modelsReply;
    }
    return errorAnswer(404, QStringLiteral("No such endpoint."));
}

FakeReply FakeProvider::control(const FakeRequest& request) {
    const QByteArray path = request.path;
    if (path == "/__stats") {
        return FakeReply::answer(
            200, json(QJsonObject{{QStringLiteral("connections"), m_connections},
                                  {QStringLiteral("requests"), m_requests.size()}}));
    }
    if (path == "/__requests") {
        QJsonArray list;
        for (const FakeRequest& seen : m_requests) {
            QJsonObject headers;
            for (const auto& [name, value] : seen.headers) {
                headers.insert(QString::fromLatin1(name.toLower()), QString::fromUtf8(value));
            }
            list.append(QJsonObject{{QStringLiteral("method"), QString::fromLatin1(seen.method)},
                                    {QStringLiteral("path"), QString::fromUtf8(seen.path)},
                                    {QStringLiteral("headers"), headers},
                                    {QStringLiteral("body"), QString::fromUtf8(seen.body)},
                                    {QStringLiteral("connection"), seen.connection}});
        }
        return FakeReply::answer(200, json(list));
    }
    if (path == "/__reset" && request.method == "POST") {
        const int connections = m_connections;
        reset();
        m_connections = connections; // this very connection stays counted
        return FakeReply::answer(200, R"({"ok":true})");
    }
    if (path == "/__control" && request.method == "POST") {
        const QJsonObject settings = QJsonDocument::fromJson(request.body).object();
        std::optional<FakeReply> chat;
        std::optional<FakeReply> models;
        std::deque<FakeReply> next;
        bool valid = true;
        if (settings.contains(QStringLiteral("chat"))) {
            chat = FakeReply::fromJson(settings.value(QStringLiteral("chat")).toObject());
            valid = valid && chat;
        }
        if (settings.contains(QStringLiteral("models"))) {
            models = FakeReply::fromJson(settings.value(QStringLiteral("models")).toObject());
            valid = valid && models;
        }
        for (const QJsonValue& item : settings.value(QStringLiteral("next")).toArray()) {
            auto reply = FakeReply::fromJson(item.toObject());
            valid = valid && reply;
            if (reply) {
                next.push_back(*reply);
            }
        }
        if (!valid) {
            return errorAnswer(400, QStringLiteral("unknown mode"));
        }
        if (chat) {
            m_chatReply = *chat;
        }
        if (models) {
            m_modelsReply = *models;
        }
        m_queue.insert(m_queue.end(), next.begin(), next.end());
        return FakeReply::answer(200, R"({"ok":true})");
    }
    return errorAnswer(404, QStringLiteral("No such control path."));
}
