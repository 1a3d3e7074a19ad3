#include "app/StatusItem.h"
#include "app/MainMenu.h"
#include "settings/KeychainStore.h"
#include "support/FakeEditor.h"
#include "support/FakeSecretStore.h"

#include <QAction>
#include <QLineEdit>
#include <QMenu>
#include <QTest>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

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
        StatusItem item({[] {}, [] {}, [] {}}, keychain, keystrokes);
        Q_EMIT item.menu()->aboutToShow();
        QTRY_COMPARE(item.setupItem()->text(), c.title);
        QStringList titles;
        for (const QAction* action : item.menu()->actions()) {
            titles << (action->isSeparator() ? u"-"_s : action->text()) +
                          action->shortcut().toString();
        }
        EXPECT_EQ(titles, (QStringList{c.title, u"Settings…Ctrl+,"_s, u"-"_s, u"About Palimo"_s,
                                       u"-"_s, u"Quit PalimoCtrl+Q"_s}));
    }
}

TEST(MainMenuTest, TheKeyEquivalentsWorkInsideAPalimoWindow) {
    MainMenu menu([] {});
    QLineEdit window;
    menu.install(&window);
    window.setText(u"some text"_s);
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    QTest::keyClick(&window, Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(window.selectedText(), u"some text"_s);
    QTest::keyClick(&window, Qt::Key_H, Qt::ControlModifier);
    EXPECT_FALSE(window.isVisible());
}

} // namespace
