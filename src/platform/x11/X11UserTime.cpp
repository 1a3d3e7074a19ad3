#include "platform/x11/X11UserTime.h"

#include <atomic>

namespace {

std::atomic<std::uint32_t> lastPressTime{0};

} // namespace

namespace X11UserTime {

void notePress(std::uint32_t serverTime) {
    lastPressTime.store(serverTime, std::memory_order_relaxed);
}

std::uint32_t lastPress() {
    return lastPressTime.load(std::memory_order_relaxed);
}

} // namespace X11UserTime
