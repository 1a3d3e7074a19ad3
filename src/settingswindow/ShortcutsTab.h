#pragma once

#include <QWidget>

class HotkeyRecorderControl;
class QWidget;
class SettingsModel;

// The two global shortcuts, each with its recorder, and the warning when they are the same.
class ShortcutsTab final : public QWidget {
    Q_OBJECT
public:
    explicit ShortcutsTab(SettingsModel& model, QWidget* parent = nullptr);

    static inline const QString clashWarning =
        QStringLiteral("Both shortcuts are the same, so this one won't work.");

private:
    void showModel();

    SettingsModel& m_model;
    HotkeyRecorderControl* m_rewrite = nullptr;
    HotkeyRecorderControl* m_prompt = nullptr;
    QWidget* m_clash = nullptr;
};
