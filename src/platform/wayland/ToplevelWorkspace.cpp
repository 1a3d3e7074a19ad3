#include "platform/wayland/ToplevelWorkspace.h"

#include "platform/wayland/WaylandConnection.h"

#include "wlr-foreign-toplevel-management-unstable-v1-client-protocol.h"

#include <QFuture>

#include <qcoro/qcorofuture.h>

struct ToplevelWorkspace::Toplevel {
    ToplevelWorkspace* owner = nullptr;
    zwlr_foreign_toplevel_handle_v1* proxy = nullptr;
    std::uint64_t id = 0;
    QString appId;
    bool activated = false;
    // Changes come in a batch closed by "done"; until then they are pending.
    QString pendingAppId;
    bool pendingActivated = false;
    ~Toplevel() {
        if (proxy != nullptr) {
            zwlr_foreign_toplevel_handle_v1_destroy(proxy);
        }
    }
};

struct ToplevelListeners {
    using Toplevel = ToplevelWorkspace::Toplevel;
    static Toplevel& of(void* data) { return *static_cast<Toplevel*>(data); }

    static void title(void*, zwlr_foreign_toplevel_handle_v1*, const char*) {}
    static void appId(void* data, zwlr_foreign_toplevel_handle_v1*, const char* id) {
        of(data).pendingAppId = QString::fromUtf8(id);
    }
    static void output(void*, zwlr_foreign_toplevel_handle_v1*, wl_output*) {}
    static void state(void* data, zwlr_foreign_toplevel_handle_v1*, wl_array* states) {
        bool activated = false;
        const auto* entries = static_cast<const std::uint32_t*>(states->data);
        for (size_t i = 0; i < states->size / sizeof(std::uint32_t); ++i) {
            activated = activated ||
                        entries[i] == ZWLR_FOREIGN_TOPLEVEL_HANDLE_V1_STATE_ACTIVATED; // NOLINT
        }
        of(data).pendingActivated = activated;
    }
    static void done(void* data, zwlr_foreign_toplevel_handle_v1*) {
        Toplevel& window = of(data);
        window.appId = window.pendingAppId;
        window.activated = window.pendingActivated;
    }
    static void closed(void* data, zwlr_foreign_toplevel_handle_v1*) {
        Toplevel& window = of(data);
        window.owner->m_toplevels.erase(window.id); // destroys the handle
    }
    static constexpr zwlr_foreign_toplevel_handle_v1_listener handleListener = {
        title, appId, output, output, state, done, closed};

    static void toplevel(void* data, zwlr_foreign_toplevel_manager_v1*,
                         zwlr_foreign_toplevel_handle_v1* proxy) {
        auto* owner = static_cast<ToplevelWorkspace*>(data);
        auto made = std::make_unique<Toplevel>();
        made->owner = owner;
        made->proxy = proxy;
        made->id = ++owner->m_nextId;
        zwlr_foreign_toplevel_handle_v1_add_listener(proxy, &handleListener, made.get());
        owner->m_toplevels.emplace(made->id, std::move(made));
    }
    static void finished(void* data, zwlr_foreign_toplevel_manager_v1* manager) {
        static_cast<ToplevelWorkspace*>(data)->m_manager = nullptr;
        zwlr_foreign_toplevel_manager_v1_destroy(manager);
    }
    static constexpr zwlr_foreign_toplevel_manager_v1_listener managerListener = {toplevel,
                                                                                  finished};
};

std::unique_ptr<ToplevelWorkspace>
ToplevelWorkspace::create(std::shared_ptr<WaylandConnection> wayland) {
    if (!wayland || wayland->seat() == nullptr ||
        !wayland->offers(zwlr_foreign_toplevel_manager_v1_interface.name)) {
        return nullptr;
    }
    return std::unique_ptr<ToplevelWorkspace>(new ToplevelWorkspace(std::move(wayland)));
}

ToplevelWorkspace::ToplevelWorkspace(std::shared_ptr<WaylandConnection> wayland)
    : m_wayland(std::move(wayland)) {
    m_manager = static_cast<zwlr_foreign_toplevel_manager_v1*>(
        m_wayland->bind(&zwlr_foreign_toplevel_manager_v1_interface, 1));
    zwlr_foreign_toplevel_manager_v1_add_listener(m_manager, &ToplevelListeners::managerListener,
                                                  this);
    // The windows that exist now are listed in answer to the binding.
    m_wayland->roundTrip();
}

ToplevelWorkspace::~ToplevelWorkspace() {
    m_toplevels.clear();
    if (m_manager != nullptr) {
        zwlr_foreign_toplevel_manager_v1_destroy(m_manager);
    }
    m_wayland->flush();
}

QCoro::Task<std::optional<Workspace::ActiveWindow>> ToplevelWorkspace::activeWindow() {
    // The last batch of state changes may still be on the way.
    QFuture<bool> handled = m_wayland->whenHandled();
    co_await handled;
    for (const auto& [id, toplevel] : m_toplevels) {
        if (toplevel->activated) {
            ActiveWindow window;
            window.window = id;
            window.focusWindow = id;
            window.instanceName = toplevel->appId;
            window.className = toplevel->appId;
            co_return window;
        }
    }
    co_return std::nullopt;
}

QCoro::Task<bool> ToplevelWorkspace::activate(ActiveWindow window) {
    const auto it = m_toplevels.find(window.window);
    if (it == m_toplevels.end()) {
        co_return false;
    }
    zwlr_foreign_toplevel_handle_v1_activate(it->second->proxy, m_wayland->seat());
    QFuture<bool> handled = m_wayland->whenHandled();
    co_await handled;
    co_return m_toplevels.contains(window.window);
}
