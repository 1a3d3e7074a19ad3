#include "platform/kde/KGlobalAccelHotKeyService.h"

#include "base/Log.h"
#include "platform/kde/KdeKeys.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusReply>
#include <QKeySequence>
#include <QList>
#include <QStringList>

#include <algorithm>

namespace {

const QString service = QStringLiteral("org.kde.kglobalaccel");
const QString path = QStringLiteral("/kglobalaccel");
const QString interface = QStringLiteral("org.kde.KGlobalAccel");
const QString componentInterface = QStringLiteral("org.kde.kglobalaccel.Component");
const QString component = QStringLiteral("app.palimo.Palimo");
const QString componentName = QStringLiteral("Palimo");
// setShortcut's flags: apply the keys given (SetPresent) instead of the ones the service has
// stored for the action from an earlier session (NoAutoloading).
constexpr uint setPresent = 2;
constexpr uint noAutoloading = 4;
constexpr int callTimeoutMs = 2000;

QDBusMessage call(const QString& method, const QVariantList& arguments) {
    QDBusMessage message = QDBusMessage::createMethodCall(service, path, interface, method);
    message.setArguments(arguments);
    return QDBusConnection::sessionBus().call(message, QDBus::Block, callTimeoutMs);
}

QStringList actionId(const QString& action) {
    return {component, action, componentName, action};
}

} // namespace

std::unique_ptr<KGlobalAccelHotKeyService> KGlobalAccelHotKeyService::create() {
    const QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || bus.interface() == nullptr ||
        !bus.interface()->isServiceRegistered(service).value()) {
        return nullptr;
    }
    return std::unique_ptr<KGlobalAccelHotKeyService>(new KGlobalAccelHotKeyService());
}

KGlobalAccelHotKeyService::~KGlobalAccelHotKeyService() {
    while (!m_entries.empty()) {
        unregisterHotKey(m_entries.back().handle);
    }
}

HotKeyService::Registration KGlobalAccelHotKeyService::registerHotKey(std::uint32_t carbonKeyCode,
                                                                      std::uint32_t carbonModifiers,
                                                                      HotKeyId hotKeyId) {
    const std::optional<int> keys = KdeKeys::combined(carbonKeyCode, carbonModifiers);
    if (!keys) {
        return {Status::unsupportedKey, 0, QStringLiteral("KDE's shortcuts have no such key")};
    }
    const QString action = QKeySequence(*keys).toString(QKeySequence::PortableText);
    QDBusMessage answer = call(QStringLiteral("doRegister"), {actionId(action)});
    if (answer.type() == QDBusMessage::ErrorMessage) {
        return {
            Status::failed, 0,
            QStringLiteral("KDE's shortcut service refused it (%1)").arg(answer.errorMessage())};
    }
    answer = call(QStringLiteral("setShortcut"),
                  {actionId(action), QVariant::fromValue(QList<int>{*keys}),
                   QVariant::fromValue(setPresent | noAutoloading)});
    const QDBusReply<QList<int>> assigned(answer);
    if (!assigned.isValid()) {
        call(QStringLiteral("unregister"), {component, action});
        return {Status::failed, 0,
                QStringLiteral("KDE's shortcut service refused it (%1)")
                    .arg(assigned.error().message())};
    }
    // The service gives a key that another program holds to nobody else, and says so by
    // assigning none.
    if (!assigned.value().contains(*keys)) {
        call(QStringLiteral("unregister"), {component, action});
        return {Status::alreadyTaken, 0, QStringLiteral("another application already uses it")};
    }
    if (m_componentPath.isEmpty() && !listen()) {
        call(QStringLiteral("unregister"), {component, action});
        return {Status::failed, 0, QStringLiteral("KDE's shortcut service has no Palimo entry")};
    }
    const Handle handle = m_nextHandle++;
    m_entries.push_back({handle, action, hotKeyId});
    return {Status::success, handle, {}};
}

bool KGlobalAccelHotKeyService::listen() {
    const QDBusReply<QDBusObjectPath> found = call(QStringLiteral("getComponent"), {component});
    if (!found.isValid()) {
        Log::error(QStringLiteral("KDE's shortcut service did not give Palimo's entry: ") +
                   found.error().message());
        return false;
    }
    m_componentPath = found.value().path();
    QDBusConnection bus = QDBusConnection::sessionBus();
    bus.connect(service, m_componentPath, componentInterface,
                QStringLiteral("globalShortcutPressed"), this,
                SLOT(globalShortcutPressed(QString, QString, qlonglong)));
    // Older services send no release; the registry needs only the press.
    bus.connect(service, m_componentPath, componentInterface,
                QStringLiteral("globalShortcutReleased"), this,
                SLOT(globalShortcutReleased(QString, QString, qlonglong)));
    return true;
}

void KGlobalAccelHotKeyService::unregisterHotKey(Handle handle) {
    const auto found = std::find_if(m_entries.begin(), m_entries.end(),
                                    [handle](const Entry& e) { return e.handle == handle; });
    if (handle == 0 || found == m_entries.end()) {
        return;
    }
    // Removed, not just made inactive: the key is free for other programs again, and no stale
    // Palimo entry stays in the desktop's shortcut settings.
    call(QStringLiteral("unregister"), {component, found->action});
    m_entries.erase(found);
}

void KGlobalAccelHotKeyService::setEventHandler(EventHandler handler) {
    m_handler = std::move(handler);
}

void KGlobalAccelHotKeyService::globalShortcutPressed(const QString& fromComponent,
                                                      const QString& action, qlonglong /*time*/) {
    deliver(pressedKind, fromComponent, action);
}

void KGlobalAccelHotKeyService::globalShortcutReleased(const QString& fromComponent,
                                                       const QString& action, qlonglong /*time*/) {
    deliver(releasedKind, fromComponent, action);
}

void KGlobalAccelHotKeyService::deliver(std::uint32_t kind, const QString& fromComponent,
                                        const QString& action) {
    if (fromComponent != component || !m_handler) {
        return;
    }
    const auto found = std::find_if(m_entries.begin(), m_entries.end(),
                                    [&action](const Entry& e) { return e.action == action; });
    if (found != m_entries.end()) {
        m_handler(Event{kind, found->hotKeyId});
    }
}
