#pragma once

#include "onboarding/OnboardingLook.h"

#include <QWidget>

class OnboardingModel;
class QPushButton;
class QVBoxLayout;

// The guide's whole window content: the current step, a divider and the footer with "Back",
// one dot per step and "Continue" (or "Finish"), which Return also presses.
class OnboardingView final : public QWidget {
    Q_OBJECT
public:
    OnboardingView(OnboardingModel& model, OnboardingLook look, QWidget* parent = nullptr);

    QPushButton* backButton() const { return m_back; }
    QPushButton* primaryButton() const { return m_primary; }

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void showModel();
    // The step's content is rebuilt when the step, or the try-out's form, changes.
    int shownForm() const;

    OnboardingModel& m_model;
    OnboardingLook m_look;
    QVBoxLayout* m_stepLayout = nullptr;
    QWidget* m_step = nullptr;
    int m_form = -1;
    QPushButton* m_back = nullptr;
    QPushButton* m_primary = nullptr;
    QWidget* m_dots = nullptr;
};
