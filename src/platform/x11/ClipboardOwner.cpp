#include "platform/x11/ClipboardOwner.h"

#include <QElapsedTimer>

#include <xcb/xcb.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <deque>
#include <future>
#include <iterator>
#include <mutex>
#include <poll.h>
#include <sys/eventfd.h>
#include <thread>
#include <unistd.h>

using XcbSupport::Atom;

namespace {

constexpr qsizetype chunkBytes = 64 * 1024;
// A requestor that stops taking INCR chunks for this long has gone away.
constexpr qint64 transferTimeoutMs = 5000;

} // namespace

class ClipboardOwner::Thread {
public:
    explicit Thread(std::function<void()> onFetch);
    ~Thread();
    Thread(const Thread&) = delete;
    Thread& operator=(const Thread&) = delete;

    bool isConnected() const { return m_connection != nullptr; }
    void enqueue(Contents contents, Done done);
    bool isOwner() const { return m_isOwner; }
    HandOver handOver(std::chrono::milliseconds timeout);

private:
    struct Served {
        Atom target = 0;
        Atom type = 0;
        QByteArray data;
        bool reported = false;
    };
    struct Transfer {
        xcb_window_t requestor = 0;
        Atom property = 0;
        Atom type = 0;
        QByteArray data;
        qsizetype offset = 0;
        QElapsedTimer idle;
    };

    void loop();
    void wake();
    void takeCommands();
    void apply(const Contents& contents, const Done& done);
    HandOver saveWithManager(std::chrono::milliseconds timeout);
    void handle(const void* event);
    void answer(const xcb_selection_request_event_t& request);
    bool serve(const xcb_selection_request_event_t& request, Atom property);
    bool serveMultiple(const xcb_selection_request_event_t& request, Atom property);
    void lost();
    void continueTransfer(const xcb_property_notify_event_t& notify);
    void dropStaleTransfers();
    void unwatch(xcb_window_t requestor);

    std::function<void()> m_onFetch;
    XcbSupport::Connection m_connection;
    xcb_connection_t* c = nullptr;
    xcb_window_t m_window = 0;
    Atom m_clipboard = 0, m_targets = 0, m_timestamp = 0, m_incr = 0, m_timeProperty = 0;
    Atom m_multiple = 0, m_atomPair = 0, m_manager = 0, m_saveTargets = 0;
    qsizetype m_incrThreshold = 256 * 1024;
    std::uint32_t m_idMask = 0;

    bool m_owning = false;
    std::atomic<bool> m_isOwner{false}; // m_owning, for other threads
    XcbSupport::Window m_fetchingWindow = 0;
    std::uint32_t m_ownedSince = 0;
    std::vector<Served> m_served;
    std::vector<Transfer> m_transfers;
    std::vector<XcbSupport::Event> m_pending;

    int m_wakeFd = -1;
    std::mutex m_mutex;
    std::deque<std::function<void()>> m_commands;
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

ClipboardOwner::Thread::Thread(std::function<void()> onFetch)
    : m_onFetch(std::move(onFetch))
    , m_connection(XcbSupport::connect()) {
    if (!m_connection) {
        return;
    }
    c = m_connection.get();
    const std::vector<Atom> atoms =
        XcbSupport::intern(c, {"CLIPBOARD", "TARGETS", "TIMESTAMP", "INCR", "PALIMO_CLIPBOARD_TIME",
                               "MULTIPLE", "ATOM_PAIR", "CLIPBOARD_MANAGER", "SAVE_TARGETS"});
    m_clipboard = atoms[0];
    m_targets = atoms[1];
    m_timestamp = atoms[2];
    m_incr = atoms[3];
    m_timeProperty = atoms[4];
    m_multiple = atoms[5];
    m_atomPair = atoms[6];
    m_manager = atoms[7];
    m_saveTargets = atoms[8];
    m_idMask = xcb_get_setup(c)->resource_id_mask;
    m_window = XcbSupport::createHelperWindow(c);
    // Stay well under the largest request the server takes (BIG-REQUESTS or not).
    const qsizetype maxRequest = static_cast<qsizetype>(xcb_get_maximum_request_length(c)) * 4;
    m_incrThreshold = std::min<qsizetype>(m_incrThreshold, maxRequest - 1024);
    m_wakeFd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    m_thread = std::thread([this] { loop(); });
}

ClipboardOwner::Thread::~Thread() {
    if (m_thread.joinable()) {
        m_stop = true;
        wake();
        m_thread.join();
    }
    if (m_wakeFd >= 0) {
        ::close(m_wakeFd);
    }
}

void ClipboardOwner::Thread::wake() {
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t written = ::write(m_wakeFd, &one, sizeof one);
}

void ClipboardOwner::Thread::enqueue(Contents contents, Done done) {
    if (!m_connection) {
        done(false);
        return;
    }
    {
        const std::lock_guard lock(m_mutex);
        m_commands.emplace_back([this, contents = std::move(contents), done = std::move(done)] {
            apply(contents, done);
        });
    }
    wake();
}

ClipboardOwner::HandOver ClipboardOwner::Thread::handOver(std::chrono::milliseconds timeout) {
    if (!m_connection) {
        return HandOver::nothingToHand;
    }
    auto result = std::make_shared<std::promise<HandOver>>();
    std::future<HandOver> handed = result->get_future();
    {
        const std::lock_guard lock(m_mutex);
        m_commands.emplace_back(
            [this, result, timeout] { result->set_value(saveWithManager(timeout)); });
    }
    wake();
    return handed.get();
}

void ClipboardOwner::Thread::loop() {
    while (!m_stop) {
        takeCommands();
        for (XcbSupport::Event& event : std::exchange(m_pending, {})) {
            handle(event.get());
        }
        while (xcb_generic_event_t* raw = xcb_poll_for_event(c)) {
            const XcbSupport::Event event(raw);
            handle(event.get());
        }
        xcb_flush(c);
        if (xcb_connection_has_error(c) != 0) {
            lost();
            std::this_thread::sleep_for(std::chrono::milliseconds(50)); // keep failing commands
            continue;
        }
        dropStaleTransfers();
        pollfd fds[2] = {{xcb_get_file_descriptor(c), POLLIN, 0}, {m_wakeFd, POLLIN, 0}};
        ::poll(fds, 2, m_transfers.empty() ? -1 : 1000);
        if ((fds[1].revents & POLLIN) != 0) {
            std::uint64_t count = 0;
            [[maybe_unused]] const ssize_t got = ::read(m_wakeFd, &count, sizeof count);
        }
    }
}

void ClipboardOwner::Thread::takeCommands() {
    std::deque<std::function<void()>> commands;
    {
        const std::lock_guard lock(m_mutex);
        commands.swap(m_commands);
    }
    for (const std::function<void()>& command : commands) {
        command();
    }
}

void ClipboardOwner::Thread::apply(const Contents& contents, const Done& done) {
    if (xcb_connection_has_error(c) != 0) {
        done(false);
        return;
    }
    std::vector<QByteArray> names;
    for (const Format& format : contents.formats) {
        names.push_back(format.target);
        names.push_back(format.type);
    }
    const std::vector<Atom> atoms = XcbSupport::intern(c, names);
    m_served.clear();
    for (qsizetype i = 0; i < contents.formats.size(); ++i) {
        const Format& format = contents.formats[i];
        const bool reported = contents.reportFetches &&
                              format.target != QByteArrayLiteral("x-kde-passwordManagerHint");
        m_served.push_back({atoms[static_cast<size_t>(2 * i)],
                            atoms[static_cast<size_t>(2 * i + 1)], format.data, reported});
    }

    // ICCCM: take the selection with a real server time, never CurrentTime.
    std::uint32_t time = XcbSupport::serverTime(c, m_window, m_timeProperty, &m_pending);
    if (time == 0) {
        time = XCB_CURRENT_TIME;
    }
    const xcb_window_t newOwner = m_served.empty() ? xcb_window_t{XCB_NONE} : m_window;
    xcb_set_selection_owner(c, newOwner, m_clipboard, time);
    xcb_get_selection_owner_reply_t* reply =
        xcb_get_selection_owner_reply(c, xcb_get_selection_owner(c, m_clipboard), nullptr);
    const bool ok = reply != nullptr && reply->owner == newOwner;
    std::free(reply); // NOLINT
    m_owning = ok && newOwner != XCB_NONE;
    m_isOwner = m_owning;
    m_ownedSince = time;
    m_fetchingWindow = contents.fetchingWindow;
    if (!m_owning) {
        m_served.clear();
    }
    done(ok);
}

void ClipboardOwner::Thread::lost() {
    m_owning = false; // running INCR transfers keep their own copy of the data
    m_isOwner = false;
    m_served.clear();
}

ClipboardOwner::HandOver
ClipboardOwner::Thread::saveWithManager(std::chrono::milliseconds timeout) {
    if (!m_owning || xcb_connection_has_error(c) != 0) {
        return HandOver::nothingToHand;
    }
    xcb_get_selection_owner_reply_t* reply =
        xcb_get_selection_owner_reply(c, xcb_get_selection_owner(c, m_manager), nullptr);
    const bool managed = reply != nullptr && reply->owner != XCB_NONE;
    std::free(reply); // NOLINT
    if (!managed) {
        return HandOver::noManager;
    }
    // The freedesktop clipboard-manager protocol: the property names the formats to save; the
    // manager fetches them from us (usually through MULTIPLE) and then answers the conversion.
    std::vector<Atom> targets;
    std::transform(m_served.begin(), m_served.end(), std::back_inserter(targets),
                   [](const Served& served) { return served.target; });
    const Atom property = m_saveTargets;
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, m_window, property, XCB_ATOM_ATOM, 32,
                        static_cast<std::uint32_t>(targets.size()), targets.data());
    xcb_convert_selection(c, m_window, m_manager, m_saveTargets, property, m_ownedSince);
    xcb_flush(c);
    QElapsedTimer waited;
    waited.start();
    std::vector<XcbSupport::Event> others;
    for (;;) {
        const XcbSupport::Event event = XcbSupport::waitForEvent(
            c,
            [&](const void* e) {
                const auto* any = static_cast<const xcb_generic_event_t*>(e);
                if ((any->response_type & 0x7f) != XCB_SELECTION_NOTIFY) {
                    return true; // served below while we wait
                }
                const auto* notify = static_cast<const xcb_selection_notify_event_t*>(e);
                return notify->requestor == m_window && notify->selection == m_manager;
            },
            std::chrono::milliseconds(std::max<qint64>(timeout.count() - waited.elapsed(), 0)));
        if (!event) {
            return HandOver::failed;
        }
        if ((static_cast<const xcb_generic_event_t*>(event.get())->response_type & 0x7f) ==
            XCB_SELECTION_NOTIFY) {
            const auto* notify = static_cast<const xcb_selection_notify_event_t*>(event.get());
            return notify->property == XCB_NONE ? HandOver::failed : HandOver::handedOver;
        }
        handle(event.get());
        xcb_flush(c);
    }
}

void ClipboardOwner::Thread::handle(const void* event) {
    switch (static_cast<const xcb_generic_event_t*>(event)->response_type & 0x7f) {
    case XCB_SELECTION_REQUEST:
        answer(*static_cast<const xcb_selection_request_event_t*>(event));
        break;
    case XCB_SELECTION_CLEAR: {
        const auto& clear = *static_cast<const xcb_selection_clear_event_t*>(event);
        // A clear can still be queued from before Palimo took the clipboard again; only one
        // dated from the current ownership on ends it.
        if (clear.selection == m_clipboard && clear.owner == m_window &&
            XcbSupport::isAtOrAfter(clear.time, m_ownedSince)) {
            lost();
        }
        break;
    }
    case XCB_PROPERTY_NOTIFY:
        continueTransfer(*static_cast<const xcb_property_notify_event_t*>(event));
        break;
    default:
        break; // errors about requestors that went away, and anything else, need nothing
    }
}

void ClipboardOwner::Thread::answer(const xcb_selection_request_event_t& request) {
    // Obsolete requestors leave the property empty and mean the target's name.
    const Atom property = request.property == XCB_NONE ? request.target : request.property;
    const bool current =
        m_owning && request.selection == m_clipboard && request.owner == m_window &&
        (request.time == XCB_CURRENT_TIME || XcbSupport::isAtOrAfter(request.time, m_ownedSince));
    XcbSupport::notifySelection(c, &request,
                                current && serve(request, property) ? property : Atom{XCB_NONE});
}

bool ClipboardOwner::Thread::serve(const xcb_selection_request_event_t& request, Atom property) {
    if (request.target == m_multiple) {
        return serveMultiple(request, property);
    }
    if (request.target == m_targets) {
        std::vector<Atom> targets = {m_targets, m_timestamp, m_multiple};
        std::transform(m_served.begin(), m_served.end(), std::back_inserter(targets),
                       [](const Served& served) { return served.target; });
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, request.requestor, property, XCB_ATOM_ATOM,
                            32, static_cast<std::uint32_t>(targets.size()), targets.data());
        return true;
    }
    if (request.target == m_timestamp) {
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, request.requestor, property, XCB_ATOM_INTEGER,
                            32, 1, &m_ownedSince);
        return true;
    }
    const auto found = std::find_if(m_served.begin(), m_served.end(),
                                    [&](const Served& s) { return s.target == request.target; });
    if (found == m_served.end()) {
        return false;
    }
    if (found->data.size() > m_incrThreshold) {
        const std::uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE;
        xcb_change_window_attributes(c, request.requestor, XCB_CW_EVENT_MASK, &mask);
        const auto size = static_cast<std::uint32_t>(found->data.size());
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, request.requestor, property, m_incr, 32, 1,
                            &size);
        Transfer transfer{request.requestor, property, found->type, found->data, 0, {}};
        transfer.idle.start();
        m_transfers.push_back(std::move(transfer));
    } else {
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, request.requestor, property, found->type, 8,
                            static_cast<std::uint32_t>(found->data.size()),
                            found->data.constData());
    }
    if (found->reported && m_onFetch &&
        (m_fetchingWindow == 0 ||
         XcbSupport::sameClient(request.requestor, m_fetchingWindow, m_idMask))) {
        m_onFetch(); // a clipboard manager's copy of the text is not the paste
    }
    return true;
}

bool ClipboardOwner::Thread::serveMultiple(const xcb_selection_request_event_t& request,
                                           Atom property) {
    // ICCCM: the property holds (target, property) pairs; each is answered like a request of its
    // own, and a pair that cannot be served gets None as its property.
    if (request.property == XCB_NONE) {
        return false;
    }
    const std::optional<XcbSupport::Property> pairs =
        XcbSupport::readProperty(c, request.requestor, property, false, 64 * 1024);
    if (!pairs || pairs->format != 32 || pairs->truncated) {
        return false;
    }
    std::vector<Atom> atoms(static_cast<size_t>(pairs->bytes.size()) / sizeof(Atom));
    std::memcpy(atoms.data(), pairs->bytes.constData(), atoms.size() * sizeof(Atom));
    for (size_t i = 0; i + 1 < atoms.size(); i += 2) {
        xcb_selection_request_event_t single = request;
        single.target = atoms[i];
        single.property = atoms[i + 1];
        if (single.target == m_multiple || single.property == XCB_NONE ||
            !serve(single, single.property)) {
            atoms[i + 1] = XCB_NONE;
        }
    }
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, request.requestor, property, m_atomPair, 32,
                        static_cast<std::uint32_t>(atoms.size()), atoms.data());
    return true;
}

void ClipboardOwner::Thread::continueTransfer(const xcb_property_notify_event_t& notify) {
    if (notify.state != XCB_PROPERTY_DELETE) {
        return;
    }
    const auto transfer =
        std::find_if(m_transfers.begin(), m_transfers.end(), [&](const Transfer& t) {
            return t.requestor == notify.window && t.property == notify.atom;
        });
    if (transfer == m_transfers.end()) {
        return;
    }
    // Each deletion asks for the next chunk; the empty chunk after the last one ends it.
    const qsizetype length = std::min(chunkBytes, transfer->data.size() - transfer->offset);
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, transfer->requestor, transfer->property,
                        transfer->type, 8, static_cast<std::uint32_t>(length),
                        transfer->data.constData() + transfer->offset);
    xcb_flush(c);
    if (length == 0) {
        const xcb_window_t requestor = transfer->requestor;
        m_transfers.erase(transfer);
        unwatch(requestor);
        return;
    }
    transfer->offset += length;
    transfer->idle.restart();
}

void ClipboardOwner::Thread::dropStaleTransfers() {
    std::vector<xcb_window_t> gone;
    const auto stale =
        std::remove_if(m_transfers.begin(), m_transfers.end(), [&](const Transfer& t) {
            if (t.idle.elapsed() < transferTimeoutMs) {
                return false;
            }
            gone.push_back(t.requestor);
            return true;
        });
    m_transfers.erase(stale, m_transfers.end());
    for (const xcb_window_t requestor : gone) {
        unwatch(requestor);
    }
}

void ClipboardOwner::Thread::unwatch(xcb_window_t requestor) {
    const bool stillUsed = std::any_of(m_transfers.begin(), m_transfers.end(),
                                       [&](const Transfer& t) { return t.requestor == requestor; });
    if (!stillUsed && requestor != m_window) {
        const std::uint32_t none = 0;
        xcb_change_window_attributes(c, requestor, XCB_CW_EVENT_MASK, &none);
        xcb_flush(c);
    }
}

ClipboardOwner::ClipboardOwner(std::function<void()> onFetch)
    : m_thread(std::make_unique<Thread>(std::move(onFetch))) {}

ClipboardOwner::~ClipboardOwner() = default;

bool ClipboardOwner::isConnected() const {
    return m_thread->isConnected();
}

bool ClipboardOwner::isOwner() const {
    return m_thread->isOwner();
}

ClipboardOwner::HandOver ClipboardOwner::handOver(std::chrono::milliseconds timeout) {
    return m_thread->handOver(timeout);
}

void ClipboardOwner::set(Contents contents, Done done) {
    m_thread->enqueue(std::move(contents), std::move(done));
}
