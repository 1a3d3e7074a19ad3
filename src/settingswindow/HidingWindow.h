#pragma once

#include <QObject>
#include <QPointer>

#include <functional>

class QWidget;

// The bookkeeping of a window that is hidden, never destroyed, when the user closes it, so that
// showing it again brings it back as it was; it reports each change between hidden and shown,
// which the application counts to decide whether it shows in the task bar.
class HidingWindow final : public QObject {
    Q_OBJECT
public:
    explicit HidingWindow(QObject* parent = nullptr);

    // Centres the window on the primary screen and watches its close requests from now on.
    void attach(QWidget* window);

    void setOnOpened(std::function<void()> callback) { m_onOpened = std::move(callback); }
    // Runs when a close request hides the window, before the closed report.
    void setOnClosing(std::function<void()> callback) { m_onClosing = std::move(callback); }
    void setOnClosed(std::function<void()> callback) { m_onClosed = std::move(callback); }

    // Shows the window, raised and activated; reports opened only if it was not open.
    void show();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QPointer<QWidget> m_window;
    bool m_open = false;
    std::function<void()> m_onOpened;
    std::function<void()> m_onClosing;
    std::function<void()> m_onClosed;
};
