#include "platform/x11/X11Workspace.h"

#include "platform/x11/X11UserTime.h"
#include "platform/x11/XcbSupport.h"

#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>

namespace {

constexpr qint64 propertyLimit = 4096;

} // namespace

struct X11Workspace::Connection {
    XcbSupport::Connection xcb;
    xcb_window_t root = 0;
    xcb_atom_t netActiveWindow = 0, netWmPid = 0, netSupportingWmCheck = 0;

    xcb_connection_t* c() const { return xcb.get(); }

    std::optional<XcbSupport::Property> property(xcb_window_t window, xcb_atom_t atom) const {
        return XcbSupport::readProperty(c(), window, atom, false, propertyLimit);
    }

    std::uint32_t firstCard32(xcb_window_t window, xcb_atom_t atom) const {
        const std::optional<XcbSupport::Property> value = property(window, atom);
        if (!value || value->format != 32 || value->bytes.size() < 4) {
            return 0;
        }
        std::uint32_t result = 0;
        std::memcpy(&result, value->bytes.constData(), sizeof result);
        return result;
    }

    bool hasWindowManager() const { return firstCard32(root, netSupportingWmCheck) != 0; }

    xcb_window_t parentOf(xcb_window_t window) const {
        xcb_query_tree_reply_t* reply =
            xcb_query_tree_reply(c(), xcb_query_tree(c(), window), nullptr);
        const xcb_window_t parent = reply != nullptr ? reply->parent : xcb_window_t{XCB_NONE};
        std::free(reply); // NOLINT
        return parent;
    }

    // The client's top-level: the first window, from the focus upwards, that names its class.
    xcb_window_t clientWindowOf(xcb_window_t window) const {
        for (xcb_window_t w = window; w != XCB_NONE && w != root; w = parentOf(w)) {
            const std::optional<XcbSupport::Property> wmClass = property(w, XCB_ATOM_WM_CLASS);
            if (wmClass && !wmClass->bytes.isEmpty()) {
                return w;
            }
        }
        return XCB_NONE;
    }

    bool exists(xcb_window_t window) const {
        xcb_get_window_attributes_reply_t* reply =
            xcb_get_window_attributes_reply(c(), xcb_get_window_attributes(c(), window), nullptr);
        std::free(reply); // NOLINT
        return reply != nullptr;
    }
};

X11Workspace::X11Workspace()
    : m_connection(std::make_unique<Connection>()) {
    m_connection->xcb = XcbSupport::connect();
    if (!m_connection->xcb) {
        return;
    }
    m_connection->root = XcbSupport::rootWindow(m_connection->c());
    const std::vector<XcbSupport::Atom> atoms = XcbSupport::intern(
        m_connection->c(), {"_NET_ACTIVE_WINDOW", "_NET_WM_PID", "_NET_SUPPORTING_WM_CHECK"});
    m_connection->netActiveWindow = atoms[0];
    m_connection->netWmPid = atoms[1];
    m_connection->netSupportingWmCheck = atoms[2];
}

X11Workspace::~X11Workspace() = default;

QCoro::Task<std::optional<Workspace::ActiveWindow>> X11Workspace::activeWindow() {
    if (!m_connection->xcb) {
        co_return std::nullopt;
    }
    const auto job = [this]() -> std::optional<ActiveWindow> {
        const Connection& x = *m_connection;
        xcb_get_input_focus_reply_t* focusReply =
            xcb_get_input_focus_reply(x.c(), xcb_get_input_focus(x.c()), nullptr);
        xcb_window_t focus = focusReply != nullptr ? focusReply->focus : xcb_window_t{XCB_NONE};
        std::free(focusReply); // NOLINT
        if (focus == XCB_INPUT_FOCUS_POINTER_ROOT) {
            focus = XCB_NONE;
        }

        xcb_window_t top = x.hasWindowManager() ? x.firstCard32(x.root, x.netActiveWindow) : 0;
        if (top == XCB_NONE && focus != XCB_NONE) {
            top = x.clientWindowOf(focus);
        }
        if (top == XCB_NONE) {
            return std::nullopt;
        }
        ActiveWindow window;
        window.window = top;
        window.focusWindow = focus != XCB_NONE ? focus : top;
        if (const std::optional<XcbSupport::Property> wmClass =
                x.property(top, XCB_ATOM_WM_CLASS)) {
            // Two NUL-terminated strings: instance, then class.
            const QList<QByteArray> parts = wmClass->bytes.split('\0');
            window.instanceName = QString::fromLocal8Bit(parts.value(0));
            window.className = QString::fromLocal8Bit(parts.value(1));
        }
        window.pid = x.firstCard32(top, x.netWmPid);
        return window;
    };
    // A named job and future: GCC 12 destroys class-type temporaries inside a co_await
    // expression twice (GCC PR 100611).
    auto result = m_worker.start(job);
    co_return co_await result;
}

QCoro::Task<bool> X11Workspace::activate(ActiveWindow window) {
    if (!m_connection->xcb) {
        co_return false;
    }
    const auto job = [this, window] {
        const Connection& x = *m_connection;
        const auto top = static_cast<xcb_window_t>(window.window);
        if (!x.exists(top)) {
            return false;
        }
        if (x.hasWindowManager()) {
            // EWMH: source indication 2 (a pager-like tool acting for the user), with the time
            // of the hot-key press that started it all, is honoured by window managers that
            // refuse focus stealing from ordinary applications.
            xcb_client_message_event_t message{};
            message.response_type = XCB_CLIENT_MESSAGE;
            message.format = 32;
            message.window = top;
            message.type = x.netActiveWindow;
            message.data.data32[0] = 2;
            message.data.data32[1] = X11UserTime::lastPress();
            xcb_send_event(x.c(), 0, x.root,
                           XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT |
                               XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                           reinterpret_cast<const char*>(&message));
        } else {
            const auto focus = static_cast<xcb_window_t>(window.focusWindow);
            xcb_set_input_focus(x.c(), XCB_INPUT_FOCUS_PARENT, x.exists(focus) ? focus : top,
                                XCB_CURRENT_TIME);
        }
        std::free(xcb_get_input_focus_reply(x.c(), xcb_get_input_focus(x.c()), nullptr)); // NOLINT
        return xcb_connection_has_error(x.c()) == 0;
    };
    // A named job and future: GCC 12 destroys class-type temporaries inside a co_await
    // expression twice (GCC PR 100611).
    auto result = m_worker.start(job);
    co_return co_await result;
}
