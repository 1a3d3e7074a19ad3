#pragma once

#include <QWidget>

class QPlainTextEdit;
class SettingsModel;

// The default instructions sent with every rewrite, and the way back to the built-in ones.
class RewritingTab final : public QWidget {
    Q_OBJECT
public:
    explicit RewritingTab(SettingsModel& model, QWidget* parent = nullptr);

private:
    void showModel();

    SettingsModel& m_model;
    QPlainTextEdit* m_editor = nullptr;
};
