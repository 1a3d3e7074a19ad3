#pragma once

#include <QString>

#include <cstdint>
#include <functional>

// The desktop's system-wide hot-key facility: a key code plus a registration modifier mask,
// tagged with a (signature, id) pair that comes back with every press and release.
// Everything happens on the main thread.
class HotKeyService {
public:
    using Handle = std::uint64_t; // 0 is never a valid handle

    struct HotKeyId {
        std::uint32_t signature = 0;
        std::uint32_t id = 0;
    };

    enum class Status {
        success,
        alreadyTaken,   // another client holds the combination
        unsupportedKey, // the key code has no counterpart on this desktop
        unavailable,    // no hot-key facility in this session
        failed,         // anything else the desktop refused
    };

    struct Registration {
        Status status = Status::failed;
        Handle handle = 0; // non-zero exactly on success
        QString failure;   // why it failed, as a clause: "another application already uses it"
    };

    static constexpr std::uint32_t pressedKind = 5;
    static constexpr std::uint32_t releasedKind = 6;
    // The answer for an event the handler did not take.
    static constexpr std::int32_t eventNotHandled = -9874;

    struct Event {
        std::uint32_t kind = pressedKind; // pressedKind or releasedKind
        HotKeyId hotKeyId;
    };

    // Returns 0 when the event was handled, eventNotHandled otherwise.
    using EventHandler = std::function<std::int32_t(const Event&)>;

    HotKeyService() = default;
    HotKeyService(const HotKeyService&) = delete;
    HotKeyService& operator=(const HotKeyService&) = delete;
    virtual ~HotKeyService() = default;

    // Registers a system-wide combination; on failure nothing stays registered.
    virtual Registration registerHotKey(std::uint32_t carbonKeyCode, std::uint32_t carbonModifiers,
                                        HotKeyId hotKeyId) = 0;
    // Releases a registration; unknown handles and 0 are ignored.
    virtual void unregisterHotKey(Handle handle) = 0;
    // Where presses and releases of every registration go; replaces any earlier handler.
    virtual void setEventHandler(EventHandler handler) = 0;
};
