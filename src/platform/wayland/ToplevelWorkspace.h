#pragma once

#include "platform/Workspace.h"

#include <map>
#include <memory>

class WaylandConnection;
struct zwlr_foreign_toplevel_manager_v1;

// The windows of other applications through the wlroots foreign-toplevel protocol (sway and
// other wlroots compositors): the active one with its app id, which is what terminals are
// recognised by, and activating it again. Windows are numbered by Palimo, starting at 1.
class ToplevelWorkspace final : public Workspace {
public:
    // Null when the compositor does not list its windows.
    static std::unique_ptr<ToplevelWorkspace> create(std::shared_ptr<WaylandConnection> wayland);
    ~ToplevelWorkspace() override;

    QCoro::Task<std::optional<ActiveWindow>> activeWindow() override;
    QCoro::Task<bool> activate(ActiveWindow window) override;

    struct Toplevel;

private:
    explicit ToplevelWorkspace(std::shared_ptr<WaylandConnection> wayland);
    friend struct ToplevelListeners;

    std::shared_ptr<WaylandConnection> m_wayland;
    zwlr_foreign_toplevel_manager_v1* m_manager = nullptr;
    std::map<std::uint64_t, std::unique_ptr<Toplevel>> m_toplevels;
    std::uint64_t m_nextId = 0;
};
