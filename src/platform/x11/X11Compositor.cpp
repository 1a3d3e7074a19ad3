#include "platform/x11/X11Compositor.h"

#include "platform/x11/XcbSupport.h"

#include <QGuiApplication>

#include <xcb/xcb.h>

#include <cstdlib>

namespace X11Compositor {

bool isRunning() {
    const auto* x11 = qGuiApp != nullptr
                          ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>()
                          : nullptr;
    xcb_connection_t* connection = x11 != nullptr ? x11->connection() : nullptr;
    if (connection == nullptr || xcb_connection_has_error(connection) != 0) {
        return false;
    }
    const XcbSupport::Atom selection = XcbSupport::intern(connection, "_NET_WM_CM_S0");
    xcb_get_selection_owner_reply_t* reply = xcb_get_selection_owner_reply(
        connection, xcb_get_selection_owner(connection, selection), nullptr);
    const bool owned = reply != nullptr && reply->owner != XCB_NONE;
    std::free(reply); // NOLINT
    return owned;
}

} // namespace X11Compositor
