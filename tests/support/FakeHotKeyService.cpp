#include "support/FakeHotKeyService.h"

#include <algorithm>

HotKeyService::Registration FakeHotKeyService::registerHotKey(std::uint32_t carbonKeyCode,
                                                              std::uint32_t carbonModifiers,
                                                              HotKeyId hotKeyId) {
    ++m_registerCalls;
    if (m_takenElsewhere.count({carbonKeyCode, carbonModifiers}) != 0) {
        return {Status::alreadyTaken, 0, QStringLiteral("another application already uses it")};
    }
    // Like the real desktops: one registration per combination per process.
    if (find(carbonKeyCode, carbonModifiers)) {
        return {Status::alreadyTaken, 0, QStringLiteral("Palimo already uses it")};
    }
    const Handle handle = m_nextHandle++;
    m_active.push_back({handle, carbonKeyCode, carbonModifiers, hotKeyId});
    return {Status::success, handle, {}};
}

void FakeHotKeyService::unregisterHotKey(Handle handle) {
    m_unregistered.push_back(handle);
    std::erase_if(m_active, [handle](const Registered& entry) { return entry.handle == handle; });
}

void FakeHotKeyService::setEventHandler(EventHandler handler) {
    ++m_handlerInstalls;
    m_handler = std::move(handler);
}

void FakeHotKeyService::takeByAnotherApplication(std::uint32_t keyCode, std::uint32_t modifiers) {
    m_takenElsewhere.insert({keyCode, modifiers});
}

std::optional<FakeHotKeyService::Registered>
FakeHotKeyService::find(std::uint32_t keyCode, std::uint32_t modifiers) const {
    const auto found = std::find_if(m_active.begin(), m_active.end(), [&](const Registered& r) {
        return r.keyCode == keyCode && r.modifiers == modifiers;
    });
    if (found == m_active.end()) {
        return std::nullopt;
    }
    return *found;
}

std::int32_t FakeHotKeyService::deliver(const Event& event) {
    if (!m_handler) {
        return eventNotHandled;
    }
    return m_handler(event);
}

std::optional<std::int32_t> FakeHotKeyService::press(std::uint32_t keyCode,
                                                     std::uint32_t modifiers) {
    const std::optional<Registered> entry = find(keyCode, modifiers);
    if (!entry) {
        return std::nullopt;
    }
    return deliver({pressedKind, entry->hotKeyId});
}

std::optional<std::int32_t> FakeHotKeyService::release(std::uint32_t keyCode,
                                                       std::uint32_t modifiers) {
    const std::optional<Registered> entry = find(keyCode, modifiers);
    if (!entry) {
        return std::nullopt;
    }
    return deliver({releasedKind, entry->hotKeyId});
}
