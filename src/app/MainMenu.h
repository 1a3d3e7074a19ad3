#pragma once

#include <QObject>

#include <functional>

class QAction;
class QWidget;

// The application and edit menus' key equivalents, which work inside Palimo's own windows:
// Ctrl+H hides them, Ctrl+Q quits, and the edit keys reach the focused text field even when a
// field would not take them itself. Linux desktops have no global menu bar to show them in,
// so each window gets the actions when it is built.
class MainMenu final : public QObject {
    Q_OBJECT
public:
    // showAbout opens the about box.
    explicit MainMenu(std::function<void()> showAbout, QObject* parent = nullptr);

    // Gives the window every key equivalent.
    void install(QWidget* window) const;
    const QList<QAction*>& actions() const { return m_actions; }

    // Ends the event loop at once. QCoreApplication::quit() would first ask every visible
    // window to close, and Palimo's windows only hide, which cancels the quit; closing the
    // guide that way would also count it as completed.
    static void quit();

private:
    QAction* add(const QString& title, const QKeySequence& keys, std::function<void()> action);

    QList<QAction*> m_actions;
};
