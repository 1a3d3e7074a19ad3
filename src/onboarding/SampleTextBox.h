#pragma once

#include <QPlainTextEdit>

class OnboardingModel;

// The try-out's editable box. It comes up with its whole text selected and focused, so the
// global rewrite shortcut acts on it like on any other application's selection; every change
// (a rewrite's paste, typing, undo) is written to the model.
class SampleTextBox final : public QPlainTextEdit {
    Q_OBJECT
public:
    SampleTextBox(OnboardingModel& model, QWidget* parent = nullptr);

private:
    void showModel();

    OnboardingModel& m_model;
};
