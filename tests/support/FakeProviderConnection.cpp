#include "FakeProviderConnection.h"

#include <QTimer>

namespace {

QByteArray reasonPhrase(int status) {
    switch (status) {
    case 200:
        return "OK";
    case 400:
        return "Bad Request";
    case 401:
        return "Unauthorized";
    case 404:
        return "Not Found";
    case 405:
        return "Method Not Allowed";
    case 429:
        return "Too Many Requests";
    case 500:
        return "Internal Server Error";
    case 503:
        return "Service Unavailable";
    default:
        return "Status";
    }
}

} // namespace

FakeProviderConnection::FakeProviderConnection(QTcpSocket* socket, int number, Responder responder,
                                               QObject* parent)
    : QObject(parent)
    , m_socket(socket)
    , m_number(number)
    , m_responder(std::move(responder)) {
    socket->setParent(this);
    connect(socket, &QTcpSocket::readyRead, this, &FakeProviderConnection::readRequests);
    connect(socket, &QTcpSocket::disconnected, this, &QObject::deleteLater);
    readRequests();
}

void FakeProviderConnection::readRequests() {
    if (!m_socket) {
        return;
    }
    m_buffer += m_socket->readAll();
    while (!m_busy) {
        const qsizetype headEnd = m_buffer.indexOf("\r\n\r\n");
        if (headEnd < 0) {
            return;
        }
        const QList<QByteArray> lines = m_buffer.left(headEnd).split('\n');
        const QList<QByteArray> requestLine = lines.value(0).trimmed().split(' ');
        FakeRequest request;
        request.method = requestLine.value(0);
        request.path = requestLine.value(1);
        request.connection = m_number;
        qint64 length = 0;
        bool closeAfter = requestLine.value(2) == "HTTP/1.0";
        for (qsizetype i = 1; i < lines.size(); ++i) {
            const QByteArray line = lines.at(i).trimmed();
            const qsizetype colon = line.indexOf(':');
            if (colon <= 0) {
                continue;
            }
            const QByteArray name = line.left(colon).trimmed();
            const QByteArray value = line.mid(colon + 1).trimmed();
            request.headers.append({name, value});
            if (name.compare("Content-Length", Qt::CaseInsensitive) == 0) {
                length = value.toLongLong();
            }
            if (name.compare("Connection", Qt::CaseInsensitive) == 0) {
                closeAfter = value.compare("close", Qt::CaseInsensitive) == 0;
            }
        }
        if (m_buffer.size() < headEnd + 4 + length) {
            return; // the body is still coming
        }
        request.body = m_buffer.mid(headEnd + 4, length);
        m_buffer.remove(0, headEnd + 4 + length);
        m_busy = true;
        play(m_responder(request), closeAfter);
    }
}

void FakeProviderConnection::play(FakeReply reply, bool closeAfter) {
    if (reply.delay.count() > 0) {
        const auto delay = reply.delay;
        reply.delay = std::chrono::milliseconds(0);
        QTimer::singleShot(delay, this, [this, reply, closeAfter] { play(reply, closeAfter); });
        return;
    }
    switch (reply.kind) {
    case FakeReply::Kind::hang:
        return; // m_busy stays set: this connection answers nothing more
    case FakeReply::Kind::dropBeforeAnswer:
        m_socket->disconnectFromHost();
        return;
    case FakeReply::Kind::dropMidBody:
        sendHead(reply, false);
        m_socket->write(reply.body.left(reply.body.size() / 2));
        m_socket->disconnectFromHost();
        return;
    case FakeReply::Kind::answer:
    case FakeReply::Kind::uppercase:
        break;
    }
    const bool close = closeAfter || reply.withoutLength;
    sendHead(reply, close);
    if (reply.dripBytes > 0) {
        drip(reply.body, reply.dripBytes, reply.dripInterval, close);
        return;
    }
    m_socket->write(reply.body);
    finishReply(close);
}

void FakeProviderConnection::sendHead(const FakeReply& reply, bool closeAfter) {
    QByteArray head = "HTTP/1.1 " + QByteArray::number(reply.status) + ' ' +
                      reasonPhrase(reply.status) + "\r\nContent-Type: application/json\r\n";
    if (!reply.withoutLength) {
        head += "Content-Length: " +
                QByteArray::number(reply.declaredLength.value_or(reply.body.size())) + "\r\n";
    }
    for (const auto& [name, value] : reply.headers) {
        head += name + ": " + value + "\r\n";
    }
    head += closeAfter ? "Connection: close\r\n" : "Connection: keep-alive\r\n";
    m_socket->write(head + "\r\n");
}

void FakeProviderConnection::drip(QByteArray rest, int chunk, std::chrono::milliseconds interval,
                                  bool closeAfter) {
    if (!m_socket) {
        return;
    }
    m_socket->write(rest.left(chunk));
    rest.remove(0, chunk);
    if (rest.isEmpty()) {
        finishReply(closeAfter);
        return;
    }
    QTimer::singleShot(interval, this, [this, rest, chunk, interval, closeAfter] {
        drip(rest, chunk, interval, closeAfter);
    });
}

void FakeProviderConnection::finishReply(bool closeAfter) {
    if (closeAfter) {
        m_socket->disconnectFromHost();
        return;
    }
    m_busy = false;
    // Requests that arrived while this reply was playing.
    QTimer::singleShot(0, this, &FakeProviderConnection::readRequests);
}
