#include "app/StatusItem.h"
#include "app/MainMenu.h"
#include "settings/KeychainStore.h"
#include "support/FakeEditor.h"
#include "support/FakeSecretStore.h"

#include <QLineEdit>
#include <QMenu>
#include <QTest>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

// (The whole menu, read over D-Bus as a tray host reads it, is the tray system test's.)
TEST(StatusItemTest, TheSetupTitleIsDecidedWhenTheMenuOpens) {
    struct Case {
        bool keyStored;
        bool trusted;
        QString title;
    };
    const Case cases[] = {
        {false, true, StatusItem::finishSetupTitle},
        {true, false, StatusItem::finishSetupTitle},
        {true, true, StatusItem::setupTitle},
    };
    for (const Case& c : cases) {
        FakeSecretStore secrets;
        if (c.keyStored) {
            secrets.put(KeychainStore::serviceName, KeychainStore::accountName, "sk-x");
        }
        KeychainStore keychain(secrets);
        FakePasteboard pasteboard;
        FakeEditor keystrokes(pasteboard);
        keystrokes.available = c.trusted;
        StatusItem item({[] {}, [] {}, [] {}, [] {}}, keychain, keystrokes);
        Q_EMIT item.menu()->aboutToShow();
        QTRY_COMPARE(item.setupItem()->text(), c.title);
    }
}

TEST(MainMenuTest, TheKeyEquivalentsWorkInsideAPalimoWindow) {
    int quits = 0;
    MainMenu menu([] {}, [&quits] { ++quits; });
    QLineEdit window;
    menu.install(&window);
    window.setText(u"some text"_s);
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    QTest::keyClick(&window, Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(window.selectedText(), u"some text"_s);
    QTest::keyClick(&window, Qt::Key_Q,
                    Qt::ControlModifier); // the delegate's quit, which waits for a run
    EXPECT_EQ(quits, 1);
    QTest::keyClick(&window, Qt::Key_H, Qt::ControlModifier);
    EXPECT_FALSE(window.isVisible());
}

} // namespace
