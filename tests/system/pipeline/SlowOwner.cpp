#include "SlowOwner.h"

#include "platform/x11/XcbSupport.h"

#include <xcb/xcb.h>

#include <vector>

SlowOwner::SlowOwner(Formats formats, std::chrono::milliseconds formatDelay,
                     std::chrono::milliseconds targetsDelay)
    : m_formats(std::move(formats))
    , m_formatDelay(formatDelay)
    , m_targetsDelay(targetsDelay)
    , m_thread([this] { serve(); }) {}

SlowOwner::~SlowOwner() {
    m_stop = true;
    m_thread.join();
}

bool SlowOwner::own() {
    while (m_owned == 0) {
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return m_owned == 1;
}

void SlowOwner::serve() {
    const XcbSupport::Connection connection = XcbSupport::connect();
    xcb_connection_t* c = connection.get();
    if (c == nullptr) {
        m_owned = -1;
        return;
    }
    const xcb_window_t window = XcbSupport::createHelperWindow(c);
    const XcbSupport::Atom clipboard = XcbSupport::intern(c, "CLIPBOARD");
    const XcbSupport::Atom targets = XcbSupport::intern(c, "TARGETS");
    std::vector<XcbSupport::Atom> offered = {targets};
    QMap<XcbSupport::Atom, QByteArray> byAtom;
    for (auto it = m_formats.constBegin(); it != m_formats.constEnd(); ++it) {
        offered.push_back(XcbSupport::intern(c, it.key()));
        byAtom.insert(offered.back(), it.value());
    }
    const std::uint32_t time =
        XcbSupport::serverTime(c, window, XcbSupport::intern(c, "SLOW_OWNER_TIME"));
    xcb_set_selection_owner(c, window, clipboard, time);
    xcb_get_selection_owner_reply_t* reply =
        xcb_get_selection_owner_reply(c, xcb_get_selection_owner(c, clipboard), nullptr);
    m_owned = reply != nullptr && reply->owner == window ? 1 : -1;
    std::free(reply); // NOLINT
    while (!m_stop) {
        const XcbSupport::Event event = XcbSupport::waitForEvent(
            c,
            [](const void* e) {
                return (static_cast<const xcb_generic_event_t*>(e)->response_type & 0x7f) ==
                       XCB_SELECTION_REQUEST;
            },
            std::chrono::milliseconds(50));
        if (!event) {
            continue;
        }
        const auto& request = *static_cast<const xcb_selection_request_event_t*>(event.get());
        XcbSupport::Atom answer = request.property;
        std::this_thread::sleep_for(request.target == targets ? m_targetsDelay : m_formatDelay);
        if (request.target == targets) {
            xcb_change_property(c, XCB_PROP_MODE_REPLACE, request.requestor, request.property,
                                XCB_ATOM_ATOM, 32, static_cast<std::uint32_t>(offered.size()),
                                offered.data());
        } else if (byAtom.contains(request.target)) {
            const QByteArray& data = byAtom[request.target];
            xcb_change_property(c, XCB_PROP_MODE_REPLACE, request.requestor, request.property,
                                request.target, 8, static_cast<std::uint32_t>(data.size()),
                                data.constData());
        } else {
            answer = XCB_NONE;
        }
        XcbSupport::notifySelection(c, &request, answer);
    }
}
