#include "app/PlatformBackends.h"

#include "base/Log.h"
#include "platform/wayland/WaylandBackends.h"
#include "platform/x11/X11HotKeyService.h"
#include "platform/x11/X11Keystrokes.h"
#include "platform/x11/X11Pasteboard.h"
#include "platform/x11/X11Workspace.h"

#include <QGuiApplication>

namespace {

// Stand-ins for what a Wayland compositor does not offer: Palimo still starts, and every run
// fails with the reason instead of pretending.
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

class NoPasteboard final : public Pasteboard {
public:
    std::uint64_t changeCount() const override { return 0; }
    std::uint64_t fetchCount() const override { return 0; }
    bool holdsOwnWrite() const override { return false; }
    int subscribe(std::function<void()> /*callback*/) override { return 0; }
    void unsubscribe(int /*id*/) override {}
    QCoro::Task<QStringList> formats() override { co_return QStringList(); }
    QCoro::Task<std::optional<QByteArray>> data(QString /*format*/) override {
        co_return std::nullopt;
    }
    QCoro::Task<std::optional<QString>> text() override { co_return std::nullopt; }
    QCoro::Task<PasteboardContents> readAll() override {
        co_return PasteboardContents{PasteboardContents::State::unreadable, {}, {}};
    }
    QCoro::Task<std::optional<QString>> selectedText() override { co_return std::nullopt; }
    QCoro::Task<bool> writeAll(PasteboardContents /*contents*/) override { co_return false; }
    QCoro::Task<bool> writeText(QString /*text*/, std::uint64_t /*window*/) override {
        co_return false;
    }
};

std::optional<PlatformBackends> wayland() {
    std::optional<WaylandBackends> made = WaylandBackends::create();
    if (!made) {
        Log::error(QStringLiteral("Could not connect to the Wayland compositor at \"%1\".")
                       .arg(qEnvironmentVariable("WAYLAND_DISPLAY")));
        return std::nullopt;
    }
    PlatformBackends backends;
    backends.pasteboard =
        made->pasteboard ? std::move(made->pasteboard) : std::make_unique<NoPasteboard>();
    backends.keystrokes =
        made->keystrokes ? std::move(made->keystrokes) : std::make_unique<NoKeystrokes>();
    backends.workspace =
        made->workspace ? std::move(made->workspace) : std::make_unique<NoWorkspace>();
    backends.description =
        QStringLiteral("Wayland: %1")
            .arg(made->chosen.isEmpty() ? QStringLiteral("no protocol Palimo can use")
                                        : made->chosen.join(QStringLiteral(", ")));
    if (!made->missing.isEmpty()) {
        Log::error(QStringLiteral("This compositor does not give Palimo %1.")
                       .arg(made->missing.join(QStringLiteral(", "))));
    }
    return backends;
}

} // namespace

std::optional<PlatformBackends> PlatformBackends::create() {
    if (!qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")) {
        if (std::optional<PlatformBackends> backends = wayland()) {
            return backends;
        }
        if (QGuiApplication::platformName() != QLatin1String("xcb")) {
            return std::nullopt;
        }
        Log::info(QStringLiteral("Falling back to X11."));
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
