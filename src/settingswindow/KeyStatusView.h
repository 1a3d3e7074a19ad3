#pragma once

#include "settingswindow/KeyState.h"

#include <QWidget>

class QLabel;
class QProgressBar;

// The line beside "Save and test": nothing, "Checking…" with a busy indicator, "Key works" in
// green, or the failure in red over at most three lines.
class KeyStatusView final : public QWidget {
    Q_OBJECT
public:
    explicit KeyStatusView(QWidget* parent = nullptr);

    void display(const KeyState& state);
    QString text() const;

    static inline const QString checkingText = QStringLiteral("Checking…");
    static inline const QString validText = QStringLiteral("Key works");

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void fitText();

    QProgressBar* m_busy = nullptr;
    QLabel* m_validIcon = nullptr;
    QLabel* m_failedIcon = nullptr;
    QLabel* m_text = nullptr;
};
