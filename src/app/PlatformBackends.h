#pragma once

#include "platform/HotKeyService.h"
#include "platform/Keystrokes.h"
#include "platform/Pasteboard.h"
#include "platform/Workspace.h"

#include <QString>

#include <memory>
#include <optional>

// The desktop backends for this session. On Wayland ($WAYLAND_DISPLAY set) the clipboard,
// keystrokes and active window go through the compositor's own protocols, whatever Qt's
// platform is; Palimo's windows may still be X11 ones through Xwayland, where they can be placed
// by the caret. Elsewhere everything is X11. A part the session cannot provide is null, except
// the pasteboard, keystrokes and workspace, which always exist (keystrokes may report
// isAvailable() false).
struct PlatformBackends {
    std::unique_ptr<HotKeyService> hotKeys; // null: no hot-key facility in this session
    std::unique_ptr<Pasteboard> pasteboard;
    std::unique_ptr<Keystrokes> keystrokes;
    std::unique_ptr<Workspace> workspace;
    QString description; // for the start-up log line

    // Nothing when no backend can reach the display at all (logged).
    static std::optional<PlatformBackends> create();
};
