#pragma once

#include "settingswindow/HidingWindow.h"

#include <QObject>
#include <QPointer>

#include <functional>

class SettingsModel;
class SettingsView;
class QWidget;

// Owns the "Palimo Settings" window: built on the first show(), hidden (never destroyed) on
// close, so the next show() brings back the same window in the same state. Main thread only.
class SettingsWindowController final : public QObject {
    Q_OBJECT
public:
    static inline const QString title = QStringLiteral("Palimo Settings");
    static constexpr int width = 560;
    static constexpr int height = 460;

    explicit SettingsWindowController(SettingsModel& model, QObject* parent = nullptr);
    ~SettingsWindowController() override;

    // Called when the window goes from hidden to shown, and back; the application counts its
    // open windows with them to decide whether it shows in the task bar.
    void setOnOpened(std::function<void()> callback) {
        m_presence.setOnOpened(std::move(callback));
    }
    void setOnClosed(std::function<void()> callback) {
        m_presence.setOnClosed(std::move(callback));
    }

    // Brings the window to the front, building it the first time.
    void show();
    bool isVisible() const;
    // Null until the first show().
    QWidget* window() const;
    SettingsView* view() const { return m_view; }

private:
    void build();

    SettingsModel& m_model;
    QPointer<QWidget> m_window;
    SettingsView* m_view = nullptr;
    HidingWindow m_presence;
};
