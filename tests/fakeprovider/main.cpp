// palimo-fake-provider [--port N] [--tls]: an OpenAI-compatible server on 127.0.0.1 for system
// tests and benchmarks. Prints its port as the first line of standard output once it listens;
// with --tls, the path of its certificate (PEM) as the second. Scripts change its replies while
// it runs through POST /__control (see FakeProvider.h).
#include "support/FakeProvider.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QTimer>

#include <csignal>
#include <cstdio>

namespace {

volatile std::sig_atomic_t stopRequested = 0;

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addHelpOption();
    parser.addOptions({{"port", "Port (0: any free).", "n", "0"},
                       {"tls", "Serve https with a fresh self-signed certificate."}});
    parser.process(app);
    const bool tls = parser.isSet("tls");
    FakeProvider provider(tls ? FakeProvider::Transport::tls : FakeProvider::Transport::plain);
    if (!provider.listen(static_cast<quint16>(parser.value("port").toUInt()))) {
        std::fprintf(stderr, "cannot listen on 127.0.0.1:%s\n", qPrintable(parser.value("port")));
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
