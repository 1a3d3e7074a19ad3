#pragma once

#include "platform/HotKeyService.h"

#include <algorithm>
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

    Registration registerHotKey(std::uint32_t keyCode, std::uint32_t modifiers,
                                HotKeyId hotKeyId) override {
        ++m_registerCalls;
        if (m_takenElsewhere.count({keyCode, modifiers}) != 0) {
            return {Status::alreadyTaken, 0, QStringLiteral("another application already uses it")};
        }
        if (find(keyCode, modifiers)) { // like the real desktops: once per combination
            return {Status::alreadyTaken, 0, QStringLiteral("Palimo already uses it")};
        }
        m_active.push_back({m_nextHandle, keyCode, modifiers, hotKeyId});
        return {Status::success, m_nextHandle++, {}};
    }
    void unregisterHotKey(Handle handle) override {
        m_unregistered.push_back(handle);
        std::erase_if(m_active,
                      [handle](const Registered& entry) { return entry.handle == handle; });
    }
    void setEventHandler(EventHandler handler) override {
        ++m_handlerInstalls;
        m_handler = std::move(handler);
    }

    // Another application holds this combination: registering it fails with alreadyTaken.
    void takeByAnotherApplication(std::uint32_t keyCode, std::uint32_t modifiers) {
        m_takenElsewhere.insert({keyCode, modifiers});
    }

    const std::vector<Registered>& active() const { return m_active; }
    std::optional<Registered> find(std::uint32_t keyCode, std::uint32_t modifiers) const {
        const auto found = std::find_if(m_active.begin(), m_active.end(), [&](const Registered& r) {
            return r.keyCode == keyCode && r.modifiers == modifiers;
        });
        return found == m_active.end() ? std::nullopt : std::optional(*found);
    }
    const std::vector<Handle>& unregisteredHandles() const { return m_unregistered; }
    int registerCalls() const { return m_registerCalls; }
    int handlerInstalls() const { return m_handlerInstalls; }

    // What the handler answered; eventNotHandled when no handler is installed.
    std::int32_t deliver(const Event& event) {
        return m_handler ? m_handler(event) : eventNotHandled;
    }
    // Presses or releases the combination if it is registered; nothing when it is not.
    std::optional<std::int32_t> press(std::uint32_t keyCode, std::uint32_t modifiers) {
        return send(pressedKind, keyCode, modifiers);
    }
    std::optional<std::int32_t> release(std::uint32_t keyCode, std::uint32_t modifiers) {
        return send(releasedKind, keyCode, modifiers);
    }

private:
    std::optional<std::int32_t> send(std::uint32_t kind, std::uint32_t keyCode,
                                     std::uint32_t modifiers) {
        const std::optional<Registered> entry = find(keyCode, modifiers);
        return entry ? std::optional(deliver({kind, entry->hotKeyId})) : std::nullopt;
    }

    std::vector<Registered> m_active;
    std::vector<Handle> m_unregistered;
    std::set<std::pair<std::uint32_t, std::uint32_t>> m_takenElsewhere;
    EventHandler m_handler;
    Handle m_nextHandle = 1;
    int m_registerCalls = 0;
    int m_handlerInstalls = 0;
};
