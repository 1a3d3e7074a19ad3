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

void SingleInstance::activated() {
    // After the reply has gone out, so the caller is not kept waiting on the window.
    QTimer::singleShot(0, this, [this] {
        if (m_onActivate) {
            m_onActivate();
        }
    });
}
