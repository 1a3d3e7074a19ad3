#include "app/MainMenu.h"

#include <QAction>
#include <QApplication>
#include <QWidget>

namespace {

// The focused widget's own editing slot (QLineEdit and QPlainTextEdit have them all).
std::function<void()> toFocused(const char* slot) {
    return [slot] {
        QWidget* focused = QApplication::focusWidget();
        // A button or a list has no such slot: the key does nothing there, without a warning.
        if (focused && focused->metaObject()->indexOfSlot(QByteArray(slot) + "()") >= 0) {
            QMetaObject::invokeMethod(focused, slot);
        }
    };
}

} // namespace

// The keys are spelled out: the standard key bindings come from the platform theme, and some
// themes (the offscreen one, minimal desktops) bind none.
MainMenu::MainMenu(std::function<void()> showAbout, QObject* parent)
    : QObject(parent) {
    add(QStringLiteral("About Palimo"), {}, std::move(showAbout));
    add(QStringLiteral("Hide Palimo"), QKeySequence(Qt::CTRL | Qt::Key_H), [] {
        for (QWidget* window : QApplication::topLevelWidgets()) {
            if (window->isVisible() && window->isWindow()) {
                window->hide();
            }
        }
    });
    add(QStringLiteral("Quit Palimo"), QKeySequence(Qt::CTRL | Qt::Key_Q), &MainMenu::quit);
    add(QStringLiteral("Undo"), QKeySequence(Qt::CTRL | Qt::Key_Z), toFocused("undo"));
    add(QStringLiteral("Redo"), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), toFocused("redo"));
    add(QStringLiteral("Cut"), QKeySequence(Qt::CTRL | Qt::Key_X), toFocused("cut"));
    add(QStringLiteral("Copy"), QKeySequence(Qt::CTRL | Qt::Key_C), toFocused("copy"));
    add(QStringLiteral("Paste"), QKeySequence(Qt::CTRL | Qt::Key_V), toFocused("paste"));
    add(QStringLiteral("Select All"), QKeySequence(Qt::CTRL | Qt::Key_A), toFocused("selectAll"));
}

QAction* MainMenu::add(const QString& title, const QKeySequence& keys,
                       std::function<void()> action) {
    auto* item = new QAction(title, this);
    item->setShortcut(keys);
    item->setShortcutContext(Qt::WindowShortcut);
    connect(item, &QAction::triggered, this, std::move(action));
    m_actions.append(item);
    return item;
}

void MainMenu::quit() {
    QCoreApplication::exit(0);
}

void MainMenu::install(QWidget* window) const {
    window->addActions(m_actions);
}
