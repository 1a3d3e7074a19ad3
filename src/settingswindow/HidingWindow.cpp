#include "settingswindow/HidingWindow.h"

#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

HidingWindow::HidingWindow(QObject* parent)
    : QObject(parent) {}

void HidingWindow::attach(QWidget* window) {
    m_window = window;
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect frame(QPoint(), window->size());
        frame.moveCenter(screen->availableGeometry().center());
        window->move(frame.topLeft());
    }
    window->installEventFilter(this);
}

void HidingWindow::show() {
    if (!m_window) {
        return;
    }
    if (!m_open) {
        m_open = true;
        if (m_onOpened) {
            m_onOpened();
        }
    }
    m_window->showNormal();
    m_window->raise();
    m_window->activateWindow();
}

bool HidingWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched != m_window || event->type() != QEvent::Close) {
        return QObject::eventFilter(watched, event);
    }
    event->ignore();
    m_window->hide();
    if (m_onClosing) {
        m_onClosing();
    }
    if (m_open) {
        m_open = false;
        if (m_onClosed) {
            m_onClosed();
        }
    }
    return true;
}
