#pragma once

#include "platform/x11/XcbSupport.h"

#include <QByteArray>
#include <QMap>

#include <xcb/xcb.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

// Another application's clipboard for the tests: owns CLIPBOARD on a connection and thread of
// its own and answers one request at a time, TARGETS after targetsDelay and every format after
// formatDelay, as a busy application does. Formats are labelled with their own name and sent
// whole (keep them under 256 KiB).
class SlowOwner {
public:
    using Formats = QMap<QByteArray, QByteArray>;
    SlowOwner(Formats formats, std::chrono::milliseconds formatDelay,
              std::chrono::milliseconds targetsDelay = std::chrono::milliseconds(0))
        : m_formats(std::move(formats))
        , m_formatDelay(formatDelay)
        , m_targetsDelay(targetsDelay)
        , m_thread([this] { serve(); }) {}
    ~SlowOwner() {
        m_stop = true;
        m_thread.join();
    }
    SlowOwner(const SlowOwner&) = delete;
    SlowOwner& operator=(const SlowOwner&) = delete;

    // Blocks until the clipboard is ours; false when it could not be taken.
    bool own() {
        while (m_owned == 0) {
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        return m_owned == 1;
    }

    // A waitForEvent filter for the selection requests an owner answers.
    static bool isRequest(const void* e) {
        return (static_cast<const xcb_generic_event_t*>(e)->response_type & 0x7f) ==
               XCB_SELECTION_REQUEST;
    }

private:
    void serve() {
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
            const XcbSupport::Event event =
                XcbSupport::waitForEvent(c, isRequest, std::chrono::milliseconds(50));
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

    Formats m_formats;
    std::chrono::milliseconds m_formatDelay;
    std::chrono::milliseconds m_targetsDelay;
    std::atomic<bool> m_stop{false};
    std::atomic<int> m_owned{0}; // 0 not yet, 1 owned, -1 failed
    std::thread m_thread;
};
