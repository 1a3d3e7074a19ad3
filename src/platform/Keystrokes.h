#pragma once

#include <qcoro/qcorotask.h>

// Posting the editing shortcuts into whatever window has the keyboard focus.
class Keystrokes {
public:
    enum class Command { copy, selectAll, paste };

    Keystrokes() = default;
    Keystrokes(const Keystrokes&) = delete;
    Keystrokes& operator=(const Keystrokes&) = delete;
    virtual ~Keystrokes() = default;

    // Whether keystrokes can be posted in this session at all ("trusted").
    virtual bool isAvailable() const = 0;

    // Whether the user is holding a modifier key (Ctrl, Alt, Shift, Super, ...) down right now.
    virtual QCoro::Task<bool> modifiersHeld() = 0;

    // Releases the modifier keys still held down (the user's hotkey), then posts the command's
    // key press and release with exactly its modifiers. Modifiers released here are never
    // pressed again. False when nothing could be posted.
    virtual QCoro::Task<bool> post(Command command) = 0;
};
