// settings-window-bench [REOPENS]: one process's cost of the settings window on the session's
// X display. Prints
//   first MS          - from the request to the window painted, the first time (it is built)
//   again MS          - the same for each later opening of the hidden window, REOPENS times
//   rss before|open|closed KB - resident memory before the first opening, while open, and
//                       after the last close with the event loop idle again
//   private before|open|closed KB - the part of it that is this process's own
// The model runs over the real settings file, keyring and autostart of the session.
#include "client/OpenAIClient.h"
#include "platform/secret/SecretServiceStore.h"
#include "platform/xdg/XdgAutostart.h"
#include "settings/KeychainStore.h"
#include "settings/SettingsStore.h"
#include "settingswindow/SettingsModel.h"
#include "settingswindow/SettingsWindowController.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QFile>
#include <QTimer>
#include <QWidget>

#include <cstdio>
#include <cstring>
#include <utility>

namespace {

long residentKilobytes(const char* field) {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) {
        return -1;
    }
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith(field)) {
            return line.mid(static_cast<qsizetype>(std::strlen(field)))
                .trimmed()
                .split(' ')
                .first()
                .toLong();
        }
    }
    return -1;
}

// All resident pages, and those only this process has: its heap and the shared memory of its
// window's image. The rest are pages of libraries and fonts, shared with other processes and
// given back by the kernel under pressure.
struct Resident {
    long total = 0;
    long ownPages = 0;
};

Resident resident() {
    return {residentKilobytes("VmRSS:"),
            residentKilobytes("RssAnon:") + residentKilobytes("RssShmem:")};
}

// Counts paints of the window's content, which is when the user sees it.
class PaintWatch final : public QObject {
public:
    int paints = 0;
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            ++paints;
        }
        return QObject::eventFilter(watched, event);
    }
};

void settle(int milliseconds) {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < milliseconds) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
}

// Milliseconds from show() to the first paint of the window afterwards.
double openAndWait(SettingsWindowController& controller, PaintWatch& watch) {
    QElapsedTimer timer;
    timer.start();
    const int before = watch.paints;
    controller.show();
    if (before == 0 && controller.window() != nullptr) {
        controller.window()->installEventFilter(&watch);
    }
    while (watch.paints == before && timer.elapsed() < 5000) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
    }
    return static_cast<double>(timer.nsecsElapsed()) / 1e6;
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const int reopens = argc > 1 ? QByteArray(argv[1]).toInt() : 20;
    SecretServiceStore secrets;
    KeychainStore keychain(secrets);
    OpenAIClient client;
    XdgAutostart autostart(QCoreApplication::applicationFilePath());
    SettingsModel model(SettingsStore::shared(), keychain, client, autostart);
    SettingsWindowController controller(model);
    PaintWatch watch;
    settle(200);

    const Resident before = resident();
    std::printf("first %.2f\n", openAndWait(controller, watch));
    settle(100);
    const Resident open = resident();
    for (int i = 0; i < reopens; ++i) {
        controller.window()->close();
        settle(20);
        std::printf("again %.2f\n", openAndWait(controller, watch));
        settle(20);
    }
    controller.window()->close();
    settle(300);
    const Resident closed = resident();
    for (const auto& [name, value] :
         {std::pair{"before", before}, std::pair{"open", open}, std::pair{"closed", closed}}) {
        std::printf("rss %s %ld\nprivate %s %ld\n", name, value.total, name, value.ownPages);
    }
    return 0;
}
