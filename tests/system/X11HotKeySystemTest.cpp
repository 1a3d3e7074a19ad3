// Global hot keys through the real X11 service, driven by xdotool inside the private session.
#include "hotkey/HotKey.h"
#include "hotkey/HotKeysController.h"
#include "platform/x11/X11HotKeyService.h"
#include "platform/x11/X11ModifierMask.h"
#include "system/ShellLine.h"
#include "system/XProbe.h"

#include <QLineEdit>
#include <QTest>
#include <QThread>

#include <gtest/gtest.h>

#include <memory>

namespace {

const ModifierFlags controlOption(ModifierFlag::control | ModifierFlag::option);
constexpr std::uint16_t xControlAlt = X11ModifierMask::control | X11ModifierMask::mod1;

class X11HotKeySystemTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        service = X11HotKeyService::create().release();
        HotKeysController::setService(service);
    }
    static void TearDownTestSuite() {
        HotKeysController::setService(nullptr);
        delete service;
        service = nullptr;
    }
    void SetUp() override {
        ASSERT_NE(service, nullptr) << "not running on X11";
        ASSERT_TRUE(probe.isConnected());
    }
    // A failed test must not leave locks on or keys down for the next one.
    void TearDown() override {
        QString keys;
        const std::uint16_t state = probe.lockState();
        if ((state & X11ModifierMask::lock) != 0) {
            keys += QStringLiteral(" Caps_Lock");
        }
        if ((state & probe.modifierMaskOfKeysym(0xff7f)) != 0) {
            keys += QStringLiteral(" Num_Lock");
        }
        runShellLine(QStringLiteral("xdotool keyup r t ctrl alt") +
                     (keys.isEmpty() ? QString() : QStringLiteral("; xdotool key") + keys));
        letEventsArrive();
    }

    static inline X11HotKeyService* service = nullptr;
    XProbe probe; // a second X client
    int presses = 0;
    int releases = 0;
};

TEST_F(X11HotKeySystemTest, ShortcutFiresOncePerPressAndReportsTheRelease) {
    HotKey hotKey(
        Key::r, controlOption, [&] { ++presses; }, [&] { ++releases; });
    ASSERT_TRUE(hotKey.isRegistered()) << hotKey.registrationFailure().toStdString();

    runShellLine(QStringLiteral("xdotool key ctrl+alt+r"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return releases == 1; }, 2000));
    letEventsArrive();
    EXPECT_EQ(presses, 1);
    EXPECT_EQ(releases, 1);

    // Other keys and other modifiers are left alone.
    runShellLine(QStringLiteral("xdotool key ctrl+r alt+r ctrl+alt+shift+r ctrl+alt+t"));
    letEventsArrive();
    EXPECT_EQ(presses, 1);

    runShellLine(QStringLiteral("xdotool key ctrl+alt+r; xdotool key ctrl+alt+r"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return presses == 3; }, 2000));
}

TEST_F(X11HotKeySystemTest, FiresWhateverLocksAreOn) {
    EXPECT_EQ(service->numLockMask(), probe.modifierMaskOfKeysym(0xff7f));
    HotKey hotKey(Key::r, controlOption, [&] { ++presses; });
    ASSERT_TRUE(hotKey.isRegistered());

    runShellLine(QStringLiteral("xdotool key Num_Lock"));
    ASSERT_NE(probe.lockState() & service->numLockMask(), 0);
    runShellLine(QStringLiteral("xdotool key ctrl+alt+r"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return presses == 1; }, 2000));

    runShellLine(QStringLiteral("xdotool key Caps_Lock"));
    runShellLine(QStringLiteral("xdotool key ctrl+alt+r"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return presses == 2; }, 2000));

    runShellLine(QStringLiteral("xdotool key Num_Lock Caps_Lock"));
    EXPECT_EQ(probe.lockState() & (service->numLockMask() | X11ModifierMask::lock), 0);
    runShellLine(QStringLiteral("xdotool key ctrl+alt+r"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return presses == 3; }, 2000));
}

TEST_F(X11HotKeySystemTest, HeldShortcutFiresOnce) {
    HotKey hotKey(
        Key::r, controlOption, [&] { ++presses; }, [&] { ++releases; });
    const int repeatsBefore = service->droppedRepeats();

    runShellLine(QStringLiteral("xdotool keydown ctrl+alt+r; sleep 0.9; xdotool keyup r alt ctrl"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return releases == 1; }, 2000))
        << presses << " presses, " << releases << " releases, "
        << service->droppedRepeats() - repeatsBefore << " repeats";
    letEventsArrive();
    EXPECT_EQ(presses, 1);
    EXPECT_EQ(releases, 1);
    // The server did repeat the key while it was held; those presses were dropped.
    EXPECT_GT(service->droppedRepeats(), repeatsBefore);
}

TEST_F(X11HotKeySystemTest, RepeatsQueuedWhileBusyAreNotNewPresses) {
    // The first press keeps the main thread busy past the release, so the server's repeated
    // presses are still queued when the key is found up again.
    HotKey hotKey(
        Key::r, controlOption,
        [&] {
            if (++presses == 1) {
                QThread::msleep(1300);
            }
        },
        [&] { ++releases; });

    runShellLine(QStringLiteral("xdotool keydown ctrl+alt+r; sleep 0.9; xdotool keyup r alt ctrl"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return releases >= 1; }, 3000));
    letEventsArrive();
    EXPECT_EQ(presses, 1);
    EXPECT_EQ(releases, 1);
}

TEST_F(X11HotKeySystemTest, KeysPostedAfterThePressReachTheFocusedWindow) {
    QLineEdit editor;
    editor.show();
    editor.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&editor));
    runShellLine(QStringLiteral("xdotool windowfocus --sync %1").arg(editor.winId()));
    ASSERT_TRUE(QTest::qWaitFor([&] { return editor.hasFocus(); }, 2000));

    HotKey hotKey(Key::r, controlOption, [&] { ++presses; });
    runShellLine(QStringLiteral("xdotool keydown ctrl+alt+r"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return presses == 1; }, 2000));
    // R is still down: a keyboard grab of ours would now swallow every key.
    EXPECT_TRUE(probe.canGrabKeyboard());
    runShellLine(QStringLiteral("xdotool keyup alt ctrl; xdotool key x; xdotool keyup r"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return editor.text().contains(QLatin1Char('x')); }, 2000))
        << editor.text().toStdString();
}

TEST_F(X11HotKeySystemTest, ShortcutHeldByAnotherClientFailsAndLeavesNoVariantBehind) {
    // The other client holds only the Num Lock variant of Ctrl+Alt+T.
    const std::uint8_t t = 28;
    ASSERT_TRUE(probe.grabKey(t, xControlAlt | service->numLockMask()));

    HotKey hotKey(Key::t, controlOption, [&] { ++presses; });
    EXPECT_FALSE(hotKey.isRegistered());
    EXPECT_EQ(hotKey.registrationStatus(), HotKeyService::Status::alreadyTaken);
    EXPECT_EQ(hotKey.registrationFailure(), "another application already uses it");
    // The variants we did get were given back.
    EXPECT_TRUE(probe.grabKey(t, xControlAlt));
    EXPECT_TRUE(probe.grabKey(t, xControlAlt | X11ModifierMask::lock));
    probe.ungrabKey(t);
}

TEST_F(X11HotKeySystemTest, SecondRegistrationOfTheSameShortcutDoesNotStealTheFirst) {
    HotKey first(Key::r, controlOption, [&] { ++presses; });
    {
        HotKey second(Key::r, controlOption, [] {});
        EXPECT_FALSE(second.isRegistered());
    }
    runShellLine(QStringLiteral("xdotool key ctrl+alt+r"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return presses == 1; }, 2000));
}

TEST_F(X11HotKeySystemTest, EscapeWithoutModifiersIsGrabbedAndGivenBack) {
    const std::uint8_t escape = 9;
    {
        HotKey hotKey(Key::escape, ModifierFlags(), [&] { ++presses; });
        ASSERT_TRUE(hotKey.isRegistered());
        EXPECT_FALSE(probe.grabKey(escape, 0));
        runShellLine(QStringLiteral("xdotool key Escape"));
        ASSERT_TRUE(QTest::qWaitFor([&] { return presses == 1; }, 2000));
    }
    EXPECT_TRUE(probe.grabKey(escape, 0));
    EXPECT_TRUE(probe.grabKey(escape, service->numLockMask()));
    probe.ungrabKey(escape);
    runShellLine(QStringLiteral("xdotool key Escape"));
    letEventsArrive();
    EXPECT_EQ(presses, 1);
}

TEST_F(X11HotKeySystemTest, MovedNumLockModifierIsFollowed) {
    const std::uint16_t numLock = service->numLockMask();
    ASSERT_EQ(numLock, X11ModifierMask::mod2);
    HotKey hotKey(Key::r, controlOption, [&] { ++presses; });
    ASSERT_TRUE(probe.moveKeysymToModifier(0xff7f, 5)); // Num Lock onto Mod3
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return service->numLockMask() == X11ModifierMask::mod3; }, 2000));

    runShellLine(QStringLiteral("xdotool key Num_Lock"));
    ASSERT_NE(probe.lockState() & X11ModifierMask::mod3, 0);
    runShellLine(QStringLiteral("xdotool key ctrl+alt+r"));
    const bool fired = QTest::qWaitFor([&] { return presses == 1; }, 2000);
    runShellLine(QStringLiteral("xdotool key Num_Lock"));
    EXPECT_TRUE(probe.moveKeysymToModifier(0xff7f, 4));
    EXPECT_TRUE(fired);
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return service->numLockMask() == X11ModifierMask::mod2; }, 2000));
}

} // namespace
