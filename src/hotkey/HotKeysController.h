#pragma once

#include "platform/HotKeyService.h"

#include <cstddef>
#include <cstdint>
#include <optional>

class HotKey;

// The process-wide registry between HotKey objects and the desktop's hot-key service.
// Static state only; main thread only. Ids come from a counter that is never rewound, so an
// event that still carries an old id can never reach a newer hot key.
class HotKeysController {
public:
    HotKeysController() = delete;

    // "SSHk" folded big-endian into 32 bits; events with another signature are not ours.
    static constexpr std::uint32_t eventHotKeySignature =
        (std::uint32_t{'S'} << 24) | (std::uint32_t{'S'} << 16) | (std::uint32_t{'H'} << 8) |
        std::uint32_t{'k'};

    // Set once by the composition root (and by tests). Without a service every registration
    // fails with Status::unavailable.
    static void setService(HotKeyService* service);
    static HotKeyService* service();

    // Does nothing when the hot key is already in the registry.
    static void registerHotKey(HotKey& hotKey);
    // Does nothing when the hot key is not in the registry.
    static void unregisterHotKey(const HotKey& hotKey);

    // Routes a press or release to the hot key's handler: 0 when a handler ran,
    // HotKeyService::eventNotHandled otherwise.
    static std::int32_t handleEvent(const HotKeyService::Event& event);

    // The id the hot key is registered under, if it is in the registry.
    static std::optional<std::uint32_t> hotKeyId(const HotKey& hotKey);
    static std::size_t entryCount();
    static std::uint32_t hotKeysCount();
};
