#pragma once

#include <cstdint>

// The server time of the user's last hot-key press. Window managers that prevent focus
// stealing grant activation only to requests that name a recent user action, and the press
// that opened a Palimo window is that action. Any thread.
namespace X11UserTime {

void notePress(std::uint32_t serverTime);
// 0 (the protocol's "current time") until a press was seen.
std::uint32_t lastPress();

} // namespace X11UserTime
