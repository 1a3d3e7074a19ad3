#include "app/SingleInstance.h"

#include "app/ApplicationBusAdaptor.h"
#include "base/Log.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusReply>
#include <QTimer>

namespace {

const QString activationInterface = QStringLiteral("org.freedesktop.Application");
// The running instance answers at once; a longer silence means it hangs.
constexpr int activateTimeoutMs = 5000;

} // namespace

SingleInstance::SingleInstance(QObject* parent)
    : QObject(parent) {
    new ApplicationBusAdaptor(this);
}

SingleInstance::Claim SingleInstance::claim() {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || bus.interface() == nullptr) {
        Log::info(QStringLiteral("No session bus, so other Palimo processes are not looked for."));
        return Claim::noBus;
    }
    if (!bus.registerObject(objectPath, this, QDBusConnection::ExportAdaptors)) {
        Log::error(QStringLiteral("Could not serve %1 on the session bus.").arg(objectPath));
        return Claim::noBus;
    }
    const QDBusReply<QDBusConnectionInterface::RegisterServiceReply> reply =
        bus.interface()->registerService(busName, QDBusConnectionInterface::DontQueueService,
                                         QDBusConnectionInterface::DontAllowReplacement);
    if (!reply.isValid()) {
        Log::error(QStringLiteral("The session bus refused the name %1: %2")
                       .arg(busName, reply.error().message()));
        bus.unregisterObject(objectPath);
        return Claim::noBus;
    }
    if (reply.value() == QDBusConnectionInterface::ServiceRegistered) {
        return Claim::owned;
    }
    bus.unregisterObject(objectPath);
    return Claim::otherRunning;
}

bool SingleInstance::activateRunning() {
    QDBusMessage call = QDBusMessage::createMethodCall(busName, objectPath, activationInterface,
                                                       QStringLiteral("Activate"));
    QVariantMap platformData;
    // Lets the running instance's window pass the desktop's focus-stealing prevention.
    const QString startupId = qEnvironmentVariable("DESKTOP_STARTUP_ID");
    if (!startupId.isEmpty()) {
        platformData.insert(QStringLiteral("desktop-startup-id"), startupId);
    }
    call << platformData;
    const QDBusMessage answer =
        QDBusConnection::sessionBus().call(call, QDBus::Block, activateTimeoutMs);
    if (answer.type() == QDBusMessage::ErrorMessage) {
        Log::error(QStringLiteral("Palimo is already running but did not answer: ") +
                   answer.errorMessage());
        return false;
    }
    Log::info(QStringLiteral("Palimo is already running; opened its settings."));
    return true;
}

std::optional<QString> SingleInstance::requestAction(const QString& name) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        return QStringLiteral("There is no session bus, so the running Palimo can't be reached.");
    }
    QDBusMessage call = QDBusMessage::createMethodCall(busName, objectPath, activationInterface,
                                                       QStringLiteral("ActivateAction"));
    // A D-Bus-activatable entry would otherwise start a Palimo just to take this one press,
    // which it could not use: the selection belongs to the window the user is in now.
    call.setAutoStartService(false);
    QVariantMap platformData;
    const QString startupId = qEnvironmentVariable("DESKTOP_STARTUP_ID");
    if (!startupId.isEmpty()) {
        platformData.insert(QStringLiteral("desktop-startup-id"), startupId);
    }
    call << name << QVariantList() << platformData;
    const QDBusMessage answer = bus.call(call, QDBus::Block, activateTimeoutMs);
    if (answer.type() != QDBusMessage::ErrorMessage) {
        return std::nullopt;
    }
    if (answer.errorName() == QLatin1String("org.freedesktop.DBus.Error.ServiceUnknown") ||
        answer.errorName() == QLatin1String("org.freedesktop.DBus.Error.NameHasNoOwner")) {
        return QStringLiteral("Palimo is not running.");
    }
    return QStringLiteral("Palimo is running but did not take \"%1\": %2")
        .arg(name, answer.errorMessage());
}

void SingleInstance::setOnAction(const QString& name, std::function<void()> callback) {
    m_actions.insert(name, std::move(callback));
}

bool SingleInstance::runAction(const QString& name) {
    const auto found = m_actions.constFind(name);
    if (found == m_actions.constEnd() || !*found) {
        return false;
    }
    QTimer::singleShot(0, this, [action = *found] { action(); });
    return true;
}

void SingleInstance::activated() {
    // After the reply has gone out, so the caller is not kept waiting on the window.
    QTimer::singleShot(0, this, [this] {
        if (m_onActivate) {
            m_onActivate();
        }
    });
}
