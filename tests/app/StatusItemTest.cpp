#include "app/StatusItem.h"
#include "app/MainMenu.h"
#include "settings/KeychainStore.h"
#include "support/FakeEditor.h"
#include "support/FakeSecretStore.h"

#include <QLineEdit>
#include <QMenu>
#include <QTest>

#include <qcoro/qcorotask.h>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

// (The whole menu, read over D-Bus as a tray host reads it, and its setup item with and without
// a key, are the tray system test's.) Where keystrokes cannot be sent, setup is unfinished even
// with a key; that is decided each time the menu opens.
TEST(StatusItemTest, TheSetupIsUnfinishedWhileKeystrokesCannotBeSent) {
    FakeSecretStore secrets;
    secrets.put(KeychainStore::serviceName, KeychainStore::accountName, "sk-x");
    KeychainStore keychain(secrets);
    FakePasteboard pasteboard;
    FakeEditor keystrokes(pasteboard);
    keystrokes.available = false;
    StatusItem item({[] {}, [] {}, [] {}, [] {}}, keychain, keystrokes);
    Q_EMIT item.menu()->aboutToShow();
    QCoro::waitFor(keychain.apiKey()); // the menu's own read of the key has had its turn
    EXPECT_EQ(item.setupItem()->text(), StatusItem::finishSetupTitle);
    keystrokes.available = true;
    Q_EMIT item.menu()->aboutToShow();
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return item.setupItem()->text() == StatusItem::setupTitle; }));
}

TEST(MainMenuTest, TheKeyEquivalentsWorkInsideAPalimoWindow) {
    int quits = 0;
    MainMenu menu([] {}, [&quits] { ++quits; }); // quit: the delegate's, which waits for a run
    QLineEdit window;
    menu.install(&window);
    window.setText(u"some text"_s);
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    QTest::keyClick(&window, Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(window.selectedText(), u"some text"_s);
    QTest::keyClick(&window, Qt::Key_Q, Qt::ControlModifier);
    EXPECT_EQ(quits, 1);
    QTest::keyClick(&window, Qt::Key_H, Qt::ControlModifier);
    EXPECT_FALSE(window.isVisible());
}

} // namespace
