#pragma once

#include "platform/Workspace.h"
#include "platform/x11/SerialWorker.h"

#include <memory>

// The active window from the window manager's _NET_ACTIVE_WINDOW, or, where no window manager
// sets it, from the keyboard focus and its top-level window. Activation asks the window manager
// when there is one and moves the keyboard focus directly when there is none. X round trips run
// on a worker thread over a connection of their own.
class X11Workspace final : public Workspace {
public:
    X11Workspace();
    ~X11Workspace() override;

    QCoro::Task<std::optional<ActiveWindow>> activeWindow() override;
    QCoro::Task<bool> activate(ActiveWindow window) override;

private:
    struct Connection;
    std::unique_ptr<Connection> m_connection; // used on the worker only, after construction
    SerialWorker m_worker;
};
