#pragma once

#include <QWidget>

class KeyStatusView;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class SettingsModel;

// The API key with its save-and-test action, the server and model it is tested against, the
// completion sound and launch at login.
class GeneralTab final : public QWidget {
    Q_OBJECT
public:
    explicit GeneralTab(SettingsModel& model, QWidget* parent = nullptr);

    static inline const QString keyPageAddress =
        QStringLiteral("https://platform.openai.com/api-keys");

private:
    QGroupBox* makeServerGroup();
    // Nothing when this session lets Palimo do everything.
    QGroupBox* makeSessionGroup();
    void showModel();
    void showServer();

    SettingsModel& m_model;
    QLineEdit* m_key = nullptr;
    QPushButton* m_saveAndTest = nullptr;
    KeyStatusView* m_status = nullptr;
    QLineEdit* m_server = nullptr;
    QLabel* m_keyFooter = nullptr;
    QLabel* m_serverProblem = nullptr;
    QComboBox* m_modelName = nullptr;
    QLabel* m_overrides = nullptr;
    QCheckBox* m_sound = nullptr;
    QCheckBox* m_launchAtLogin = nullptr;
    QLabel* m_launchProblem = nullptr;
};
