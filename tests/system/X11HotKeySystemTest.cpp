// Global hot keys through the real X11 service, driven by xdotool inside the private session:
// what the end-to-end test of the application cannot show (real auto-repeat, a grab shared
// with another client, a moved Num Lock, keys posted while the shortcut is still down).
#include "hotkey/HotKey.h"
#include "hotkey/HotKeysController.h"
#include "platform/x11/X11HotKeyService.h"
#include "platform/x11/X11ModifierMask.h"
#include "system/XProbe.h"

#include <QLineEdit>
#include <QProcess>
#include <QTest>
#include <QThread>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

const ModifierFlags controlOption(ModifierFlag::control | ModifierFlag::option);
constexpr std::uint16_t xControlAlt = X11ModifierMask::control | X11ModifierMask::mod1;
constexpr std::uint32_t numLockKeysym = 0xff7f;

// Runs a shell line (xdotool, mostly) while the event loop keeps turning, as it would in the
// application; fails the current test when the line fails.
void shell(const QString& line) {
    QProcess process;
    process.start(u"sh"_s, {u"-c"_s, line});
    ASSERT_TRUE(process.waitForStarted());
    ASSERT_TRUE(QTest::qWaitFor([&] { return process.state() == QProcess::NotRunning; }, 10000));
    ASSERT_EQ(process.exitCode(), 0)
        << line.toStdString() << process.readAllStandardError().toStdString();
}

// Gives events that are still on their way time to arrive before counting them.
void letEventsArrive() {
    QTest::qWait(250);
}

class X11HotKeySystemTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        service = X11HotKeyService::create().release();
        HotKeysController::setService(service);
    }
    static void TearDownTestSuite() {
        HotKeysController::setService(nullptr);
        delete service;
    }
    void SetUp() override {
        ASSERT_NE(service, nullptr) << "not running on X11";
        ASSERT_TRUE(probe.isConnected());
    }
    // A failed test must not leave locks on or keys down for the next one.
    void TearDown() override {
        if (service == nullptr) {
            return;
        }
        const std::uint16_t locks = probe.lockState();
        shell(u"xdotool keyup r t ctrl alt"_s +
              ((locks & X11ModifierMask::lock) != 0 ? u"; xdotool key Caps_Lock"_s : QString()) +
              ((locks & service->numLockMask()) != 0 ? u"; xdotool key Num_Lock"_s : QString()));
        letEventsArrive();
    }
    // Presses ctrl+alt+r and waits for the press to arrive.
    bool pressFires() {
        const int before = presses;
        shell(u"xdotool key ctrl+alt+r"_s);
        return QTest::qWaitFor([&] { return presses > before; }, 2000);
    }

    static inline X11HotKeyService* service = nullptr;
    XProbe probe; // a second X client
    int presses = 0;
    int releases = 0;
};

TEST_F(X11HotKeySystemTest, HeldShortcutFiresOnceEvenWhenTheRepeatsQueueUp) {
    bool busy = false;
    HotKey hotKey(
        Key::r, controlOption,
        [&] {
            ++presses;
            if (busy) {
                // Busy past the release: the server's repeated presses are still queued when
                // the key is found up again.
                QThread::msleep(1300);
            }
        },
        [&] { ++releases; });
    ASSERT_TRUE(hotKey.isRegistered()) << hotKey.registrationFailure().toStdString();
    for (const bool blocking : {false, true}) {
        busy = blocking;
        presses = releases = 0;
        const int repeatsBefore = service->droppedRepeats();
        shell(u"xdotool keydown ctrl+alt+r; sleep 0.9; xdotool keyup r alt ctrl"_s);
        ASSERT_TRUE(QTest::qWaitFor([&] { return releases == 1; }, 3000)) << "busy " << busy;
        letEventsArrive();
        EXPECT_EQ(presses, 1) << "busy " << busy;
        EXPECT_EQ(releases, 1) << "busy " << busy;
        // The server did repeat the key while it was held; those presses were dropped.
        EXPECT_GT(service->droppedRepeats(), repeatsBefore);
    }
    busy = false;
    // Other keys and other modifiers are left alone; two quick taps are two presses.
    shell(u"xdotool key ctrl+r alt+r ctrl+alt+shift+r ctrl+alt+t"_s);
    letEventsArrive();
    EXPECT_EQ(presses, 1);
    shell(u"xdotool key ctrl+alt+r; xdotool key ctrl+alt+r"_s);
    EXPECT_TRUE(QTest::qWaitFor([&] { return presses == 3; }, 2000)) << presses;
}

TEST_F(X11HotKeySystemTest, KeysPostedAfterThePressReachTheFocusedWindow) {
    QLineEdit editor;
    editor.show();
    editor.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&editor));
    shell(u"xdotool windowfocus --sync %1"_s.arg(editor.winId()));
    ASSERT_TRUE(QTest::qWaitFor([&] { return editor.hasFocus(); }, 2000));

    HotKey hotKey(Key::r, controlOption, [&] { ++presses; });
    shell(u"xdotool keydown ctrl+alt+r"_s);
    ASSERT_TRUE(QTest::qWaitFor([&] { return presses == 1; }, 2000));
    // R is still down: a keyboard grab of ours would now swallow every key.
    EXPECT_TRUE(probe.canGrabKeyboard());
    shell(u"xdotool keyup alt ctrl; xdotool key x; xdotool keyup r"_s);
    ASSERT_TRUE(QTest::qWaitFor([&] { return editor.text().contains(u'x'); }, 2000))
        << editor.text().toStdString();
}

TEST_F(X11HotKeySystemTest, ShortcutHeldElsewhereFailsAndLeavesNoVariantBehind) {
    // The other client holds only the Num Lock variant of Ctrl+Alt+T.
    const std::uint8_t t = 28;
    ASSERT_TRUE(probe.grabKey(t, xControlAlt | service->numLockMask()));
    HotKey hotKey(Key::t, controlOption, [&] { ++presses; });
    EXPECT_EQ(hotKey.registrationStatus(), HotKeyService::Status::alreadyTaken);
    EXPECT_EQ(hotKey.registrationFailure(), "another application already uses it");
    // The variants we did get were given back.
    EXPECT_TRUE(probe.grabKey(t, xControlAlt));
    EXPECT_TRUE(probe.grabKey(t, xControlAlt | X11ModifierMask::lock));
    probe.ungrabKey(t);

    // A second registration in this process is refused without releasing the first, and
    // unregistering gives every variant back.
    {
        HotKey first(Key::r, controlOption, [&] { ++presses; });
        EXPECT_FALSE(HotKey(Key::r, controlOption).isRegistered());
        EXPECT_TRUE(pressFires());
    }
    const std::uint8_t r = 27;
    EXPECT_TRUE(probe.grabKey(r, xControlAlt | service->numLockMask() | X11ModifierMask::lock));
    probe.ungrabKey(r);
}

TEST_F(X11HotKeySystemTest, FiresWhateverLocksAreOnAndFollowsAMovedNumLock) {
    ASSERT_EQ(service->numLockMask(), X11ModifierMask::mod2);
    HotKey hotKey(Key::r, controlOption, [&] { ++presses; });
    shell(u"xdotool key Caps_Lock"_s);
    ASSERT_NE(probe.lockState() & X11ModifierMask::lock, 0);
    EXPECT_TRUE(pressFires()) << "Caps Lock";
    shell(u"xdotool key Num_Lock"_s);
    ASSERT_NE(probe.lockState() & X11ModifierMask::mod2, 0);
    EXPECT_TRUE(pressFires()) << "Caps Lock and Num Lock";
    shell(u"xdotool key Num_Lock Caps_Lock"_s);

    ASSERT_TRUE(probe.moveKeysymToModifier(numLockKeysym, 5)); // onto Mod3
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return service->numLockMask() == X11ModifierMask::mod3; }, 2000));
    shell(u"xdotool key Num_Lock"_s);
    ASSERT_NE(probe.lockState() & X11ModifierMask::mod3, 0);
    EXPECT_TRUE(pressFires()) << "Num Lock on Mod3";
    shell(u"xdotool key Num_Lock"_s);
    EXPECT_TRUE(probe.moveKeysymToModifier(numLockKeysym, 4));
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return service->numLockMask() == X11ModifierMask::mod2; }, 2000));
}

} // namespace
