#include "app/PlatformBackends.h"

#include "base/Log.h"
#include "platform/wayland/WaylandBackends.h"
#include "platform/x11/X11HotKeyService.h"
#include "platform/x11/X11Keystrokes.h"
#include "platform/x11/X11Pasteboard.h"
#include "platform/x11/X11Workspace.h"

#include <QGuiApplication>

namespace {

// Stand-ins for what a Wayland compositor does not offer: honest about it, never pretending.
class NoKeystrokes final : public Keystrokes {
public:
    bool isAvailable() const override { return false; }
    QCoro::Task<bool> modifiersHeld() override { co_return false; }
    QCoro::Task<bool> post(Command /*command*/, Style /*style*/) override { co_return false; }
};

class NoWorkspace final : public Workspace {
public:
    QCoro::Task<std::optional<ActiveWindow>> activeWindow() override { co_return std::nullopt; }
    QCoro::Task<bool> activate(ActiveWindow /*window*/) override { co_return false; }
};

std::optional<PlatformBackends> wayland() {
    std::optional<WaylandBackends> made = WaylandBackends::create();
    if (!made) {
        Log::error(QStringLiteral("Could not connect to the Wayland compositor at \"%1\".")
                       .arg(qEnvironmentVariable("WAYLAND_DISPLAY")));
        return std::nullopt;
    }
    if (!made->pasteboard) {
        // Without a clipboard of its own Palimo cannot capture or paste anything.
        Log::error(QStringLiteral("This compositor gives Palimo no %1.")
                       .arg(made->missing.join(QStringLiteral(", "))));
        return std::nullopt;
    }
    PlatformBackends backends;
    backends.pasteboard = std::move(made->pasteboard);
    backends.keystrokes =
        made->keystrokes ? std::move(made->keystrokes) : std::make_unique<NoKeystrokes>();
    backends.workspace =
        made->workspace ? std::move(made->workspace) : std::make_unique<NoWorkspace>();
    backends.description =
        QStringLiteral("Wayland: %1").arg(made->chosen.join(QStringLiteral(", ")));
    if (!made->missing.isEmpty()) {
        Log::info(QStringLiteral("This compositor does not offer %1.")
                      .arg(made->missing.join(QStringLiteral(", "))));
    }
    return backends;
}

} // namespace

std::optional<PlatformBackends> PlatformBackends::create() {
    if (!qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")) {
        return wayland();
    }
    if (QGuiApplication::platformName() != QLatin1String("xcb")) {
        Log::error(QStringLiteral("Palimo needs an X11 or Wayland session; this one is \"%1\".")
                       .arg(QGuiApplication::platformName()));
        return std::nullopt;
    }
    PlatformBackends backends;
    backends.hotKeys = X11HotKeyService::create();
    backends.pasteboard = X11Pasteboard::create();
    if (!backends.hotKeys || !backends.pasteboard) {
        Log::error(QStringLiteral("Could not open the X11 display."));
        return std::nullopt;
    }
    backends.keystrokes = std::make_unique<X11Keystrokes>();
    backends.workspace = std::make_unique<X11Workspace>();
    backends.description = QStringLiteral("X11 hot keys, X11 clipboard, XTest keystrokes");
    return backends;
}
