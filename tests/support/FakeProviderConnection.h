#pragma once

#include "FakeProviderReply.h"
#include "FakeProviderRequest.h"

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QTcpSocket>

#include <functional>

// One client connection of the fake provider: reads HTTP/1.1 requests one after another
// (keep-alive) and plays the reply chosen for each. Deletes itself when the peer goes away.
class FakeProviderConnection : public QObject {
    Q_OBJECT
public:
    using Responder = std::function<FakeReply(const FakeRequest&)>;

    FakeProviderConnection(QTcpSocket* socket, int number, Responder responder,
                           QObject* parent = nullptr);

private:
    void readRequests();
    void play(FakeReply reply, bool closeAfter);
    void sendHead(const FakeReply& reply, bool closeAfter);
    void drip(QByteArray rest, int chunk, std::chrono::milliseconds interval, bool closeAfter);
    void finishReply(bool closeAfter);

    QPointer<QTcpSocket> m_socket;
    int m_number;
    Responder m_responder;
    QByteArray m_buffer;
    bool m_busy = false; // a reply is being played; later requests wait their turn
};
