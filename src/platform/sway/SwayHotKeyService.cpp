#include "platform/sway/SwayHotKeyService.h"

#include "base/Log.h"
#include "platform/sway/SwayBindings.h"
#include "platform/sway/SwayIpc.h"

#include <QFile>
#include <QJsonObject>
#include <QSaveFile>
#include <QStandardPaths>

#include <algorithm>

namespace {

const QString commandPrefix = QStringLiteral("nop palimo-hotkey-");
// Held keys do not repeat the press, as on X11.
const QString flags = QStringLiteral("--no-repeat ");

QString recordPath() {
    const QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    return runtime.isEmpty() ? QString() : runtime + QStringLiteral("/palimo-sway-bindings");
}

} // namespace

std::unique_ptr<SwayHotKeyService> SwayHotKeyService::create() {
    const QString path = SwayIpc::sessionSocket();
    std::unique_ptr<SwayIpc> ipc = SwayIpc::connect(path);
    if (!ipc) {
        return nullptr;
    }
    std::unique_ptr<SwayHotKeyService> service(new SwayHotKeyService(std::move(ipc), path));
    service->readConfiguration();
    service->removeLeftovers();
    const bool subscribed = service->m_ipc->subscribe(
        R"(["binding","workspace"])",
        [raw = service.get()](std::uint32_t type, const QJsonDocument& event) {
            raw->onEvent(type, event);
        });
    return subscribed ? std::move(service) : nullptr;
}

SwayHotKeyService::SwayHotKeyService(std::unique_ptr<SwayIpc> ipc, QString socketPath)
    : m_ipc(std::move(ipc))
    , m_socketPath(std::move(socketPath)) {}

SwayHotKeyService::~SwayHotKeyService() {
    while (!m_entries.empty()) {
        unregisterHotKey(m_entries.back().handle);
    }
}

void SwayHotKeyService::readConfiguration() {
    const std::optional<QJsonDocument> answer = m_ipc->request(SwayIpc::Request::getConfig);
    const QString configDirectory =
        QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
        QStringLiteral("/sway");
    m_configured = SwayBindings::configuredBindings(SwayBindings::withIncludes(
        answer ? answer->object().value(QStringLiteral("config")).toString() : QString(),
        configDirectory));
}

HotKeyService::Registration SwayHotKeyService::registerHotKey(std::uint32_t carbonKeyCode,
                                                              std::uint32_t carbonModifiers,
                                                              HotKeyId hotKeyId) {
    const std::optional<SwayBindings::Combo> combo =
        SwayBindings::combo(carbonKeyCode, carbonModifiers);
    if (!combo) {
        return {Status::unsupportedKey, 0, QStringLiteral("sway has no name for that key")};
    }
    const bool ours = std::any_of(m_entries.begin(), m_entries.end(), [&combo](const Entry& e) {
        return e.combo.symbols == combo->symbols;
    });
    if (ours || SwayBindings::isBound(m_configured, *combo)) {
        return {Status::alreadyTaken, 0, QStringLiteral("sway's configuration already binds it")};
    }
    const Entry entry{m_nextHandle++, *combo, hotKeyId};
    if (const std::optional<QString> error = bind(entry)) {
        return {Status::failed, 0, QStringLiteral("sway refused it (%1)").arg(*error)};
    }
    m_entries.push_back(entry);
    recordBindings();
    return {Status::success, entry.handle, {}};
}

std::optional<QString> SwayHotKeyService::bind(const Entry& entry) {
    return m_ipc->runCommand(QStringLiteral("bindsym %1%2 %3%4")
                                 .arg(flags, entry.combo.symbols, commandPrefix)
                                 .arg(entry.handle));
}

void SwayHotKeyService::unregisterHotKey(Handle handle) {
    const auto found = std::find_if(m_entries.begin(), m_entries.end(),
                                    [handle](const Entry& e) { return e.handle == handle; });
    if (handle == 0 || found == m_entries.end()) {
        return;
    }
    m_ipc->runCommand(QStringLiteral("unbindsym %1%2").arg(flags, found->combo.symbols));
    m_entries.erase(found);
    recordBindings();
}

void SwayHotKeyService::setEventHandler(EventHandler handler) {
    m_handler = std::move(handler);
}

void SwayHotKeyService::onEvent(std::uint32_t type, const QJsonDocument& event) {
    const QJsonObject object = event.object();
    if (type == SwayIpc::workspaceEvent) {
        // A reload puts the configuration's bindings back in place of every run-time one.
        if (object.value(QStringLiteral("change")).toString() == QLatin1String("reload")) {
            readConfiguration();
            for (const Entry& entry : m_entries) {
                if (SwayBindings::isBound(m_configured, entry.combo)) {
                    Log::error(QStringLiteral("sway's configuration now binds %1 itself; Palimo "
                                              "leaves it to that binding.")
                                   .arg(entry.combo.symbols));
                } else if (const std::optional<QString> error = bind(entry)) {
                    Log::error(QStringLiteral("sway dropped the shortcut %1 on reload and did "
                                              "not take it again: %2")
                                   .arg(entry.combo.symbols, *error));
                }
            }
        }
        return;
    }
    const QString command = object.value(QStringLiteral("binding"))
                                .toObject()
                                .value(QStringLiteral("command"))
                                .toString();
    if (type != SwayIpc::bindingEvent || !command.startsWith(commandPrefix) || !m_handler) {
        return;
    }
    const Handle handle = command.mid(commandPrefix.size()).toULongLong();
    const auto found = std::find_if(m_entries.begin(), m_entries.end(),
                                    [handle](const Entry& e) { return e.handle == handle; });
    if (found != m_entries.end()) {
        m_handler(Event{pressedKind, found->hotKeyId});
    }
}

void SwayHotKeyService::removeLeftovers() {
    QFile record(recordPath());
    if (!record.open(QIODevice::ReadOnly)) {
        return;
    }
    const QStringList lines = QString::fromUtf8(record.readAll()).split(QLatin1Char('\n'));
    // Only bindings made in this same sway session: another session never had them.
    if (lines.value(0) == m_socketPath) {
        for (const QString& keys : lines.mid(1)) {
            if (!keys.isEmpty()) {
                m_ipc->runCommand(QStringLiteral("unbindsym %1%2").arg(flags, keys));
            }
        }
    }
    record.remove();
}

void SwayHotKeyService::recordBindings() const {
    const QString path = recordPath();
    if (path.isEmpty()) {
        return;
    }
    if (m_entries.empty()) {
        QFile::remove(path);
        return;
    }
    QStringList lines{m_socketPath};
    for (const Entry& entry : m_entries) {
        lines.append(entry.combo.symbols);
    }
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly)) {
        file.write(lines.join(QLatin1Char('\n')).toUtf8());
        file.commit();
    }
}
