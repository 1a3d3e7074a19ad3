#pragma once

#include <QWidget>

class QLabel;
class QTabWidget;
class SettingsModel;

// The window's content: the four tabs over a one-line usage summary.
class SettingsView final : public QWidget {
    Q_OBJECT
public:
    explicit SettingsView(SettingsModel& model, QWidget* parent = nullptr);

    QTabWidget* tabs() const { return m_tabs; }
    QString usageText() const;

protected:
    // The usage line is brought up to date each time the view comes on screen.
    void showEvent(QShowEvent* event) override;

private:
    SettingsModel& m_model;
    QTabWidget* m_tabs = nullptr;
    QLabel* m_usage = nullptr;
};
