#pragma once

#include <QString>

#include <qcoro/qcorotask.h>

#include <cstdint>
#include <optional>

// The desktop's windows: which application the user is working in, and bringing it back to the
// front after Palimo showed a window of its own.
class Workspace {
public:
    struct ActiveWindow {
        std::uint64_t window = 0;      // the top-level window
        std::uint64_t focusWindow = 0; // the window holding the keyboard focus inside it
        QString instanceName;          // the two halves of the window's class hint,
        QString className;             // e.g. "xterm" / "XTerm"
        qint64 pid = 0;                // 0 when the window does not say
    };

    Workspace() = default;
    Workspace(const Workspace&) = delete;
    Workspace& operator=(const Workspace&) = delete;
    virtual ~Workspace() = default;

    // The window the user works in now; nothing when no window has the focus.
    virtual QCoro::Task<std::optional<ActiveWindow>> activeWindow() = 0;
    // Asks for that window to be activated again (focus included). False when it is gone.
    virtual QCoro::Task<bool> activate(ActiveWindow window) = 0;
};
