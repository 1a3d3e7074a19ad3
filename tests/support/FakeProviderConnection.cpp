#include "FakeProviderConnection.h"

#include <QTimer>

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
        FakeRequest request{requestLine.value(0), requestLine.value(1), {}, {}, m_number};
        bool closeAfter = requestLine.value(2) == "HTTP/1.0";
        for (const QByteArray& line : lines.mid(1)) {
            const qsizetype colon = line.indexOf(':');
            if (colon > 0) {
                request.headers.append({line.left(colon).trimmed(), line.mid(colon + 1).trimmed()});
            }
        }
        const qint64 length = request.header("Content-Length").value_or("0").toLongLong();
        if (const auto connection = request.header("Connection")) {
            closeAfter = connection->compare("close", Qt::CaseInsensitive) == 0;
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
        const auto delay = std::exchange(reply.delay, std::chrono::milliseconds(0));
        QTimer::singleShot(delay, this, [this, reply, closeAfter] { play(reply, closeAfter); });
        return;
    }
    if (reply.kind == FakeReply::Kind::hang) {
        return; // m_busy stays set: this connection answers nothing more
    }
    if (reply.kind == FakeReply::Kind::dropBeforeAnswer) {
        m_socket->disconnectFromHost();
        return;
    }
    const bool close = closeAfter || reply.withoutLength;
    QByteArray head = "HTTP/1.1 " + QByteArray::number(reply.status) +
                      (reply.status == 200 ? " OK" : " Not OK") +
                      "\r\nContent-Type: " + reply.contentType + "\r\n";
    if (!reply.withoutLength) {
        head += "Content-Length: " +
                QByteArray::number(reply.declaredLength.value_or(reply.body.size())) + "\r\n";
    }
    for (const auto& [name, value] : reply.headers) {
        head += name + ": " + value + "\r\n";
    }
    m_socket->write(head +
                    (close ? "Connection: close\r\n\r\n" : "Connection: keep-alive\r\n\r\n"));
    if (reply.kind == FakeReply::Kind::dropMidBody) {
        m_socket->write(reply.body.left(reply.body.size() / 2));
        m_socket->disconnectFromHost();
    } else if (reply.dripBytes > 0) {
        drip(reply.body, reply, close);
    } else {
        m_socket->write(reply.body);
        finish(close);
    }
}

void FakeProviderConnection::drip(QByteArray rest, const FakeReply& reply, bool closeAfter) {
    if (!m_socket) {
        return;
    }
    m_socket->write(rest.left(reply.dripBytes));
    rest.remove(0, reply.dripBytes);
    if (rest.isEmpty()) {
        finish(closeAfter);
        return;
    }
    QTimer::singleShot(reply.dripInterval, this,
                       [this, rest, reply, closeAfter] { drip(rest, reply, closeAfter); });
}

void FakeProviderConnection::finish(bool closeAfter) {
    if (closeAfter) {
        m_socket->disconnectFromHost();
        return;
    }
    m_busy = false;
    // Requests that arrived while this reply was playing.
    QTimer::singleShot(0, this, &FakeProviderConnection::readRequests);
}
