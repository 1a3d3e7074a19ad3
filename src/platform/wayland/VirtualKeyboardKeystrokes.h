#pragma once

#include "platform/Keystrokes.h"

#include <memory>

class WaylandConnection;
struct zwp_virtual_keyboard_v1;

// Posts Copy, Select All and Paste through a virtual keyboard of Palimo's own (the
// zwp_virtual_keyboard_v1 protocol of wlroots compositors), with a US keymap uploaded once so
// that the keys mean the same whatever layout the user types with. The compositor keeps each
// keyboard's state apart, so the user's held hotkey modifiers do not mix into the posted keys.
class VirtualKeyboardKeystrokes final : public Keystrokes {
public:
    // Null when the compositor offers no virtual keyboard or the keymap cannot be made.
    static std::unique_ptr<VirtualKeyboardKeystrokes>
    create(std::shared_ptr<WaylandConnection> wayland);
    ~VirtualKeyboardKeystrokes() override;

    bool isAvailable() const override;
    // Wayland shows no client another keyboard's state: nothing to wait for.
    QCoro::Task<bool> modifiersHeld() override;
    QCoro::Task<bool> post(Command command) override;

private:
    VirtualKeyboardKeystrokes(std::shared_ptr<WaylandConnection> wayland,
                              zwp_virtual_keyboard_v1* keyboard);
    std::shared_ptr<WaylandConnection> m_wayland;
    zwp_virtual_keyboard_v1* m_keyboard = nullptr;
    std::uint32_t m_controlMask = 0;
};
