// palimo-fake-provider: an OpenAI-compatible server on 127.0.0.1 for system tests and
// benchmarks. Prints its port as the first line of standard output once it listens; with
// --tls, prints the path of its certificate (PEM) as the second line. Its behaviour can be
// changed while it runs through POST /__control (see FakeProvider.h).
#include "support/FakeProvider.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QJsonObject>
#include <QTimer>

#include <csignal>
#include <cstdio>

namespace {

volatile std::sig_atomic_t stopRequested = 0;

void requestStop(int) {
    stopRequested = 1;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("OpenAI-compatible fake provider"));
    parser.addHelpOption();
    const QCommandLineOption port(QStringLiteral("port"), QStringLiteral("Port (0: any free)."),
                                  QStringLiteral("n"), QStringLiteral("0"));
    const QCommandLineOption tls(
        QStringLiteral("tls"), QStringLiteral("Serve https with a fresh self-signed certificate."));
    const QCommandLineOption mode(
        QStringLiteral("mode"),
        QStringLiteral("Chat reply: uppercase, status, null-content, no-usage, invalid-utf8, hang, "
                       "drop, drop-mid."),
        QStringLiteral("mode"), QStringLiteral("uppercase"));
    const QCommandLineOption status(QStringLiteral("status"),
                                    QStringLiteral("Status for --mode status."),
                                    QStringLiteral("code"), QStringLiteral("500"));
    const QCommandLineOption body(QStringLiteral("body"), QStringLiteral("Body for --mode status."),
                                  QStringLiteral("text"));
    const QCommandLineOption delay(QStringLiteral("delay-ms"),
                                   QStringLiteral("Wait before answering."), QStringLiteral("ms"),
                                   QStringLiteral("0"));
    const QCommandLineOption dripBytes(QStringLiteral("drip-bytes"),
                                       QStringLiteral("Send the body in chunks of this size."),
                                       QStringLiteral("n"), QStringLiteral("0"));
    const QCommandLineOption dripInterval(QStringLiteral("drip-interval-ms"),
                                          QStringLiteral("Pause between chunks."),
                                          QStringLiteral("ms"), QStringLiteral("0"));
    const QCommandLineOption modelsStatus(QStringLiteral("models-status"),
                                          QStringLiteral("Status of GET /v1/models."),
                                          QStringLiteral("code"), QStringLiteral("200"));
    parser.addOptions(
        {port, tls, mode, status, body, delay, dripBytes, dripInterval, modelsStatus});
    parser.process(app);

    QJsonObject chat{
        {QStringLiteral("mode"), parser.value(mode)},
        {QStringLiteral("status"), parser.value(status).toInt()},
        {QStringLiteral("delayMs"), parser.value(delay).toInt()},
        {QStringLiteral("dripBytes"), parser.value(dripBytes).toInt()},
        {QStringLiteral("dripIntervalMs"), parser.value(dripInterval).toInt()},
    };
    if (parser.isSet(body)) {
        chat.insert(QStringLiteral("body"), parser.value(body));
    }
    const auto chatReply = FakeReply::fromJson(chat);
    if (!chatReply) {
        std::fprintf(stderr, "unknown --mode %s\n", qPrintable(parser.value(mode)));
        return 2;
    }

    FakeProvider provider(parser.isSet(tls) ? FakeProvider::Transport::tls
                                            : FakeProvider::Transport::plain);
    provider.setChatReply(*chatReply);
    const int models = parser.value(modelsStatus).toInt();
    if (models != 200) {
        provider.setModelsReply(FakeReply::answer(models, R"({"error":{"message":"refused"}})"));
    }
    if (!provider.listen(static_cast<quint16>(parser.value(port).toUInt()))) {
        std::fprintf(stderr, "cannot listen on 127.0.0.1:%s\n", qPrintable(parser.value(port)));
        return 1;
    }
    std::printf("%u\n", static_cast<unsigned>(provider.port()));
    if (parser.isSet(tls)) {
        std::printf("%s\n", qPrintable(provider.certificatePath()));
    }
    std::fflush(stdout);

    // Ending on SIGTERM or SIGINT through the event loop removes the certificate folder.
    std::signal(SIGTERM, requestStop);
    std::signal(SIGINT, requestStop);
    QTimer stopWatch;
    QObject::connect(&stopWatch, &QTimer::timeout, &app, [] {
        if (stopRequested != 0) {
            QCoreApplication::quit();
        }
    });
    stopWatch.start(100);
    return app.exec();
}
