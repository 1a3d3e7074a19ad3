#include "platform/sway/SwayIpc.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QJsonArray>
#include <QJsonObject>
#include <QStandardPaths>

#include <cstring>

#include <unistd.h>

namespace {

constexpr QByteArrayView magic = "i3-ipc";
constexpr qsizetype headerSize = 6 + 4 + 4;
constexpr int timeoutMs = 1000;
// Far above anything sway sends (a large configuration is tens of kilobytes).
constexpr std::uint32_t largestPayload = 16U << 20U;

bool open(QLocalSocket& socket, const QString& path) {
    socket.connectToServer(path);
    return socket.waitForConnected(timeoutMs);
}

} // namespace

QString SwayIpc::sessionSocket() {
    const QString given = qEnvironmentVariable("SWAYSOCK");
    if (!given.isEmpty()) {
        return given;
    }
    const QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    const QStringList found = QDir(runtime).entryList(
        {QStringLiteral("sway-ipc.%1.*.sock").arg(getuid())}, QDir::System, QDir::Time);
    return found.isEmpty() ? QString() : runtime + QLatin1Char('/') + found.first();
}

std::unique_ptr<SwayIpc> SwayIpc::connect(const QString& socketPath) {
    std::unique_ptr<SwayIpc> ipc(new SwayIpc());
    if (socketPath.isEmpty() || !open(ipc->m_requests, socketPath)) {
        return nullptr;
    }
    ipc->m_path = socketPath;
    return ipc;
}

QByteArray SwayIpc::encode(std::uint32_t type, const QByteArray& payload) {
    QByteArray message(magic.data(), magic.size());
    const auto length = static_cast<std::uint32_t>(payload.size());
    message.append(reinterpret_cast<const char*>(&length), sizeof length);
    message.append(reinterpret_cast<const char*>(&type), sizeof type);
    return message + payload;
}

std::optional<SwayIpc::Message> SwayIpc::takeMessage(QByteArray& buffer) {
    if (!buffer.startsWith(magic.first(std::min(magic.size(), buffer.size())))) {
        buffer.clear();
        return std::nullopt;
    }
    if (buffer.size() < headerSize) {
        return std::nullopt;
    }
    std::uint32_t length = 0;
    Message message;
    std::memcpy(&length, buffer.constData() + magic.size(), sizeof length);
    std::memcpy(&message.type, buffer.constData() + magic.size() + 4, sizeof message.type);
    if (length > largestPayload) {
        buffer.clear();
        return std::nullopt;
    }
    if (buffer.size() < headerSize + qsizetype(length)) {
        return std::nullopt;
    }
    message.payload = buffer.mid(headerSize, length);
    buffer.remove(0, headerSize + length);
    return message;
}

std::optional<QJsonDocument> SwayIpc::request(Request type, const QByteArray& payload) {
    if (m_requests.state() != QLocalSocket::ConnectedState) {
        return std::nullopt;
    }
    m_requests.write(encode(static_cast<std::uint32_t>(type), payload));
    m_requests.waitForBytesWritten(timeoutMs);
    const QDeadlineTimer deadline(timeoutMs);
    QByteArray buffer;
    for (;;) {
        while (std::optional<Message> answer = takeMessage(buffer)) {
            if (answer->type == static_cast<std::uint32_t>(type)) {
                return QJsonDocument::fromJson(answer->payload);
            }
        }
        if (deadline.hasExpired() ||
            !m_requests.waitForReadyRead(static_cast<int>(deadline.remainingTime()))) {
            return std::nullopt;
        }
        buffer += m_requests.readAll();
    }
}

std::optional<QString> SwayIpc::runCommand(const QString& command) {
    const std::optional<QJsonDocument> answer = request(Request::runCommand, command.toUtf8());
    if (!answer) {
        return QStringLiteral("sway did not answer");
    }
    for (const QJsonValue& result : answer->array()) {
        if (!result.toObject().value(QStringLiteral("success")).toBool()) {
            return result.toObject().value(QStringLiteral("error")).toString();
        }
    }
    return std::nullopt;
}

bool SwayIpc::subscribe(const QByteArray& eventNames, EventHandler handler) {
    if (!open(m_events, m_path)) {
        return false;
    }
    QObject::connect(&m_events, &QLocalSocket::readyRead, this, &SwayIpc::readEvents);
    m_handler = std::move(handler);
    m_events.write(encode(static_cast<std::uint32_t>(Request::subscribe), eventNames));
    return m_events.waitForBytesWritten(timeoutMs) || m_events.bytesToWrite() == 0;
}

void SwayIpc::readEvents() {
    m_eventBuffer += m_events.readAll();
    while (std::optional<Message> message = takeMessage(m_eventBuffer)) {
        if ((message->type & eventBit) != 0 && m_handler) {
            m_handler(message->type, QJsonDocument::fromJson(message->payload));
        }
    }
}
