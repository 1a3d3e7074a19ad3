#pragma once

#include <QByteArray>
#include <QString>

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

struct xcb_connection_t;

// Small pieces shared by the X11 backends that keep a connection of their own (so that their
// waits never touch Qt's connection or the main thread). No xcb header leaks out of here.
namespace XcbSupport {

using Atom = std::uint32_t;
using Window = std::uint32_t;

struct ConnectionDeleter {
    void operator()(xcb_connection_t* connection) const;
};
using Connection = std::unique_ptr<xcb_connection_t, ConnectionDeleter>;

// An xcb_generic_event_t (whose type cannot be declared without xcb's header).
struct EventDeleter {
    void operator()(void* event) const;
};
using Event = std::unique_ptr<void, EventDeleter>;
using EventFilter = std::function<bool(const void* event)>;

// A new connection to the display in $DISPLAY; null when there is none.
Connection connect();
// The first screen's root window.
Window rootWindow(xcb_connection_t* connection);
// An unmapped input-only window that receives property changes.
Window createHelperWindow(xcb_connection_t* connection);

Atom intern(xcb_connection_t* connection, const QByteArray& name);
std::vector<Atom> intern(xcb_connection_t* connection, const std::vector<QByteArray>& names);
QByteArray atomName(xcb_connection_t* connection, Atom atom);
// The names of all of them in one round trip; an empty name for an atom the server does not know.
std::vector<QByteArray> atomNames(xcb_connection_t* connection, const std::vector<Atom>& atoms);

// Waits for an event that matches; the others are dropped, or kept in others when given. Null
// when the time is up or the connection broke. Blocking: worker threads only.
Event waitForEvent(xcb_connection_t* connection, const EventFilter& matches,
                   std::chrono::milliseconds timeout, std::vector<Event>* others = nullptr);

struct Property {
    Atom type = 0;
    int format = 0;
    QByteArray bytes;
    bool truncated = false; // more data than asked for was left on the server
};
// Reads (and optionally deletes) a window property of at most maxBytes.
std::optional<Property> readProperty(xcb_connection_t* connection, Window window, Atom property,
                                     bool remove, qint64 maxBytes);

// Whether server time `time` is `since` or later. The server's millisecond clock wraps after
// 49.7 days, so times are compared as ICCCM says: half the range either way.
inline bool isAtOrAfter(std::uint32_t time, std::uint32_t since) {
    return static_cast<std::int32_t>(time - since) >= 0;
}

// Whether two resources were created by the same client: the server hands each client its own
// range of ids, the bits outside idMask (the connection set-up's resource-id mask).
inline bool sameClient(std::uint32_t a, std::uint32_t b, std::uint32_t idMask) {
    return (a & ~idMask) == (b & ~idMask);
}

// Answers a SelectionRequest event (an xcb_selection_request_event_t) with a SelectionNotify
// naming property, or None for a refusal, and flushes.
void notifySelection(xcb_connection_t* connection, const void* request, Atom property);

// Asks the server for a time stamp: the time of a property change on window, which must be
// selected for property changes. Zero when none came in time.
std::uint32_t serverTime(xcb_connection_t* connection, Window window, Atom scratchProperty,
                         std::vector<Event>* others = nullptr);

} // namespace XcbSupport
