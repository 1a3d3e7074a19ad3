#pragma once

#include <QObject>

#include <functional>

class QSocketNotifier;

// Delivers Unix signals on the main thread: SIGTERM and SIGINT quit the event loop normally (so
// hot-key grabs and clipboard contents are handed back in order), SIGHUP re-reads the settings
// file, the usual meaning for a daemon-like program.
class SignalWatcher final : public QObject {
    Q_OBJECT
public:
    explicit SignalWatcher(std::function<void()> onReload, QObject* parent = nullptr);
    ~SignalWatcher() override;
    SignalWatcher(const SignalWatcher&) = delete;
    SignalWatcher& operator=(const SignalWatcher&) = delete;

private:
    void drain();

    std::function<void()> m_onReload;
    QSocketNotifier* m_notifier = nullptr;
};
