// palimo-fake-provider [--tls]: an OpenAI-compatible server on a free port of 127.0.0.1 for
// system tests and benchmarks. Prints its port as the first line of standard output once it
// listens; with --tls, the path of its certificate (PEM) as the second. Scripts change its
// replies while it runs through POST /__control (see FakeProvider.h).
#include "support/FakeProvider.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <csignal>
#include <cstdio>
#include <sys/signalfd.h>

int main(int argc, char** argv) {
    // SIGTERM and SIGINT end the event loop, so the certificate folder is removed; blocked
    // before any thread starts, they arrive only through the descriptor.
    sigset_t stop;
    sigemptyset(&stop);
    sigaddset(&stop, SIGTERM);
    sigaddset(&stop, SIGINT);
    pthread_sigmask(SIG_BLOCK, &stop, nullptr);
    QCoreApplication app(argc, argv);
    QSocketNotifier stopped(signalfd(-1, &stop, SFD_CLOEXEC), QSocketNotifier::Read);
    QObject::connect(&stopped, &QSocketNotifier::activated, &app, &QCoreApplication::quit);

    const bool tls = app.arguments().contains(QStringLiteral("--tls"));
    FakeProvider provider(tls ? FakeProvider::Transport::tls : FakeProvider::Transport::plain);
    if (!provider.listen()) {
        std::fprintf(stderr, "cannot listen on 127.0.0.1\n");
        return 1;
    }
    std::printf("%u\n", static_cast<unsigned>(provider.port()));
    if (tls) {
        std::printf("%s\n", qPrintable(provider.certificatePath()));
    }
    std::fflush(stdout);
    return app.exec();
}
