#include "app/MainMenu.h"

#include <QAction>
#include <QApplication>
#include <QWidget>

namespace {

// The focused widget's own editing slot (QLineEdit and QPlainTextEdit have them all).
std::function<void()> toFocused(const char* slot) {
    return [slot] {
        if (QWidget* focused = QApplication::focusWidget()) {
            QMetaObject::invokeMethod(focused, slot);
        }
    };
}

} // namespace

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
    add(QStringLiteral("Quit Palimo"), QKeySequence::Quit, &MainMenu::quit);
    add(QStringLiteral("Undo"), QKeySequence::Undo, toFocused("undo"));
    add(QStringLiteral("Redo"), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), toFocused("redo"));
    add(QStringLiteral("Cut"), QKeySequence::Cut, toFocused("cut"));
    add(QStringLiteral("Copy"), QKeySequence::Copy, toFocused("copy"));
    add(QStringLiteral("Paste"), QKeySequence::Paste, toFocused("paste"));
    add(QStringLiteral("Select All"), QKeySequence::SelectAll, toFocused("selectAll"));
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
