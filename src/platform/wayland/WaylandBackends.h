#pragma once

#include "platform/Keystrokes.h"
#include "platform/Pasteboard.h"
#include "platform/Workspace.h"

#include <QStringList>

#include <memory>

class WaylandConnection;

// The Wayland backends the compositor's protocols allow, chosen by what it offers rather than
// by its name: the clipboard through data-control; keystrokes through a virtual keyboard
// (wlroots) or else KWin's fake-input; the active window through foreign-toplevel. Each part is
// null when nothing offers it, and `missing` says which in words for the log.
struct WaylandBackends {
    std::shared_ptr<WaylandConnection> connection;
    std::unique_ptr<Pasteboard> pasteboard;
    std::unique_ptr<Keystrokes> keystrokes;
    std::unique_ptr<Workspace> workspace;
    QStringList chosen;  // "data-control clipboard", ...
    QStringList missing; // "a clipboard protocol (wlr-data-control)", ...

    // Nothing at all when no compositor answers at $WAYLAND_DISPLAY.
    static std::optional<WaylandBackends> create();
};
