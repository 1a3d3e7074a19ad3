#include "platform/wayland/WaylandConnection.h"

#include "base/Log.h"

#include <QAbstractEventDispatcher>
#include <QPromise>
#include <QSocketNotifier>
#include <QThread>
#include <QTimer>

#include <wayland-client.h>

#include <algorithm>

namespace {

void onGlobal(void* data, wl_registry* /*registry*/, std::uint32_t name, const char* interface,
              std::uint32_t version) {
    auto* globals = static_cast<std::vector<WaylandConnection::Global>*>(data);
    globals->push_back({name, QString::fromLatin1(interface), version});
}

void onGlobalRemove(void* data, wl_registry* /*registry*/, std::uint32_t name) {
    auto* globals = static_cast<std::vector<WaylandConnection::Global>*>(data);
    std::erase_if(*globals, [name](const WaylandConnection::Global& g) { return g.name == name; });
}

const wl_registry_listener registryListener = {onGlobal, onGlobalRemove};

// One wl_display.sync in flight: answered by the compositor, or given up on by a timer.
struct PendingSync {
    QPromise<bool> promise;
    wl_callback* callback = nullptr;
    bool finished = false;

    void finish(bool handled) {
        if (std::exchange(finished, true)) {
            return;
        }
        promise.addResult(handled);
        promise.finish();
    }
};

void onSyncDone(void* data, wl_callback* callback, std::uint32_t /*serial*/) {
    auto* pending = static_cast<std::shared_ptr<PendingSync>*>(data);
    (*pending)->finish(true);
    (*pending)->callback = nullptr;
    wl_callback_destroy(callback);
    delete pending; // NOLINT(cppcoreguidelines-owning-memory): the listener's own reference
}

const wl_callback_listener syncListener = {onSyncDone};

constexpr int syncTimeoutMs = 2000;

} // namespace

std::shared_ptr<WaylandConnection> WaylandConnection::connect() {
    if (qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")) {
        return nullptr;
    }
    wl_display* connected = wl_display_connect(nullptr);
    if (connected == nullptr) {
        return nullptr;
    }
    std::shared_ptr<WaylandConnection> connection(new WaylandConnection(connected));
    connection->m_registry = wl_display_get_registry(connected);
    wl_registry_add_listener(connection->m_registry, &registryListener, &connection->m_globals);
    if (!connection->roundTrip()) {
        return nullptr;
    }
    connection->m_seat = static_cast<wl_seat*>(connection->bind(&wl_seat_interface, 1));
    return connection;
}

WaylandConnection::WaylandConnection(wl_display* display)
    : m_display(display) {
    m_notifier = new QSocketNotifier(wl_display_get_fd(display), QSocketNotifier::Read, this);
    QObject::connect(m_notifier, &QSocketNotifier::activated, this, [this] { dispatch(); });
    // Requests made anywhere during an event-loop pass leave together, and events another read
    // already queued are not left waiting for the next byte on the socket.
    QObject::connect(QThread::currentThread()->eventDispatcher(),
                     &QAbstractEventDispatcher::aboutToBlock, this, [this] {
                         if (isAlive()) {
                             wl_display_dispatch_pending(m_display);
                             flush();
                         }
                     });
}

WaylandConnection::~WaylandConnection() {
    delete m_notifier;
    if (m_seat != nullptr) {
        wl_proxy_destroy(reinterpret_cast<wl_proxy*>(m_seat));
    }
    if (m_registry != nullptr) {
        wl_registry_destroy(m_registry);
    }
    wl_display_flush(m_display);
    wl_display_disconnect(m_display);
}

bool WaylandConnection::offers(const char* interface) const {
    const QString name = QString::fromLatin1(interface);
    return std::any_of(m_globals.begin(), m_globals.end(),
                       [&name](const Global& g) { return g.interface == name; });
}

const WaylandConnection::Global* WaylandConnection::find(const wl_interface* interface) const {
    const QString name = QString::fromLatin1(interface->name);
    const auto it = std::find_if(m_globals.begin(), m_globals.end(),
                                 [&name](const Global& g) { return g.interface == name; });
    return it != m_globals.end() ? &*it : nullptr;
}

std::uint32_t WaylandConnection::boundVersion(const wl_interface* interface,
                                              std::uint32_t maxVersion) const {
    const Global* global = find(interface);
    if (global == nullptr) {
        return 0;
    }
    return std::min({global->version, maxVersion, static_cast<std::uint32_t>(interface->version)});
}

void* WaylandConnection::bind(const wl_interface* interface, std::uint32_t maxVersion) const {
    const Global* global = find(interface);
    if (global == nullptr) {
        return nullptr;
    }
    return wl_registry_bind(m_registry, global->name, interface,
                            boundVersion(interface, maxVersion));
}

bool WaylandConnection::isAlive() const {
    return wl_display_get_error(m_display) == 0;
}

void WaylandConnection::flush() const {
    if (isAlive()) {
        wl_display_flush(m_display);
    }
}

QFuture<bool> WaylandConnection::whenHandled() {
    auto pending = std::make_shared<PendingSync>();
    pending->promise.start();
    QFuture<bool> future = pending->promise.future();
    if (!isAlive()) {
        pending->finish(false);
        return future;
    }
    pending->callback = wl_display_sync(m_display);
    wl_callback_add_listener(pending->callback, &syncListener,
                             new std::shared_ptr<PendingSync>(pending)); // NOLINT
    flush();
    QTimer::singleShot(syncTimeoutMs, this, [pending] { pending->finish(false); });
    return future;
}

bool WaylandConnection::roundTrip() const {
    return wl_display_roundtrip(m_display) >= 0;
}

void WaylandConnection::dispatch() {
    if (!isAlive()) {
        m_notifier->setEnabled(false);
        return;
    }
    while (wl_display_prepare_read(m_display) != 0) {
        wl_display_dispatch_pending(m_display);
    }
    // The notifier said the socket has data, so this read does not wait.
    if (wl_display_read_events(m_display) < 0 || wl_display_dispatch_pending(m_display) < 0) {
        m_notifier->setEnabled(false);
        Log::error(QStringLiteral("The connection to the Wayland compositor broke (error %1).")
                       .arg(wl_display_get_error(m_display)));
        return;
    }
    flush();
}
