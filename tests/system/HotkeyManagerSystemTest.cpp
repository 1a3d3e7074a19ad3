// The hotkey manager over the real X11 service: what the user sees in the log when another
// program holds the shortcut, and Escape grabbed only while armed.
#include "hotkey/HotKeysController.h"
#include "platform/x11/X11HotKeyService.h"
#include "platform/x11/X11ModifierMask.h"
#include "settings/Log.h"
#include "settings/Preferences.h"
#include "settings/SettingsStore.h"
#include "shortcuts/HotkeyManager.h"
#include "support/TempHome.h"
#include "system/ShellLine.h"
#include "system/XProbe.h"

#include <QFile>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

namespace {

constexpr std::uint8_t xR = 27;
constexpr std::uint8_t xEscape = 9;
constexpr std::uint16_t xControlAlt = X11ModifierMask::control | X11ModifierMask::mod1;

class HotkeyManagerSystemTest : public ::testing::Test {
protected:
    void SetUp() override {
        service = X11HotKeyService::create();
        ASSERT_NE(service, nullptr) << "not running on X11";
        HotKeysController::setService(service.get());
        manager.setOnRewrite([this] { ++rewrites; });
        manager.setOnPrompt([this] { ++prompts; });
        manager.setOnEscape([this] { ++escapes; });
    }
    void TearDown() override {
        manager.setCancelKeyActive(false);
        manager.setSuspended(true);
        HotKeysController::setService(nullptr);
    }

    static QString log() {
        QFile file(Log::filePath());
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }

    TempHome home;
    Preferences preferences{Preferences::defaultFilePath()};
    SettingsStore settings{preferences};
    std::unique_ptr<X11HotKeyService> service;
    HotkeyManager manager{settings};
    XProbe probe;
    int rewrites = 0;
    int prompts = 0;
    int escapes = 0;
};

TEST_F(HotkeyManagerSystemTest, ShortcutHeldByAnotherProgramIsLoggedAsAnError) {
    ASSERT_TRUE(probe.grabKey(xR, xControlAlt));
    manager.reload();
    EXPECT_FALSE(manager.rewriteHotKey()->isRegistered());
    EXPECT_TRUE(manager.promptHotKey()->isRegistered());
    EXPECT_TRUE(log().contains(
        QString::fromUtf8("Could not register ⌃⌥R: another application already uses it.\n")))
        << log().toStdString();

    runShellLine(QStringLiteral("xdotool key ctrl+alt+p"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return prompts == 1; }, 2000));

    // Once the other program lets go, the next reload gets it.
    probe.ungrabKey(xR);
    manager.reload();
    ASSERT_TRUE(manager.rewriteHotKey()->isRegistered());
    runShellLine(QStringLiteral("xdotool key ctrl+alt+r"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return rewrites == 1; }, 2000));
    letEventsArrive();
    EXPECT_EQ(prompts, 1);
}

TEST_F(HotkeyManagerSystemTest, EscapeIsGrabbedOnlyWhileArmed) {
    manager.reload();
    manager.setCancelKeyActive(true);
    ASSERT_TRUE(manager.escapeHotKey()->isRegistered());
    runShellLine(QStringLiteral("xdotool key Escape"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return escapes == 1; }, 2000));

    manager.setCancelKeyActive(false);
    // Other programs can have Escape again, in every lock state.
    EXPECT_TRUE(probe.grabKey(xEscape, 0));
    EXPECT_TRUE(probe.grabKey(xEscape, service->numLockMask() | X11ModifierMask::lock));
    probe.ungrabKey(xEscape);
    runShellLine(QStringLiteral("xdotool key Escape"));
    letEventsArrive();
    EXPECT_EQ(escapes, 1);
    EXPECT_EQ(rewrites, 0);
}

} // namespace
