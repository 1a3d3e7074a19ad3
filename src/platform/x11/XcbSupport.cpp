#include "platform/x11/XcbSupport.h"

#include <QDeadlineTimer>

#include <xcb/xcb.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <poll.h>

namespace XcbSupport {

void ConnectionDeleter::operator()(xcb_connection_t* connection) const {
    xcb_disconnect(connection);
}

void EventDeleter::operator()(void* event) const {
    std::free(event); // NOLINT: xcb allocates events with malloc
}

Connection connect() {
    Connection connection(xcb_connect(nullptr, nullptr));
    if (xcb_connection_has_error(connection.get()) != 0) {
        return nullptr;
    }
    return connection;
}

Window rootWindow(xcb_connection_t* connection) {
    return xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
}

Window createHelperWindow(xcb_connection_t* connection) {
    const Window window = xcb_generate_id(connection);
    const std::uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE;
    xcb_create_window(connection, XCB_COPY_FROM_PARENT, window, rootWindow(connection), -1, -1, 1,
                      1, 0, XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, XCB_CW_EVENT_MASK,
                      &mask);
    xcb_flush(connection);
    return window;
}

Atom intern(xcb_connection_t* connection, const QByteArray& name) {
    return intern(connection, std::vector<QByteArray>{name}).front();
}

std::vector<Atom> intern(xcb_connection_t* connection, const std::vector<QByteArray>& names) {
    std::vector<xcb_intern_atom_cookie_t> cookies;
    cookies.reserve(names.size());
    // All requests first, then all replies: one round trip for the lot.
    std::transform(names.begin(), names.end(), std::back_inserter(cookies),
                   [connection](const QByteArray& name) {
                       return xcb_intern_atom(connection, 0,
                                              static_cast<std::uint16_t>(name.size()),
                                              name.constData());
                   });
    std::vector<Atom> atoms;
    atoms.reserve(names.size());
    for (const xcb_intern_atom_cookie_t& cookie : cookies) {
        xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(connection, cookie, nullptr);
        atoms.push_back(reply != nullptr ? reply->atom : Atom{XCB_ATOM_NONE});
        std::free(reply); // NOLINT
    }
    return atoms;
}

QByteArray atomName(xcb_connection_t* connection, Atom atom) {
    return atomNames(connection, {atom}).front();
}

std::vector<QByteArray> atomNames(xcb_connection_t* connection, const std::vector<Atom>& atoms) {
    std::vector<xcb_get_atom_name_cookie_t> cookies;
    cookies.reserve(atoms.size());
    std::transform(atoms.begin(), atoms.end(), std::back_inserter(cookies),
                   [connection](Atom atom) { return xcb_get_atom_name(connection, atom); });
    std::vector<QByteArray> names;
    names.reserve(atoms.size());
    for (const xcb_get_atom_name_cookie_t& cookie : cookies) {
        xcb_get_atom_name_reply_t* reply = xcb_get_atom_name_reply(connection, cookie, nullptr);
        if (reply == nullptr) {
            names.emplace_back();
            continue;
        }
        names.emplace_back(xcb_get_atom_name_name(reply), xcb_get_atom_name_name_length(reply));
        std::free(reply); // NOLINT
    }
    return names;
}

Event waitForEvent(xcb_connection_t* connection, const EventFilter& matches,
                   std::chrono::milliseconds timeout, std::vector<Event>* others) {
    const QDeadlineTimer deadline(timeout);
    for (;;) {
        while (xcb_generic_event_t* raw = xcb_poll_for_event(connection)) {
            Event event(raw);
            if (matches(event.get())) {
                return event;
            }
            if (others != nullptr) {
                others->push_back(std::move(event));
            }
        }
        if (xcb_connection_has_error(connection) != 0) {
            return nullptr;
        }
        const qint64 left = deadline.remainingTime();
        if (left <= 0) {
            return nullptr;
        }
        pollfd fd{xcb_get_file_descriptor(connection), POLLIN, 0};
        if (::poll(&fd, 1, static_cast<int>(left)) < 0 && errno != EINTR) {
            return nullptr;
        }
    }
}

std::optional<Property> readProperty(xcb_connection_t* connection, Window window, Atom property,
                                     bool remove, qint64 maxBytes) {
    const auto longLength = static_cast<std::uint32_t>((maxBytes + 3) / 4);
    xcb_get_property_reply_t* reply =
        xcb_get_property_reply(connection,
                               xcb_get_property(connection, remove ? 1 : 0, window, property,
                                                XCB_GET_PROPERTY_TYPE_ANY, 0, longLength),
                               nullptr);
    if (reply == nullptr) {
        return std::nullopt;
    }
    Property result;
    result.type = reply->type;
    result.format = reply->format;
    const int length = xcb_get_property_value_length(reply);
    result.bytes = QByteArray(static_cast<const char*>(xcb_get_property_value(reply)), length);
    result.truncated = reply->bytes_after > 0;
    std::free(reply); // NOLINT
    if (result.truncated && remove) {
        // A partial read does not delete; do it now so an owner is not left waiting on us.
        xcb_delete_property(connection, window, property);
        xcb_flush(connection);
    }
    return result;
}

void notifySelection(xcb_connection_t* connection, const void* request, Atom property) {
    const auto& asked = *static_cast<const xcb_selection_request_event_t*>(request);
    xcb_selection_notify_event_t notify{};
    notify.response_type = XCB_SELECTION_NOTIFY;
    notify.time = asked.time;
    notify.requestor = asked.requestor;
    notify.selection = asked.selection;
    notify.target = asked.target;
    notify.property = property;
    // send_event always sends 32 bytes; the notify event is shorter.
    std::array<char, 32> wire{};
    std::memcpy(wire.data(), &notify, sizeof notify);
    xcb_send_event(connection, 0, asked.requestor, XCB_EVENT_MASK_NO_EVENT, wire.data());
    xcb_flush(connection);
}

std::uint32_t serverTime(xcb_connection_t* connection, Window window, Atom scratchProperty,
                         std::vector<Event>* others) {
    xcb_change_property(connection, XCB_PROP_MODE_APPEND, window, scratchProperty, XCB_ATOM_STRING,
                        8, 0, nullptr);
    xcb_flush(connection);
    const Event event = waitForEvent(
        connection,
        [&](const void* e) {
            if ((static_cast<const xcb_generic_event_t*>(e)->response_type & 0x7f) !=
                XCB_PROPERTY_NOTIFY) {
                return false;
            }
            const auto* notify = static_cast<const xcb_property_notify_event_t*>(e);
            return notify->window == window && notify->atom == scratchProperty;
        },
        std::chrono::milliseconds(1000), others);
    if (!event) {
        return 0;
    }
    return static_cast<const xcb_property_notify_event_t*>(event.get())->time;
}

} // namespace XcbSupport
