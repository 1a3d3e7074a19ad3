#include "hotkey/HotKeysController.h"

#include "hotkey/HotKey.h"

#include <QUuid>

#include <limits>
#include <map>
#include <memory>

namespace {

struct HotKeyBox {
    QUuid identifier;
    std::weak_ptr<HotKey*> hotKey;
    std::uint32_t carbonHotKeyID = 0;
    HotKeyService::Handle carbonEventHotKey = 0; // 0 until the service accepted it
};

struct Registry {
    std::map<std::uint32_t, HotKeyBox> hotKeys;
    std::uint32_t hotKeysCount = 0;
    bool eventHandlerInstalled = false;
    HotKeyService* service = nullptr;
};

Registry& registry() {
    static Registry instance;
    return instance;
}

HotKeyBox* boxFor(const QUuid& identifier) {
    for (auto& [id, box] : registry().hotKeys) {
        if (box.identifier == identifier) {
            return &box;
        }
    }
    return nullptr;
}

void updateEventHandler() {
    Registry& state = registry();
    if (state.hotKeysCount == 0 || state.eventHandlerInstalled || state.service == nullptr) {
        return;
    }
    state.service->setEventHandler(
        [](const HotKeyService::Event& event) { return HotKeysController::handleEvent(event); });
    state.eventHandlerInstalled = true;
}

} // namespace

void HotKeysController::setService(HotKeyService* service) {
    Registry& state = registry();
    if (state.service == service) {
        return;
    }
    state.service = service;
    // A new service has no handler of ours yet.
    state.eventHandlerInstalled = false;
}

HotKeyService* HotKeysController::service() {
    return registry().service;
}

void HotKeysController::registerHotKey(HotKey& hotKey) {
    Registry& state = registry();
    if (boxFor(hotKey.identifier()) != nullptr) {
        return;
    }
    // Wrapping around would hand out ids that older registrations may still deliver.
    if (state.hotKeysCount == std::numeric_limits<std::uint32_t>::max()) {
        hotKey.m_registrationStatus = HotKeyService::Status::failed;
        hotKey.m_registrationFailure = QStringLiteral("no hot-key ids are left in this session");
        return;
    }
    const std::uint32_t id = ++state.hotKeysCount;
    HotKeyBox& box = state.hotKeys[id];
    box.identifier = hotKey.identifier();
    box.hotKey = hotKey.m_liveness;
    box.carbonHotKeyID = id;

    if (state.service == nullptr) {
        hotKey.m_registrationStatus = HotKeyService::Status::unavailable;
        hotKey.m_registrationFailure = QStringLiteral("no hot-key service is available");
        return;
    }
    const HotKeyService::Registration result = state.service->registerHotKey(
        hotKey.keyCombo().carbonKeyCode, hotKey.keyCombo().carbonModifiers,
        {eventHotKeySignature, id});
    hotKey.m_registrationStatus = result.status;
    hotKey.m_registrationFailure = result.failure;
    if (result.status != HotKeyService::Status::success || result.handle == 0) {
        if (result.status == HotKeyService::Status::success) {
            hotKey.m_registrationStatus = HotKeyService::Status::failed;
            hotKey.m_registrationFailure = QStringLiteral("the desktop gave no registration");
        }
        // The box stays without a handle until the hot key is paused or destroyed.
        return;
    }
    // The service may have re-entered the registry; look the box up again.
    if (auto found = state.hotKeys.find(id); found != state.hotKeys.end()) {
        found->second.carbonEventHotKey = result.handle;
    }
    updateEventHandler();
}

void HotKeysController::unregisterHotKey(const HotKey& hotKey) {
    Registry& state = registry();
    HotKeyBox* box = boxFor(hotKey.identifier());
    if (box == nullptr) {
        return;
    }
    const HotKeyService::Handle handle = box->carbonEventHotKey;
    const std::uint32_t id = box->carbonHotKeyID;
    state.hotKeys.erase(id);
    if (state.service != nullptr && handle != 0) {
        state.service->unregisterHotKey(handle);
    }
}

std::int32_t HotKeysController::handleEvent(const HotKeyService::Event& event) {
    Registry& state = registry();
    if (event.hotKeyId.signature != eventHotKeySignature) {
        return HotKeyService::eventNotHandled;
    }
    const auto found = state.hotKeys.find(event.hotKeyId.id);
    if (found == state.hotKeys.end()) {
        return HotKeyService::eventNotHandled;
    }
    const std::shared_ptr<HotKey*> alive = found->second.hotKey.lock();
    if (!alive) {
        state.hotKeys.erase(found);
        return HotKeyService::eventNotHandled;
    }
    const HotKey& hotKey = **alive;
    HotKey::Handler handler;
    switch (event.kind) {
    case HotKeyService::pressedKind:
        if (hotKey.isPaused()) {
            return HotKeyService::eventNotHandled;
        }
        handler = hotKey.keyDownHandler();
        break;
    case HotKeyService::releasedKind:
        if (hotKey.isPaused()) {
            return HotKeyService::eventNotHandled;
        }
        handler = hotKey.keyUpHandler();
        break;
    default:
        return HotKeyService::eventNotHandled;
    }
    if (!handler) {
        return HotKeyService::eventNotHandled;
    }
    // A copy, because the handler may well destroy the hot key it belongs to.
    handler();
    return 0;
}

std::optional<std::uint32_t> HotKeysController::hotKeyId(const HotKey& hotKey) {
    if (const HotKeyBox* box = boxFor(hotKey.identifier())) {
        return box->carbonHotKeyID;
    }
    return std::nullopt;
}

std::size_t HotKeysController::entryCount() {
    return registry().hotKeys.size();
}

std::uint32_t HotKeysController::hotKeysCount() {
    return registry().hotKeysCount;
}
