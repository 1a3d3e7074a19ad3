// palimo-fake-provider [--tls]: an OpenAI-compatible server on a free port of 127.0.0.1 for
// system tests and benchmarks. Prints its port as the first line of standard output once it
// listens; with --tls, the path of its certificate (PEM) as the second. Scripts change its
// replies while it runs through POST /__control (see FakeProvider.h).
#include "support/FakeProvider.h"

#include <QCoreApplication>
#include <QTimer>

#include <csignal>
#include <cstdio>

namespace {

volatile std::sig_atomic_t stopRequested = 0;

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
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

    // Ending through the event loop on SIGTERM or SIGINT removes the certificate folder.
    for (const int signal : {SIGTERM, SIGINT}) {
        std::signal(signal, [](int) { stopRequested = 1; });
    }
    QTimer stopWatch;
    QObject::connect(&stopWatch, &QTimer::timeout, &app, [] {
        if (stopRequested != 0) {
            QCoreApplication::quit();
        }
    });
    stopWatch.start(100);
    return app.exec();
}
