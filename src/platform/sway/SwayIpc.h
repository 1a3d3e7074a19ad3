#pragma once

#include <QByteArray>
#include <QJsonDocument>
#include <QLocalSocket>
#include <QObject>
#include <QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

// sway's IPC socket ($SWAYSOCK): each message is "i3-ipc", the payload's length and the
// message type (native byte order), then JSON. Requests go over one connection; events, once
// subscribed to, come over a second one, read from the event loop.
class SwayIpc final : public QObject {
    Q_OBJECT
public:
    enum class Request : std::uint32_t {
        runCommand = 0,
        subscribe = 2,
        getTree = 4,
        getConfig = 9
    };
    static constexpr std::uint32_t eventBit = 0x80000000U;
    static constexpr std::uint32_t workspaceEvent = eventBit | 0U;
    static constexpr std::uint32_t bindingEvent = eventBit | 5U;

    struct Message {
        std::uint32_t type = 0;
        QByteArray payload;
    };
    using EventHandler = std::function<void(std::uint32_t type, const QJsonDocument& event)>;

    // The running sway's socket: $SWAYSOCK, else the newest this user's sway made (a program
    // started other than by sway, a systemd user service say, lacks the variable).
    static QString sessionSocket();
    // Null when nothing answers at the path.
    static std::unique_ptr<SwayIpc> connect(const QString& socketPath);

    // One request and its answer. The main thread waits for it, but boundedly: sway answers
    // from its own event loop within a millisecond, and a hung compositor costs a refusal.
    std::optional<QJsonDocument> request(Request type, const QByteArray& payload = {});
    // Runs sway commands; the text of the first failure, or nothing when all succeeded.
    std::optional<QString> runCommand(const QString& command);
    // Events of the named kinds ("binding", "workspace") go to the handler from now on.
    bool subscribe(const QByteArray& eventNames, EventHandler handler);

    static QByteArray encode(std::uint32_t type, const QByteArray& payload);
    // Takes one whole message off the front of the buffer; nothing while it is incomplete.
    // A buffer that does not start with a message header is cleared: the stream cannot be
    // resynchronised.
    static std::optional<Message> takeMessage(QByteArray& buffer);

private:
    SwayIpc() = default;
    void readEvents();

    QString m_path;
    QLocalSocket m_requests;
    QLocalSocket m_events;
    QByteArray m_eventBuffer;
    EventHandler m_handler;
};
