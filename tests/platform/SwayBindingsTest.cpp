#include "platform/sway/SwayBindings.h"
#include "hotkey/Key.h"
#include "hotkey/ModifierFlags.h"
#include "platform/sway/SwayIpc.h"
#include "platform/sway/SwayWindows.h"
#include "support/TempHome.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

SwayBindings::Combo comboOf(Key key, std::uint64_t flags) {
    return SwayBindings::combo(key.carbonKeyCode(), ModifierFlags(flags).carbonFlags()).value();
}

} // namespace

TEST(SwayBindingsTest, CombosAreNamedByUsSymbolAndByPosition) {
    EXPECT_EQ(comboOf(Key::period, ModifierFlag::shift | ModifierFlag::command).symbols,
              "Shift+Mod4+period");
    // fn has no position an XKB keymap can name.
    EXPECT_FALSE(SwayBindings::combo(Key(Key::function).carbonKeyCode(), 0));
}

// Included files count (an include loop ends); bindings only in another mode do not.
TEST(SwayBindingsTest, OnlyTheDefaultModesBindingsCountAsTaken) {
    QTemporaryDir config;
    writeFile(config.filePath(QStringLiteral("config.d/50-keys")),
              "bindsym $mod+x exec from-an-include\n");
    writeFile(config.filePath(QStringLiteral("config.d/60-loop")), "include config.d/*\n");
    const QString text = QStringLiteral(R"(
set $mod Mod4
include "config.d/*"
set $modifier Control
# bindsym Ctrl+Alt+x exec commented-out
bindsym --no-repeat $modifier+Alt+R exec rewrite-tool
bindsym $mod+Return exec foot
bindcode Mod1+Shift+26 exec by-position
mode "resize" {
    bindsym Escape mode "default"
}
bindsym $undefined+q kill
)");
    const QSet<QString> configured =
        SwayBindings::configuredBindings(SwayBindings::withIncludes(text, config.path()));
    const auto taken = [&configured](Key key, std::uint64_t flags) {
        return SwayBindings::isBound(configured, comboOf(key, flags));
    };
    EXPECT_TRUE(taken(Key::r, ModifierFlag::option | ModifierFlag::control));
    EXPECT_TRUE(taken(Key::returnKey, ModifierFlag::command));
    EXPECT_TRUE(taken(Key::e, ModifierFlag::shift | ModifierFlag::option)); // key code 26
    EXPECT_TRUE(taken(Key::x, ModifierFlag::command));
    EXPECT_FALSE(taken(Key::escape, 0)); // only in a mode
    EXPECT_FALSE(taken(Key::x, ModifierFlag::control | ModifierFlag::option));
    EXPECT_FALSE(taken(Key::r, ModifierFlag::control));
    EXPECT_FALSE(taken(Key::q, 0));
}

TEST(SwayIpcTest, MessagesAreFramedAcrossPartialAndJoinedReads) {
    const QByteArray first = SwayIpc::encode(SwayIpc::bindingEvent, R"({"change":"run"})");
    const QByteArray second = SwayIpc::encode(0, R"([{"success":true}])");
    QByteArray buffer = first.left(9);
    EXPECT_FALSE(SwayIpc::takeMessage(buffer));
    buffer += first.mid(9) + second;
    const auto one = SwayIpc::takeMessage(buffer);
    const auto two = SwayIpc::takeMessage(buffer);
    ASSERT_TRUE(one && two);
    EXPECT_EQ(one->type, SwayIpc::bindingEvent);
    EXPECT_EQ(two->payload, R"([{"success":true}])");
    EXPECT_TRUE(buffer.isEmpty());
    buffer = "HTTP/1.1 400";
    EXPECT_FALSE(SwayIpc::takeMessage(buffer));
    EXPECT_TRUE(buffer.isEmpty());
}

TEST(SwayWindowsTest, TheFocusedContentOriginComesFromItsContainer) {
    const auto originIn = [](const char* focusedWindow) {
        const QByteArray tree = QByteArray(R"({"nodes": [{"type": "workspace", "nodes": [
            {"shell": "xdg_shell", "rect": {"x": 0, "y": 25}, "window_rect": {"x": 2, "y": 0}}],
            "floating_nodes": [)") +
                                focusedWindow + "]}]}";
        return SwayWindows::focusedOrigin(QJsonDocument::fromJson(tree).object());
    };
    const WindowOrigin native = originIn(
        R"({"focused": true, "shell": "xdg_shell", "rect": {"x": 640, "y": 25},
            "window_rect": {"x": 2, "y": 1}})");
    EXPECT_EQ(native.space, WindowOrigin::Space::window);
    EXPECT_EQ(native.topLeft, QPointF(642, 26));
    EXPECT_EQ(originIn(R"({"focused": true, "shell": "xwayland"})").space,
              WindowOrigin::Space::screen);
    EXPECT_EQ(originIn(R"({"focused": false, "shell": "xwayland"})").space,
              WindowOrigin::Space::unknown);
}
