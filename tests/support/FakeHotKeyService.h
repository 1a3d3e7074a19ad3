#pragma once

#include "platform/HotKeyService.h"

#include <cstdint>
#include <optional>
#include <set>
#include <utility>
#include <vector>

// A hot-key service that keeps its registrations in memory. Tests press and release them by
// combination, as a user would, or deliver raw events to see how the registry answers.
class FakeHotKeyService : public HotKeyService {
public:
    struct Registered {
        Handle handle = 0;
        std::uint32_t keyCode = 0;
        std::uint32_t modifiers = 0;
        HotKeyId hotKeyId;
    };

    Registration registerHotKey(std::uint32_t carbonKeyCode, std::uint32_t carbonModifiers,
                                HotKeyId hotKeyId) override;
    void unregisterHotKey(Handle handle) override;
    void setEventHandler(EventHandler handler) override;

    // Another application holds this combination: registering it fails with alreadyTaken.
    void takeByAnotherApplication(std::uint32_t keyCode, std::uint32_t modifiers);

    const std::vector<Registered>& active() const { return m_active; }
    std::optional<Registered> find(std::uint32_t keyCode, std::uint32_t modifiers) const;
    const std::vector<Handle>& unregisteredHandles() const { return m_unregistered; }
    int registerCalls() const { return m_registerCalls; }
    int handlerInstalls() const { return m_handlerInstalls; }

    // What the handler answered; eventNotHandled when no handler is installed.
    std::int32_t deliver(const Event& event);
    // Presses the combination if it is registered; nothing when it is not.
    std::optional<std::int32_t> press(std::uint32_t keyCode, std::uint32_t modifiers);
    std::optional<std::int32_t> release(std::uint32_t keyCode, std::uint32_t modifiers);

private:
    std::vector<Registered> m_active;
    std::vector<Handle> m_unregistered;
    std::set<std::pair<std::uint32_t, std::uint32_t>> m_takenElsewhere;
    EventHandler m_handler;
    Handle m_nextHandle = 1;
    int m_registerCalls = 0;
    int m_handlerInstalls = 0;
};
