#pragma once

#include <QObject>

#include <functional>

class QSocketNotifier;

// Delivers Unix signals on the main thread: SIGTERM and SIGINT ask to quit (onQuit lets a run in
// progress put the clipboard back first, and the event loop then ends normally so hot-key grabs
// and clipboard contents are handed back in order), SIGHUP re-reads the settings file, the usual
// meaning for a daemon-like program.
class SignalWatcher final : public QObject {
    Q_OBJECT
public:
    SignalWatcher(std::function<void()> onReload, std::function<void()> onQuit,
                  QObject* parent = nullptr);
    ~SignalWatcher() override;
    SignalWatcher(const SignalWatcher&) = delete;
    SignalWatcher& operator=(const SignalWatcher&) = delete;

private:
    void drain();

    std::function<void()> m_onReload;
    std::function<void()> m_onQuit;
    QSocketNotifier* m_notifier = nullptr;
};
