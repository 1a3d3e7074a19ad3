#include "platform/x11/ClipboardReader.h"

#include "platform/x11/TargetList.h"

#include <QDeadlineTimer>
#include <QSet>

#include <xcb/xcb.h>

#include <algorithm>

using XcbSupport::Atom;

namespace {

int typeOf(const void* event) {
    return static_cast<const xcb_generic_event_t*>(event)->response_type & 0x7f;
}

bool isSelectionNotify(const void* event, xcb_window_t window) {
    return typeOf(event) == XCB_SELECTION_NOTIFY &&
           static_cast<const xcb_selection_notify_event_t*>(event)->requestor == window;
}

bool isNewValue(const void* event, xcb_window_t window, xcb_atom_t property) {
    if (typeOf(event) != XCB_PROPERTY_NOTIFY) {
        return false;
    }
    const auto* notify = static_cast<const xcb_property_notify_event_t*>(event);
    return notify->window == window && notify->atom == property &&
           notify->state == XCB_PROPERTY_NEW_VALUE;
}

std::chrono::milliseconds shorter(std::chrono::milliseconds a, const QDeadlineTimer& deadline) {
    return std::min(a, std::chrono::milliseconds(std::max<qint64>(deadline.remainingTime(), 0)));
}

} // namespace

// One operation's requestor window (so late answers to an abandoned request can never be
// mistaken for the next one) and its overall deadline.
struct ClipboardReader::Session {
    Session(xcb_connection_t* c, std::chrono::milliseconds total)
        : connection(c)
        , window(XcbSupport::createHelperWindow(c))
        , deadline(total) {}
    ~Session() {
        xcb_destroy_window(connection, window);
        xcb_flush(connection);
    }
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    xcb_connection_t* connection;
    xcb_window_t window;
    QDeadlineTimer deadline;
};

ClipboardReader::ClipboardReader()
    : ClipboardReader(Limits{}) {}

ClipboardReader::ClipboardReader(Limits limits, const QByteArray& selection)
    : m_limits(limits)
    , m_connection(XcbSupport::connect()) {
    if (!m_connection) {
        return;
    }
    const std::vector<Atom> atoms = XcbSupport::intern(
        m_connection.get(), {selection, "TARGETS", "INCR", "PALIMO_CLIPBOARD_READ"});
    m_clipboard = atoms[0];
    m_targets = atoms[1];
    m_incr = atoms[2];
    m_property = atoms[3];
}

ClipboardReader::~ClipboardReader() = default;

bool ClipboardReader::isProtocolTarget(const QByteArray& name) {
    // ICCCM's side-effect and meta targets, X resources that die with their owner, and Qt's
    // and GTK's internal bookkeeping.
    static const QSet<QByteArray> names = {
        "TARGETS",
        "MULTIPLE",
        "TIMESTAMP",
        "SAVE_TARGETS",
        "DELETE",
        "INSERT_SELECTION",
        "INSERT_PROPERTY",
        "LENGTH",
        "LIST_LENGTH",
        "HOST_NAME",
        "USER",
        "CLIENT_WINDOW",
        "OWNER_OS",
        "PROCESS",
        "TASK",
        "CLASS",
        "NAME",
        "PIXMAP",
        "BITMAP",
        "DRAWABLE",
        "COLORMAP",
        "ATOM",
        "ATOM_PAIR",
        "SPAN",
        "_QT_SELECTION",
        "_GTK_TEXT_BUFFER_CONTENTS_FORMATS",
        "GTK_TEXT_BUFFER_CONTENTS",
    };
    return names.contains(name);
}

bool ClipboardReader::hasOwner() {
    xcb_connection_t* c = m_connection.get();
    xcb_get_selection_owner_reply_t* reply =
        xcb_get_selection_owner_reply(c, xcb_get_selection_owner(c, m_clipboard), nullptr);
    const bool owned = reply != nullptr && reply->owner != XCB_NONE;
    std::free(reply); // NOLINT
    return owned;
}

std::optional<QByteArray> ClipboardReader::convert(Session& session, Atom target,
                                                   std::chrono::milliseconds timeout,
                                                   qint64 maxBytes) {
    xcb_connection_t* c = session.connection;
    xcb_convert_selection(c, session.window, m_clipboard, target, m_property, XCB_CURRENT_TIME);
    xcb_flush(c);
    const XcbSupport::Event event = XcbSupport::waitForEvent(
        c, [&](const void* e) { return isSelectionNotify(e, session.window); }, timeout);
    if (!event) {
        return std::nullopt;
    }
    const auto* notify = static_cast<const xcb_selection_notify_event_t*>(event.get());
    if (notify->property == XCB_NONE) {
        return std::nullopt; // the owner refused this format
    }
    const std::optional<XcbSupport::Property> property =
        XcbSupport::readProperty(c, session.window, m_property, true, maxBytes);
    if (!property || property->truncated) {
        return std::nullopt;
    }
    if (property->type == m_incr) {
        return readIncrementally(session, maxBytes, timeout);
    }
    if (target != m_targets && property->format != 8) {
        return std::nullopt; // not a byte string: nothing we could hand back unchanged
    }
    return property->bytes;
}

std::optional<QByteArray> ClipboardReader::readIncrementally(Session& session, qint64 maxBytes,
                                                             std::chrono::milliseconds timeout) {
    // ICCCM INCR: every deletion of the property asks the owner for the next chunk; an empty
    // chunk ends the transfer.
    xcb_connection_t* c = session.connection;
    QByteArray data;
    for (;;) {
        const XcbSupport::Event event = XcbSupport::waitForEvent(
            c, [&](const void* e) { return isNewValue(e, session.window, m_property); },
            shorter(timeout, session.deadline));
        if (!event) {
            return std::nullopt;
        }
        const std::optional<XcbSupport::Property> chunk =
            XcbSupport::readProperty(c, session.window, m_property, true, maxBytes - data.size());
        if (!chunk || chunk->truncated) {
            return std::nullopt; // over the cap: abandon, the owner times out on its own
        }
        if (chunk->bytes.isEmpty()) {
            return data;
        }
        data += chunk->bytes;
    }
}

std::vector<Atom> ClipboardReader::targetAtoms(Session& session) {
    const std::optional<QByteArray> bytes =
        convert(session, m_targets, shorter(m_limits.perFormat, session.deadline), 64 * 1024);
    return bytes ? TargetList::atoms(*bytes) : std::vector<Atom>();
}

QStringList ClipboardReader::targets() {
    if (!m_connection || !hasOwner()) {
        return {};
    }
    Session session(m_connection.get(), m_limits.total);
    QStringList names;
    for (const Atom atom : targetAtoms(session)) {
        const QString name = QString::fromLatin1(XcbSupport::atomName(m_connection.get(), atom));
        if (!name.isEmpty() && !names.contains(name)) {
            names.append(name);
        }
    }
    return names;
}

std::optional<QByteArray> ClipboardReader::read(const QString& target) {
    if (!m_connection || !hasOwner()) {
        return std::nullopt;
    }
    Session session(m_connection.get(), m_limits.perFormat);
    const Atom atom = XcbSupport::intern(m_connection.get(), target.toLatin1());
    return convert(session, atom, m_limits.perFormat, m_limits.maxFormatBytes);
}

std::optional<QString> ClipboardReader::readText() {
    const QStringList offered = targets();
    // UTF-8 forms first: GTK's "text/plain" is converted to CRLF line ends, and STRING is
    // Latin-1 by definition.
    for (const char* name : {"UTF8_STRING", "text/plain;charset=utf-8", "text/plain;charset=UTF-8",
                             "text/plain", "STRING"}) {
        const QString target = QString::fromLatin1(name);
        if (!offered.contains(target)) {
            continue;
        }
        const std::optional<QByteArray> bytes = read(target);
        if (!bytes) {
            continue;
        }
        return target == QLatin1String("STRING") ? QString::fromLatin1(*bytes)
                                                 : QString::fromUtf8(*bytes);
    }
    return std::nullopt;
}

QList<PasteboardItem> ClipboardReader::readAll() {
    if (!m_connection || !hasOwner()) {
        return {};
    }
    Session session(m_connection.get(), m_limits.total);
    PasteboardItem item;
    qint64 total = 0;
    for (const Atom atom : targetAtoms(session)) {
        const QByteArray name = XcbSupport::atomName(m_connection.get(), atom);
        if (name.isEmpty() || isProtocolTarget(name) || item.contains(QString::fromLatin1(name))) {
            continue;
        }
        if (session.deadline.hasExpired()) {
            break; // the owner has used up the whole budget; keep what was read
        }
        const qint64 room = std::min(m_limits.maxFormatBytes, m_limits.maxTotalBytes - total);
        if (std::optional<QByteArray> bytes =
                convert(session, atom, shorter(m_limits.perFormat, session.deadline), room)) {
            total += bytes->size();
            item.insert(QString::fromLatin1(name), *bytes);
        }
    }
    return {item};
}
