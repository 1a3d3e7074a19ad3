#include "settingswindow/SettingsWindowController.h"

#include "settingswindow/SettingsModel.h"
#include "settingswindow/SettingsView.h"

#include <QMainWindow>
#include <QWidget>

#include <algorithm>

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
    m_view = new SettingsView(m_model, window);
    window->setCentralWidget(m_view);
    // Taller only where the General tab also says what this session does not allow.
    m_window->setFixedSize(width, std::max(height, window->sizeHint().height()));
    m_presence.attach(m_window);
}

void SettingsWindowController::show() {
    m_model.refreshUsage();
    if (!m_window) {
        build();
    }
    m_presence.show();
}
