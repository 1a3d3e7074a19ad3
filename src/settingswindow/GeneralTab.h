#pragma once

#include <QWidget>

class KeyStatusView;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class SettingsModel;

// The API key with its save-and-test action, the completion sound and launch at login.
class GeneralTab final : public QWidget {
    Q_OBJECT
public:
    explicit GeneralTab(SettingsModel& model, QWidget* parent = nullptr);

    static inline const QString keyPageAddress =
        QStringLiteral("https://platform.openai.com/api-keys");

private:
    void showModel();

    SettingsModel& m_model;
    QLineEdit* m_key = nullptr;
    QPushButton* m_saveAndTest = nullptr;
    KeyStatusView* m_status = nullptr;
    QCheckBox* m_sound = nullptr;
    QCheckBox* m_launchAtLogin = nullptr;
    QLabel* m_launchProblem = nullptr;
};
