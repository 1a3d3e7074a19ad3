#pragma once

#include "platform/HotKeyService.h"

#include <QObject>
#include <QString>

#include <memory>
#include <vector>

// System-wide shortcuts through KDE Plasma's shortcut service (org.kde.kglobalaccel), the one
// way a program gets a key of its own in a Plasma Wayland session. Each registration is an
// action of Palimo's component, named after its key combination (so the desktop's shortcut
// settings show it by that name, and re-registering it after a restart is the same entry); the
// key is set as given rather than the one the service remembers. Presses come as the
// component's D-Bus signal on the main thread. The service answers within milliseconds; its
// calls are bounded, so a hung one costs a refusal, not a frozen Palimo.
class KGlobalAccelHotKeyService final : public QObject, public HotKeyService {
    Q_OBJECT
public:
    // Null when nothing on the session bus provides the service.
    static std::unique_ptr<KGlobalAccelHotKeyService> create();
    ~KGlobalAccelHotKeyService() override;

    Registration registerHotKey(std::uint32_t carbonKeyCode, std::uint32_t carbonModifiers,
                                HotKeyId hotKeyId) override;
    void unregisterHotKey(Handle handle) override;
    void setEventHandler(EventHandler handler) override;

private Q_SLOTS:
    // The signal names are the service's own.
    // NOLINTBEGIN(readability-identifier-naming)
    void globalShortcutPressed(const QString& fromComponent, const QString& action, qlonglong time);
    void globalShortcutReleased(const QString& fromComponent, const QString& action,
                                qlonglong time);
    // NOLINTEND(readability-identifier-naming)

private:
    struct Entry {
        Handle handle = 0;
        QString action;
        HotKeyId hotKeyId;
    };

    KGlobalAccelHotKeyService() = default;
    // Subscribes to the component's signals once it exists; false when the service has no path
    // for it.
    bool listen();
    void deliver(std::uint32_t kind, const QString& component, const QString& action);

    QString m_componentPath;
    std::vector<Entry> m_entries;
    Handle m_nextHandle = 1;
    EventHandler m_handler;
};
