#include "settingswindow/SettingsWindowFixture.h"

#include "settingswindow/PresetsTab.h"
#include "settingswindow/SettingsView.h"
#include "settingswindow/SettingsWindowController.h"

#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStackedWidget>
#include <QTabWidget>

namespace {

// The visible widget of a type with this accessible name or text.
template <typename W> W* find(QWidget* root, const QString& name) {
    for (W* widget : root->findChildren<W*>()) {
        QString text = widget->accessibleName();
        if constexpr (std::is_base_of_v<QAbstractButton, W>) {
            text = text.isEmpty() ? widget->text() : text;
        }
        if (text == name) {
            return widget;
        }
    }
    ADD_FAILURE() << "no widget named " << name.toStdString();
    return nullptr;
}

class SettingsViewsTest : public SettingsWindowFixture {
protected:
    QWidget* open() {
        if (!controller) {
            controller = std::make_unique<SettingsWindowController>(model());
            controller->setOnOpened([this] { ++opened; });
            controller->setOnClosed([this] { ++closed; });
        }
        controller->show();
        return controller->window();
    }
    QWidget* tab(int index) {
        QTabWidget* tabs = controller->view()->tabs();
        tabs->setCurrentIndex(index);
        return tabs->currentWidget();
    }

    // A key press as X delivers it: the position's X key code and the held modifiers. The
    // recorder listens to the whole application, whatever has the focus.
    void press(int xKeyCode, Qt::KeyboardModifiers modifiers, Qt::Key key = Qt::Key_A) {
        QKeyEvent event(QEvent::KeyPress, key, modifiers, static_cast<quint32>(xKeyCode), 0, 0);
        QApplication::sendEvent(controller->window(), &event);
    }

    std::unique_ptr<SettingsWindowController> controller;
    int opened = 0;
    int closed = 0;
};

TEST_F(SettingsViewsTest, TheWindowIsBuiltOnceAndItsInstructionsEditorWritesOnlyWhatWasTyped) {
    // A non-breaking space must survive being shown (QPlainTextEdit's plain text loses it).
    store.setInstructions(u"Keep 10\u00a0km as it is."_s);
    QWidget* window = open();
    open(); // already visible: brought to the front, not counted again
    EXPECT_EQ(opened, 1);
    window->close();
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(closed, 1);
    EXPECT_EQ(open(), window);
    EXPECT_EQ(opened, 2);
    QWidget* rewriting = tab(2);
    EXPECT_EQ(store.instructions(), u"Keep 10\u00a0km as it is."_s);
    rewriting->findChild<QPlainTextEdit*>()->appendPlainText(u"More."_s);
    EXPECT_EQ(store.instructions(), u"Keep 10\u00a0km as it is.\nMore."_s);
    find<QPushButton>(rewriting, u"Reset to default"_s)->click();
    EXPECT_FALSE(onDisk().value(u"instructions"_s).toString().contains(u"More."_s));
}

// (The server field, the key test and a typed model are driven through the real window by the
// settings system test.) The offered models can be picked, and a blank model is the default again.
TEST_F(SettingsViewsTest, TheOfferedModelsCanBePicked) {
    QWidget* general = (open(), tab(0));
    provider.setModelsReply(FakeReply::answer(200, R"({"data":[{"id":"llama3.2"}]})"));
    find<QPushButton>(general, u"Save and test"_s)->click();
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return model().keyState().kind != KeyState::Kind::checking; }));
    auto* models = find<QComboBox>(general, u"Model"_s);
    ASSERT_EQ(models->count(), 1);
    Q_EMIT models->textActivated(models->itemText(0));
    EXPECT_EQ(onDisk().value(u"model"_s), u"llama3.2"_s);
    models->lineEdit()->setText(u"  "_s); // blank: back to the default
    Q_EMIT models->lineEdit()->editingFinished();
    EXPECT_FALSE(onDisk().contains(u"model"_s));
    EXPECT_EQ(models->count(), 1);
}

// (Recording real key presses on three layouts, the clash warning and Escape are the settings
// system test's.)
TEST_F(SettingsViewsTest, RecordingSuspendsShortcutsAndEndsWithTheTabOrTheOtherRecorder) {
    QWidget* shortcuts = (open(), tab(1));
    auto* recorder = find<QPushButton>(shortcuts, u"Rewrite the selection"_s);
    recorder->click();
    EXPECT_EQ(recordings, QList<bool>{true});
    // X key code 35 is the ] position; on a German layout it types +, still stored as ].
    press(35, Qt::ControlModifier | Qt::AltModifier, Qt::Key_Plus);
    EXPECT_EQ(model().rewriteHotkey(), (HotkeyCombo{30, 0xC0000}));
    EXPECT_EQ(recordings, (QList<bool>{true, false}));
    // Registered again whatever the order of the store and the end of recording.
    EXPECT_EQ(hotkeyChanges, 1);

    auto* prompt = find<QPushButton>(shortcuts, u"Rewrite with my own instructions"_s);
    prompt->click();
    press(35, Qt::ControlModifier | Qt::AltModifier);
    // Starting the other recorder ends the first; switching tabs ends recording altogether.
    prompt->click();
    recorder->click();
    EXPECT_EQ(prompt->text(), u"⌃⌥]"_s);
    tab(2);
    EXPECT_EQ(recordings.mid(4), (QList<bool>{true, false, true, false}));
}

TEST_F(SettingsViewsTest, StylesTabEditsTheSelectedPresetAndKeepsTheList) {
    // (Adding, renaming to nothing and removing are the settings system test's.)
    auto* styles = qobject_cast<PresetsTab*>((open(), tab(3)));
    auto* list = styles->findChild<QListWidget*>();
    auto* editor = styles->findChild<QStackedWidget*>();
    EXPECT_FALSE(find<QPushButton>(styles, u"Remove style"_s)->isEnabled());
    find<QPushButton>(styles, u"Add style"_s)->click();
    list->model()->moveRow(QModelIndex(), 3, QModelIndex(), 0); // what a drag does
    EXPECT_EQ(store.presets().first().id, styles->selection());

    list->setFocus();
    QKeyEvent del(QEvent::KeyPress, Qt::Key_Delete, Qt::NoModifier);
    QApplication::sendEvent(list, &del);
    EXPECT_EQ(store.presets(), StylePreset::builtIns());
    EXPECT_TRUE(showsText(editor, PresetsTab::noSelection));

    list->setCurrentRow(1);
    find<QPushButton>(styles, u"Restore defaults"_s)->click();
    EXPECT_TRUE(styles->selection().isNull());
    EXPECT_EQ(list->count(), 3);
}

} // namespace
