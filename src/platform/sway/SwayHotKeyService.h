#pragma once

#include "platform/HotKeyService.h"
#include "platform/sway/SwayBindings.h"

#include <QSet>
#include <QString>

#include <memory>
#include <vector>

class SwayIpc;

// System-wide shortcuts in a sway session. No Wayland protocol lets a program take a key, but
// sway's IPC socket lets it add bindings at run time: each registration binds its combination
// to a command that does nothing (`nop`), and sway's binding event tells Palimo it ran. A key
// the user's configuration already binds is reported as taken instead of being replaced, and a
// configuration reload (which drops run-time bindings) is followed by binding them again.
//
// A binding outlives a Palimo that dies without unbinding it, and would swallow its key until
// sway reloads; so the bindings made are also kept in a file, and the next start removes any
// it finds there.
class SwayHotKeyService final : public HotKeyService {
public:
    // Null outside sway, or when its socket does not answer.
    static std::unique_ptr<SwayHotKeyService> create();
    ~SwayHotKeyService() override;

    Registration registerHotKey(std::uint32_t carbonKeyCode, std::uint32_t carbonModifiers,
                                HotKeyId hotKeyId) override;
    void unregisterHotKey(Handle handle) override;
    void setEventHandler(EventHandler handler) override;

private:
    struct Entry {
        Handle handle = 0;
        SwayBindings::Combo combo;
        HotKeyId hotKeyId;
    };

    SwayHotKeyService(std::unique_ptr<SwayIpc> ipc, QString socketPath);
    void readConfiguration();
    std::optional<QString> bind(const Entry& entry);
    void onEvent(std::uint32_t type, const QJsonDocument& event);
    void removeLeftovers();
    void recordBindings() const;

    std::unique_ptr<SwayIpc> m_ipc;
    QString m_socketPath;
    QSet<QString> m_configured;
    std::vector<Entry> m_entries;
    Handle m_nextHandle = 1;
    EventHandler m_handler;
};
