#pragma once

#include <functional>

// Counts the open windows that need Palimo to behave as a regular application (present in the
// task bar, able to take focus); with none open it is a tray-only accessory. Main thread only.
namespace ActivationPolicy {

enum class Policy { accessory, regular };

// A window that was not visible is shown: +1; the first holder switches to regular.
void acquire();
// A holder's window closed: -1, never below 0; the last one switches back to accessory.
void release();

int holders();
Policy current();

// Called on every switch; the composition root applies the policy to the windows.
void setOnChange(std::function<void(Policy)> onChange);

// Back to zero holders and accessory, without notifying; for tests.
void reset();

} // namespace ActivationPolicy
