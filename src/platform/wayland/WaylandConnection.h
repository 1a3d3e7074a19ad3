#pragma once

#include <QFuture>
#include <QObject>
#include <QString>

#include <cstdint>
#include <memory>
#include <vector>

class QSocketNotifier;
struct wl_display;
struct wl_interface;
struct wl_registry;
struct wl_seat;

// Palimo's own connection to the Wayland compositor (Qt's is not reachable from outside its
// platform plugin, and Qt may not be on Wayland at all). Its events are read and dispatched on
// the main thread from the Qt event loop, whenever the socket has data and before the loop goes
// to sleep; requests are flushed at the same moments, so nothing here ever waits for the
// compositor except the one round trip that lists the globals when it is made.
class WaylandConnection final : public QObject {
    Q_OBJECT
public:
    struct Global {
        std::uint32_t name = 0;
        QString interface;
        std::uint32_t version = 0;
    };

    // Null when $WAYLAND_DISPLAY names no compositor that answers.
    static std::shared_ptr<WaylandConnection> connect();
    ~WaylandConnection() override;
    WaylandConnection(const WaylandConnection&) = delete;
    WaylandConnection& operator=(const WaylandConnection&) = delete;

    const std::vector<Global>& globals() const { return m_globals; }
    bool offers(const char* interface) const;
    // Binds the first global of this interface at min(offered, maxVersion); null when absent.
    void* bind(const wl_interface* interface, std::uint32_t maxVersion) const;
    std::uint32_t boundVersion(const wl_interface* interface, std::uint32_t maxVersion) const;
    wl_seat* seat() const { return m_seat; }
    wl_display* display() const { return m_display; }
    // False once the compositor closed the connection or reported a protocol error.
    bool isAlive() const;

    // Sends what is queued now instead of when the event loop next sleeps.
    void flush() const;
    // Finishes true once the compositor has handled everything sent so far, false when it does
    // not answer within two seconds or the connection is gone. Never blocks.
    QFuture<bool> whenHandled();
    // Waits for the compositor to handle everything sent so far and dispatches its answers.
    // Blocks the calling (main) thread for one round trip: for start-up only.
    bool roundTrip() const;

private:
    explicit WaylandConnection(wl_display* display);
    const Global* find(const wl_interface* interface) const;
    void dispatch();

    wl_display* m_display = nullptr;
    wl_registry* m_registry = nullptr;
    wl_seat* m_seat = nullptr;
    std::vector<Global> m_globals;
    QSocketNotifier* m_notifier = nullptr;
};
