#pragma once

#include "platform/Keystrokes.h"
#include "platform/x11/SerialWorker.h"

#include <memory>

// Posts Copy, Select All and Paste with the XTest extension over a connection of its own, on a
// worker thread. Before posting it releases the modifier keys still held (the hotkey's, say), so
// the focused window sees exactly Ctrl+key; it never presses them again.
class X11Keystrokes final : public Keystrokes {
public:
    X11Keystrokes();
    ~X11Keystrokes() override;

    // True on an X display whose server has XTest.
    bool isAvailable() const override;
    QCoro::Task<bool> modifiersHeld() override;
    QCoro::Task<bool> post(Command command) override;

private:
    struct Connection;
    std::unique_ptr<Connection> m_connection; // used on the worker only, after construction
    SerialWorker m_worker;                    // declared last: done before the connection goes
};
