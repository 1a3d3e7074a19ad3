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
        ++registerCalls;
        if (takenElsewhere.count({keyCode, modifiers}) != 0) {
            return {Status::alreadyTaken, 0, QStringLiteral("another application already uses it")};
        }
        if (find(keyCode, modifiers)) { // like the real desktops: once per combination
            return {Status::alreadyTaken, 0, QStringLiteral("Palimo already uses it")};
        }
        active.push_back({m_nextHandle, keyCode, modifiers, hotKeyId});
        return {Status::success, m_nextHandle++, {}};
    }
    void unregisterHotKey(Handle handle) override {
        unregistered.push_back(handle);
        std::erase_if(active, [handle](const Registered& entry) { return entry.handle == handle; });
    }
    void setEventHandler(EventHandler handler) override { m_handler = std::move(handler); }

    std::optional<Registered> find(std::uint32_t keyCode, std::uint32_t modifiers) const {
        const auto found = std::find_if(active.begin(), active.end(), [&](const Registered& r) {
            return r.keyCode == keyCode && r.modifiers == modifiers;
        });
        return found == active.end() ? std::nullopt : std::optional(*found);
    }
    // What the handler answered; eventNotHandled when no handler is installed.
    std::int32_t deliver(const Event& event) {
        return m_handler ? m_handler(event) : eventNotHandled;
    }
    // Presses or releases the combination if it is registered; nothing when it is not.
    std::optional<std::int32_t> press(std::uint32_t keyCode, std::uint32_t modifiers,
                                      std::uint32_t kind = pressedKind) {
        const std::optional<Registered> entry = find(keyCode, modifiers);
        return entry ? std::optional(deliver({kind, entry->hotKeyId})) : std::nullopt;
    }
    std::optional<std::int32_t> release(std::uint32_t keyCode, std::uint32_t modifiers) {
        return press(keyCode, modifiers, releasedKind);
    }

    std::vector<Registered> active;
    std::vector<Handle> unregistered;
    // Combinations another application holds: registering them fails with alreadyTaken.
    std::set<std::pair<std::uint32_t, std::uint32_t>> takenElsewhere;
    int registerCalls = 0;

private:
    EventHandler m_handler;
    Handle m_nextHandle = 1;
};
