#include "FakeProvider.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QRegularExpression>
#include <QSslKey>
#include <QSslServer>
#include <QTcpSocket>
#include <QTimer>
#include <QtDebug>

using namespace Qt::StringLiterals;

namespace {

FakeReply errorAnswer(int status, const char* message) {
    return FakeReply::answer(status, QByteArray(R"({"error":{"message":")") + message + "\"}}");
}

// The deterministic rewrite: the <text> of the user message (the last one) in upper case, with
// the reply's usage, timing settings and extra headers kept.
FakeReply uppercased(const FakeRequest& request, FakeReply reply) {
    const QJsonArray messages =
        QJsonDocument::fromJson(request.body).object().value(u"messages"_s).toArray();
    QString text = messages.at(messages.size() - 1)[u"content"_s].toString(); // none: ""
    static const QRegularExpression wrapped(
        QRegularExpression::anchoredPattern(u"<text>\n(.*)\n</text>"_s),
        QRegularExpression::DotMatchesEverythingOption);
    if (const auto match = wrapped.match(text); match.hasMatch()) {
        text = match.captured(1);
    }
    reply.kind = FakeReply::Kind::answer;
    reply.body =
        FakeReply::completion(text.toUpper(), reply.promptTokens, reply.completionTokens).body;
    return reply;
}

// One client connection: reads HTTP/1.1 requests one after another (keep-alive) and plays the
// reply chosen for each. Deletes itself when the peer goes away.
class Connection : public QObject {
public:
    Connection(QTcpSocket* socket, int number, FakeProvider* provider)
        : QObject(provider)
        , m_socket(socket)
        , m_number(number)
        , m_provider(provider) {
        socket->setParent(this);
        connect(socket, &QTcpSocket::readyRead, this, &Connection::readRequests);
        connect(socket, &QTcpSocket::disconnected, this, &QObject::deleteLater);
        readRequests();
    }

private:
    void readRequests() {
        m_buffer += m_socket->readAll();
        while (!m_busy) {
            const qsizetype headEnd = m_buffer.indexOf("\r\n\r\n");
            if (headEnd < 0) {
                return;
            }
            const QList<QByteArray> lines = m_buffer.left(headEnd).split('\n');
            const QList<QByteArray> requestLine = lines.value(0).trimmed().split(' ');
            FakeRequest request{requestLine.value(0), requestLine.value(1), {}, {}, m_number};
            for (const QByteArray& line : lines.mid(1)) {
                if (const qsizetype colon = line.indexOf(':'); colon > 0) {
                    request.headers.append(
                        {line.left(colon).trimmed(), line.mid(colon + 1).trimmed()});
                }
            }
            const qint64 length = request.header("Content-Length").value_or("0").toLongLong();
            if (m_buffer.size() < headEnd + 4 + length) {
                return; // the body is still coming
            }
            request.body = m_buffer.mid(headEnd + 4, length);
            m_buffer.remove(0, headEnd + 4 + length);
            m_busy = true;
            play(m_provider->respond(request));
        }
    }

    // Every client here keeps its connection; only an answer without a length closes it.
    void play(FakeReply reply) {
        if (reply.delay.count() > 0) {
            const auto delay = std::exchange(reply.delay, std::chrono::milliseconds(0));
            QTimer::singleShot(delay, this, [this, reply] { play(reply); });
            return;
        }
        if (reply.kind == FakeReply::Kind::hang) {
            return; // m_busy stays set: this connection answers nothing more
        }
        if (reply.kind == FakeReply::Kind::dropBeforeAnswer) {
            m_socket->disconnectFromHost();
            return;
        }
        QByteArray head = "HTTP/1.1 " + QByteArray::number(reply.status) +
                          (reply.status == 200 ? " OK" : " Not OK") +
                          "\r\nContent-Type: " + reply.contentType + "\r\n";
        if (!reply.withoutLength) {
            head += "Content-Length: " + QByteArray::number(reply.body.size()) + "\r\n";
        }
        for (const auto& [name, value] : reply.headers) {
            head += name + ": " + value + "\r\n";
        }
        m_socket->write(head + (reply.withoutLength ? "Connection: close\r\n\r\n"
                                                    : "Connection: keep-alive\r\n\r\n"));
        if (reply.kind == FakeReply::Kind::dropMidBody) {
            m_socket->write(reply.body.left(reply.body.size() / 2));
            m_socket->disconnectFromHost();
            return;
        }
        send(reply.body, reply.dripBytes > 0 ? reply.dripBytes : reply.body.size(),
             reply.dripInterval, reply.withoutLength);
    }

    // Writes the body `chunk` bytes at a time, `interval` apart; then closes or reads on.
    void send(QByteArray rest, qsizetype chunk, std::chrono::milliseconds interval,
              bool closeAfter) {
        m_socket->write(rest.left(chunk));
        rest.remove(0, chunk);
        if (!rest.isEmpty()) {
            QTimer::singleShot(interval, this,
                               [=, this] { send(rest, chunk, interval, closeAfter); });
        } else if (closeAfter) {
            m_socket->disconnectFromHost();
        } else {
            m_busy = false;
            // Requests that arrived while this reply was playing.
            QTimer::singleShot(0, this, &Connection::readRequests);
        }
    }

    QTcpSocket* m_socket; // a child: lives as long as this
    int m_number;
    FakeProvider* m_provider;
    QByteArray m_buffer;
    bool m_busy = false; // a reply is being played; later requests wait their turn
};

} // namespace

FakeReply FakeReply::completion(const QJsonValue& content, qint64 promptTokens,
                                qint64 completionTokens) {
    const QJsonObject message{{u"role"_s, u"assistant"_s}, {u"content"_s, content}};
    const QJsonObject root{
        {u"id"_s, u"chatcmpl-fake"_s},
        {u"choices"_s, QJsonArray{QJsonObject{{u"index"_s, 0}, {u"message"_s, message}}}},
        {u"usage"_s, QJsonObject{{u"prompt_tokens"_s, promptTokens},
                                 {u"completion_tokens"_s, completionTokens}}}};
    return answer(200, QJsonDocument(root).toJson(QJsonDocument::Compact));
}

std::optional<FakeReply> FakeReply::fromJson(const QJsonObject& json) {
    const auto value = [&json](const char* name) { return json.value(QLatin1String(name)); };
    const QString mode = value("mode").toString(u"uppercase"_s);
    FakeReply reply;
    if (mode == QLatin1String("answer") || mode == QLatin1String("status")) {
        reply = answer(value("status").toInt(200), value("body").toString().toUtf8());
    } else if (mode == QLatin1String("completion")) {
        reply = completion(value("content"), reply.promptTokens, reply.completionTokens);
    } else if (mode == QLatin1String("invalid-utf8")) {
        reply = answer(value("status").toInt(500), "{\"error\": \"\xff\xfe\xc3\x28\"}");
    } else if (mode == QLatin1String("drop")) {
        reply = {.kind = Kind::dropBeforeAnswer};
    } else if (mode == QLatin1String("drop-mid")) {
        reply = completion(u"a reply that never arrives in full"_s, 1, 1);
        reply.kind = Kind::dropMidBody;
    } else if (mode != QLatin1String("uppercase")) {
        return std::nullopt;
    }
    reply.delay = std::chrono::milliseconds(value("delayMs").toInteger());
    reply.dripBytes = value("dripBytes").toInt();
    reply.dripInterval = std::chrono::milliseconds(value("dripIntervalMs").toInteger());
    reply.withoutLength = value("withoutLength").toBool();
    reply.contentType = value("contentType").toString(u"application/json"_s).toUtf8();
    const QJsonObject headers = value("headers").toObject();
    for (auto it = headers.begin(); it != headers.end(); ++it) {
        reply.headers.append({it.key().toUtf8(), it.value().toString().toUtf8()});
    }
    if (const qint64 times = value("repeat").toInteger(); times > 1) {
        reply.body = reply.body.repeated(times);
    }
    reply.promptTokens = value("promptTokens").toInteger(reply.promptTokens);
    reply.completionTokens = value("completionTokens").toInteger(reply.completionTokens);
    return reply;
}

FakeProvider::FakeProvider(Transport transport)
    : m_transport(transport)
    , m_server(transport == Transport::tls ? std::make_unique<QSslServer>()
                                           : std::make_unique<QTcpServer>())
    , m_modelsReply(FakeReply::answer(200, R"({"object":"list","data":[{"id":"gpt-4o-mini"}]})")) {
    // A TLS connection is handed over once its handshake is done.
    connect(m_server.get(), &QTcpServer::pendingConnectionAvailable, this, [this] {
        while (QTcpSocket* socket = m_server->nextPendingConnection()) {
            new Connection(socket, ++m_connections, this);
        }
    });
}

// A self-signed certificate for 127.0.0.1 made with the openssl tool, valid for a day. Blocks
// for a few tens of milliseconds: test set-up only.
bool FakeProvider::makeCertificate() {
    const QString keyPath = m_folder.filePath(u"key.pem"_s);
    QProcess openssl;
    openssl.setProcessChannelMode(QProcess::MergedChannels);
    openssl.start(
        u"openssl"_s,
        u"req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -days 1 "
        u"-subj /CN=127.0.0.1 -addext subjectAltName=IP:127.0.0.1,DNS:localhost -keyout"_s.split(
            u' ') +
            QStringList{keyPath, u"-out"_s, certificatePath()});
    QFile key(keyPath);
    if (!openssl.waitForFinished(30'000) || openssl.exitCode() != 0 ||
        !key.open(QIODevice::ReadOnly)) {
        qWarning() << "openssl could not make a certificate:" << openssl.readAll();
        return false;
    }
    m_certificate = QSslCertificate::fromPath(certificatePath()).value(0);
    QSslConfiguration configuration = QSslConfiguration::defaultConfiguration();
    configuration.setLocalCertificate(m_certificate);
    configuration.setPrivateKey(QSslKey(key.readAll(), QSsl::Ec, QSsl::Pem));
    configuration.setPeerVerifyMode(QSslSocket::VerifyNone);
    static_cast<QSslServer*>(m_server.get())->setSslConfiguration(configuration);
    return !m_certificate.isNull() && !configuration.privateKey().isNull();
}

bool FakeProvider::listen() {
    if (m_transport == Transport::tls && m_certificate.isNull() && !makeCertificate()) {
        return false;
    }
    return m_server->listen(QHostAddress::LocalHost);
}

QString FakeProvider::baseAddress() const {
    return (m_transport == Transport::tls ? u"https://127.0.0.1:"_s : u"http://127.0.0.1:"_s) +
           QString::number(port());
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
    if (path.endsWith("/v1/chat/completions")) {
        const QString model =
            QJsonDocument::fromJson(request.body).object().value(u"model"_s).toString();
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
        return FakeReply::answer(200, QJsonDocument(QJsonObject{{u"connections"_s, m_connections},
                                                                {u"requests"_s, m_requests.size()}})
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
    const auto chat = FakeReply::fromJson(settings.value(u"chat"_s).toObject());
    const auto models = FakeReply::fromJson(settings.value(u"models"_s).toObject());
    if (!chat || !models) {
        return errorAnswer(400, "unknown mode");
    }
    if (settings.contains(u"chat"_s)) {
        m_chatReply = *chat;
    }
    if (settings.contains(u"models"_s)) {
        m_modelsReply = *models;
    }
    if (settings.contains(u"offers"_s)) {
        m_offered = settings.value(u"offers"_s).toVariant().toStringList();
        QJsonArray data;
        for (const QString& id : std::as_const(m_offered)) {
            data.append(QJsonObject{{u"id"_s, id}});
        }
        m_modelsReply =
            FakeReply::answer(200, QJsonDocument(QJsonObject{{u"data"_s, data}}).toJson());
    }
    return FakeReply::answer(200, R"({"ok":true})");
}
