#pragma once

#include "onboarding/OnboardingLook.h"
#include "settingswindow/HidingWindow.h"

#include <QObject>
#include <QPointer>

#include <functional>
#include <memory>

class OnboardingModel;
class OnboardingView;
class QWidget;

// Owns the "Welcome to Palimo" window and its model. Closing the window, at any step, counts
// as completing the guide; the window is hidden, not destroyed, so showing this controller
// again resumes where the user left. Main thread only.
class OnboardingWindowController final : public QObject {
    Q_OBJECT
public:
    static inline const QString title = QStringLiteral("Welcome to Palimo");
    static constexpr int width = 560;
    static constexpr int height = 460;

    OnboardingWindowController(std::unique_ptr<OnboardingModel> model, OnboardingLook look,
                               QObject* parent = nullptr);
    ~OnboardingWindowController() override;

    // Called when the window goes from hidden to shown, and back; the application counts its
    // open windows with them.
    void setOnOpened(std::function<void()> callback) {
        m_presence.setOnOpened(std::move(callback));
    }
    void setOnClosed(std::function<void()> callback) {
        m_presence.setOnClosed(std::move(callback));
    }

    void show();
    void close();
    bool isVisible() const;
    QWidget* window() const;
    OnboardingModel& model() const { return *m_model; }
    OnboardingView* view() const;

private:
    std::unique_ptr<OnboardingModel> m_model;
    QPointer<QWidget> m_window;
    QPointer<OnboardingView> m_view;
    HidingWindow m_presence;
};
