#include "app/SignalWatcher.h"

#include "base/Log.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace {

// A signal handler may only do async-signal-safe work: it writes the signal number into a pipe
// and the event loop reads it.
int wakePipe[2] = {-1, -1};

void onSignal(int number) {
    const char byte = static_cast<char>(number);
    [[maybe_unused]] const ssize_t ignored = ::write(wakePipe[1], &byte, 1);
}

constexpr int watched[] = {SIGTERM, SIGINT, SIGHUP};

} // namespace

SignalWatcher::SignalWatcher(std::function<void()> onReload, QObject* parent)
    : QObject(parent)
    , m_onReload(std::move(onReload)) {
    if (::pipe2(wakePipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        Log::error(QStringLiteral("Could not watch for SIGTERM, SIGINT and SIGHUP."));
        return;
    }
    m_notifier = new QSocketNotifier(wakePipe[0], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &SignalWatcher::drain);
    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int number : watched) {
        sigaction(number, &action, nullptr);
    }
}

SignalWatcher::~SignalWatcher() {
    for (const int number : watched) {
        std::signal(number, SIG_DFL);
    }
    if (wakePipe[0] >= 0) {
        ::close(wakePipe[0]);
        ::close(wakePipe[1]);
    }
    wakePipe[0] = wakePipe[1] = -1;
}

void SignalWatcher::drain() {
    char number = 0;
    bool quit = false;
    bool reload = false;
    while (::read(wakePipe[0], &number, 1) == 1) {
        if (number == SIGHUP) {
            reload = true;
        } else {
            quit = true;
        }
    }
    if (quit) {
        Log::info(QStringLiteral("Quitting on a signal."));
        // exit(), not quit(): quit() is refused while a window stays visible after being asked
        // to close, and the settings window only hides itself, which can leave the pill showing.
        QCoreApplication::exit(0);
    } else if (reload && m_onReload) {
        m_onReload();
    }
}
