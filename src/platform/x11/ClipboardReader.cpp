#include "platform/x11/ClipboardReader.h"

#include "platform/x11/TargetList.h"

#include <QDeadlineTimer>

#include <xcb/xcb.h>

#include <algorithm>
#include <memory>

using XcbSupport::Atom;

namespace {

int typeOf(const void* event) {
    return static_cast<const xcb_generic_event_t*>(event)->response_type & 0x7f;
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

// An unmapped window that lives for one conversion: answers meant for an earlier request (late,
// or a chunk of an abandoned INCR transfer) go to a window that is gone.
class Requestor {
public:
    explicit Requestor(xcb_connection_t* c)
        : m_connection(c)
        , m_window(XcbSupport::createHelperWindow(c)) {}
    ~Requestor() {
        xcb_destroy_window(m_connection, m_window);
        xcb_flush(m_connection);
    }
    Requestor(const Requestor&) = delete;
    Requestor& operator=(const Requestor&) = delete;
    xcb_window_t window() const { return m_window; }

private:
    xcb_connection_t* m_connection;
    xcb_window_t m_window;
};

} // namespace

// One operation's overall deadline.
struct ClipboardReader::Session {
    Session(xcb_connection_t* c, std::chrono::milliseconds total)
        : connection(c)
        , deadline(total) {}
    xcb_connection_t* connection;
    QDeadlineTimer deadline;
};

// One format's bytes and the type they came labelled with, or why there are none.
struct ClipboardReader::Answer {
    enum class Miss { none, refused, slow, tooLarge, notBytes };
    QByteArray bytes;
    Atom type = 0;
    Miss miss = Miss::none;
    bool ok() const { return miss == Miss::none; }
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
    return TargetList::isProtocolTarget(name);
}

bool ClipboardReader::isConnected() const {
    return m_connection && xcb_connection_has_error(m_connection.get()) == 0;
}

std::optional<bool> ClipboardReader::hasOwner() {
    if (!isConnected()) {
        return std::nullopt;
    }
    xcb_connection_t* c = m_connection.get();
    xcb_get_selection_owner_reply_t* reply =
        xcb_get_selection_owner_reply(c, xcb_get_selection_owner(c, m_clipboard), nullptr);
    if (reply == nullptr) {
        return std::nullopt;
    }
    const bool owned = reply->owner != XCB_NONE;
    std::free(reply); // NOLINT
    return owned;
}

bool ClipboardReader::isAnswer(const void* event, XcbSupport::Window requestor, Atom target) const {
    if (typeOf(event) != XCB_SELECTION_NOTIFY) {
        return false;
    }
    const auto* notify = static_cast<const xcb_selection_notify_event_t*>(event);
    return notify->requestor == requestor && notify->selection == m_clipboard &&
           notify->target == target &&
           (notify->property == m_property || notify->property == XCB_NONE);
}

ClipboardReader::Answer ClipboardReader::convert(Session& session, Atom target,
                                                 std::chrono::milliseconds timeout,
                                                 qint64 maxBytes) {
    xcb_connection_t* c = session.connection;
    const Requestor requestor(c);
    const xcb_window_t window = requestor.window();
    xcb_convert_selection(c, window, m_clipboard, target, m_property, XCB_CURRENT_TIME);
    xcb_flush(c);
    const XcbSupport::Event event = XcbSupport::waitForEvent(
        c, [&](const void* e) { return isAnswer(e, window, target); }, timeout);
    if (!event) {
        return {{}, 0, Answer::Miss::slow};
    }
    if (static_cast<const xcb_selection_notify_event_t*>(event.get())->property == XCB_NONE) {
        return {{}, 0, Answer::Miss::refused};
    }
    return fetch(session, window, target, timeout, maxBytes, nullptr);
}

ClipboardReader::Answer ClipboardReader::fetch(Session& session, XcbSupport::Window window,
                                               Atom target, std::chrono::milliseconds timeout,
                                               qint64 maxBytes,
                                               std::vector<XcbSupport::Event>* others) {
    using Miss = Answer::Miss;
    xcb_connection_t* c = session.connection;
    const std::optional<XcbSupport::Property> property =
        XcbSupport::readProperty(c, window, m_property, true, maxBytes);
    if (!property) {
        return {{}, 0, Miss::slow};
    }
    if (property->truncated) {
        return {{}, 0, Miss::tooLarge};
    }
    if (property->type != m_incr) {
        if (target != m_targets && property->format != 8) {
            return {{}, 0, Miss::notBytes}; // nothing we could hand back unchanged
        }
        return {property->bytes, property->type, Miss::none};
    }
    // ICCCM INCR: every deletion of the property asks the owner for the next chunk; an empty
    // chunk ends the transfer. Its type is the data's.
    Answer answer;
    for (;;) {
        const XcbSupport::Event chunkReady = XcbSupport::waitForEvent(
            c, [&](const void* e) { return isNewValue(e, window, m_property); },
            shorter(timeout, session.deadline), others);
        if (!chunkReady) {
            return {{}, 0, Miss::slow};
        }
        const std::optional<XcbSupport::Property> chunk =
            XcbSupport::readProperty(c, window, m_property, true, maxBytes - answer.bytes.size());
        if (!chunk) {
            return {{}, 0, Miss::slow};
        }
        if (chunk->truncated) {
            return {{}, 0, Miss::tooLarge}; // abandoned: the owner times out on its own
        }
        if (chunk->bytes.isEmpty()) {
            return answer;
        }
        answer.type = chunk->type;
        answer.bytes += chunk->bytes;
    }
}

std::optional<std::vector<Atom>> ClipboardReader::targetAtoms(Session& session) {
    const Answer answer =
        convert(session, m_targets, shorter(m_limits.perFormat, session.deadline), 64 * 1024);
    if (!answer.ok()) {
        return std::nullopt;
    }
    return TargetList::atoms(answer.bytes);
}

QStringList ClipboardReader::targets() {
    if (hasOwner() != true) {
        return {};
    }
    Session session(m_connection.get(), m_limits.total);
    QStringList names;
    const std::vector<Atom> atoms = targetAtoms(session).value_or(std::vector<Atom>());
    for (const QByteArray& atomName : XcbSupport::atomNames(m_connection.get(), atoms)) {
        const QString name = QString::fromLatin1(atomName);
        if (!name.isEmpty() && !names.contains(name)) {
            names.append(name);
        }
    }
    return names;
}

std::optional<QByteArray> ClipboardReader::read(const QString& target) {
    if (hasOwner() != true) {
        return std::nullopt;
    }
    Session session(m_connection.get(), m_limits.perFormat);
    const Atom atom = XcbSupport::intern(m_connection.get(), target.toLatin1());
    Answer answer = convert(session, atom, m_limits.perFormat, m_limits.maxFormatBytes);
    return answer.ok() ? std::optional(std::move(answer.bytes)) : std::nullopt;
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

ClipboardReader::Snapshot ClipboardReader::readAll() {
    using State = PasteboardContents::State;
    Snapshot snapshot;
    const std::optional<bool> owned = hasOwner();
    if (!owned) {
        snapshot.contents.state = State::unreadable;
        snapshot.dropped.append({QStringLiteral("every format"),
                                 QStringLiteral("the display could not be asked who owns it")});
        return snapshot;
    }
    if (!*owned) {
        return snapshot; // empty
    }
    Session session(m_connection.get(), m_limits.total);
    const std::optional<std::vector<Atom>> offered = targetAtoms(session);
    if (!offered) {
        snapshot.contents.state = State::unreadable;
        snapshot.dropped.append({QStringLiteral("every format"),
                                 QStringLiteral("its owner did not list its formats within %1 ms")
                                     .arg(std::min(m_limits.perFormat, m_limits.total).count())});
        return snapshot;
    }
    // Every format is asked for at once, each through a requestor window of its own, and the
    // answers are taken as they come: the owner serves them all in one turn of its event loop
    // instead of one turn (and one wake-up of each side) per format, which on a busy machine was
    // most of the time a snapshot took. An owner that answers one request at a time still gets
    // perFormat for each answer after the one before.
    xcb_connection_t* c = m_connection.get();
    struct Request {
        QString format;
        Atom atom = 0;
        std::unique_ptr<Requestor> requestor;
        bool answered = false;
    };
    std::vector<Request> requests;
    bool anyData = false;
    const std::vector<QByteArray> names = XcbSupport::atomNames(c, *offered);
    for (std::size_t i = 0; i < offered->size(); ++i) {
        const QString format = QString::fromLatin1(names[i]);
        const bool asked = std::any_of(requests.begin(), requests.end(),
                                       [&](const Request& r) { return r.format == format; });
        if (names[i].isEmpty() || isProtocolTarget(names[i]) || asked) {
            continue;
        }
        anyData = true;
        Request request{format, (*offered)[i], std::make_unique<Requestor>(c)};
        xcb_convert_selection(c, request.requestor->window(), m_clipboard, request.atom, m_property,
                              XCB_CURRENT_TIME);
        requests.push_back(std::move(request));
    }
    xcb_flush(c);

    const auto requestAnswered = [&](const void* event) -> Request* {
        for (Request& request : requests) {
            if (!request.answered && isAnswer(event, request.requestor->window(), request.atom)) {
                return &request;
            }
        }
        return nullptr;
    };
    // Answers that arrived while a long (INCR) answer was being read.
    std::vector<XcbSupport::Event> early;
    PasteboardItem item;
    qint64 total = 0;
    std::chrono::milliseconds wait = shorter(m_limits.perFormat, session.deadline);
    for (std::size_t open = requests.size(); open > 0; --open) {
        XcbSupport::Event event;
        const auto arrived = std::find_if(early.begin(), early.end(), [&](const auto& e) {
            return requestAnswered(e.get()) != nullptr;
        });
        if (arrived != early.end()) {
            event = std::move(*arrived);
            early.erase(arrived);
        } else {
            wait = shorter(m_limits.perFormat, session.deadline);
            event = XcbSupport::waitForEvent(
                c, [&](const void* e) { return requestAnswered(e) != nullptr; }, wait);
            if (!event) {
                break;
            }
        }
        Request& request = *requestAnswered(event.get());
        request.answered = true;
        const QString& format = request.format;
        if (static_cast<const xcb_selection_notify_event_t*>(event.get())->property == XCB_NONE) {
            snapshot.dropped.append({format, QStringLiteral("its owner refused to hand it over")});
            continue;
        }
        const qint64 room = std::min(m_limits.maxFormatBytes, m_limits.maxTotalBytes - total);
        const Answer answer = fetch(session, request.requestor->window(), request.atom,
                                    shorter(m_limits.perFormat, session.deadline), room, &early);
        switch (answer.miss) {
        case Answer::Miss::none:
            total += answer.bytes.size();
            item.insert(format, answer.bytes);
            if (answer.type != request.atom && answer.type != XCB_ATOM_NONE) {
                snapshot.contents.types.insert(
                    format, QString::fromLatin1(XcbSupport::atomName(c, answer.type)));
            }
            break;
        case Answer::Miss::slow:
            snapshot.dropped.append(
                {format, QStringLiteral("its owner did not answer within %1 ms")
                             .arg(shorter(m_limits.perFormat, session.deadline).count())});
            break;
        case Answer::Miss::tooLarge:
            snapshot.dropped.append(
                {format, QStringLiteral("it is larger than %1 MiB").arg(room / (1024 * 1024))});
            break;
        case Answer::Miss::refused:
            snapshot.dropped.append({format, QStringLiteral("its owner refused to hand it over")});
            break;
        case Answer::Miss::notBytes:
            snapshot.dropped.append({format, QStringLiteral("it is not a string of bytes")});
            break;
        }
    }
    for (const Request& request : requests) {
        if (request.answered) {
            continue;
        }
        snapshot.dropped.append(
            {request.format,
             session.deadline.hasExpired()
                 ? QStringLiteral("the %1 ms for saving the clipboard were used up")
                       .arg(m_limits.total.count())
                 : QStringLiteral("its owner did not answer within %1 ms").arg(wait.count())});
    }
    if (!item.isEmpty()) {
        snapshot.contents.state = State::data;
        snapshot.contents.items = {item};
    } else if (anyData) {
        snapshot.contents.state = State::unreadable; // offered data, none of it came
    }
    return snapshot;
}
