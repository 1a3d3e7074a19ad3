#include "settingswindow/SettingsWindowController.h"

#include "settingswindow/SettingsModel.h"
#include "settingswindow/SettingsView.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QMainWindow>
#include <QScreen>
#include <QWidget>

SettingsWindowController::SettingsWindowController(SettingsModel& model, QObject* parent)
    : QObject(parent)
    , m_model(model) {}

SettingsWindowController::~SettingsWindowController() {
    delete m_window;
}

QWidget* SettingsWindowController::window() const {
    return m_window;
}

bool SettingsWindowController::isVisible() const {
    return m_window && m_window->isVisible();
}

void SettingsWindowController::build() {
    // A main window, so screen readers meet it as an application's frame.
    auto* window =
        new QMainWindow(nullptr, Qt::Window | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                                     Qt::WindowMinimizeButtonHint);
    m_window = window;
    m_window->setWindowTitle(title);
    m_window->setObjectName(QStringLiteral("PalimoSettings"));
    m_window->setFixedSize(width, height);
    m_view = new SettingsView(m_model, window);
    window->setCentralWidget(m_view);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect frame(QPoint(), m_window->size());
        frame.moveCenter(screen->availableGeometry().center());
        m_window->move(frame.topLeft());
    }
    m_window->installEventFilter(this);
}

void SettingsWindowController::show() {
    m_model.refreshUsage();
    if (!m_window) {
        build();
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

bool SettingsWindowController::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_window && event->type() == QEvent::Close) {
        // Hidden, not destroyed: the next show() brings back this window as it was.
        event->ignore();
        m_window->hide();
        if (m_open) {
            m_open = false;
            if (m_onClosed) {
                m_onClosed();
            }
        }
        return true;
    }
    return QObject::eventFilter(watched, event);
}
