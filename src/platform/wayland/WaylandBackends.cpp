#include "platform/wayland/WaylandBackends.h"

#include "platform/wayland/DataControlPasteboard.h"
#include "platform/wayland/FakeInputKeystrokes.h"
#include "platform/wayland/ToplevelWorkspace.h"
#include "platform/wayland/VirtualKeyboardKeystrokes.h"
#include "platform/wayland/WaylandConnection.h"

std::optional<WaylandBackends> WaylandBackends::create() {
    std::shared_ptr<WaylandConnection> connection = WaylandConnection::connect();
    if (!connection) {
        return std::nullopt;
    }
    WaylandBackends made;
    made.connection = connection;
    if ((made.pasteboard = DataControlPasteboard::create(connection))) {
        made.chosen << QStringLiteral("data-control clipboard");
    } else {
        made.missing << QStringLiteral("clipboard access (wlr-data-control)");
    }
    if ((made.keystrokes = VirtualKeyboardKeystrokes::create(connection))) {
        made.chosen << QStringLiteral("virtual-keyboard keystrokes");
    } else if ((made.keystrokes = FakeInputKeystrokes::create(connection))) {
        made.chosen << QStringLiteral("KWin fake-input keystrokes");
    } else {
        made.missing << QStringLiteral(
            "keystrokes (zwp_virtual_keyboard_v1 or org_kde_kwin_fake_input)");
    }
    if ((made.workspace = ToplevelWorkspace::create(connection))) {
        made.chosen << QStringLiteral("foreign-toplevel windows");
    } else {
        made.missing << QStringLiteral("the active window (wlr-foreign-toplevel-management)");
    }
    return made;
}
