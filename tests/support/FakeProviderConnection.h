#pragma once

#include "FakeProviderReply.h"
#include "FakeProviderRequest.h"

#include <QObject>
#include <QPointer>
#include <QTcpSocket>

#include <functional>

// One client connection of the fake provider: reads HTTP/1.1 requests one after another
// (keep-alive) and plays the reply chosen for each. Deletes itself when the peer goes away.
class FakeProviderConnection : public QObject {
public:
    using Responder = std::function<FakeReply(const FakeRequest&)>;

    FakeProviderConnection(QTcpSocket* socket, int number, Responder responder, QObject* parent);

private:
    void readRequests();
    void play(FakeReply reply, bool closeAfter);
    void drip(QByteArray rest, const FakeReply& reply, bool closeAfter);
    void finish(bool closeAfter);

    QPointer<QTcpSocket> m_socket;
    int m_number;
    Responder m_responder;
    QByteArray m_buffer;
    bool m_busy = false; // a reply is being played; later requests wait their turn
};
