// Measures, against palimo-fake-provider on loopback:
//  1. the client's own overhead per rewrite: the median of OpenAIClient::rewrite() against a
//     zero-delay server, minus the median of a bare QNetworkAccessManager POST of the same body;
//     plus the CPU time of building the body and reading the answer alone;
//  2. the latency of the first rewrite of a fresh client over TLS, cold and after prewarm(),
//     with the number of connections the server saw for it.
#include "client/ChatCompletion.h"
#include "client/ModelSetting.h"
#include "client/OpenAIClient.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QProcess>
#include <QSslConfiguration>

#include <qcoro/qcoronetworkreply.h>
#include <qcoro/qcorotimer.h>

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace std::chrono_literals;

namespace {

struct Server {
    QProcess process;
    QString base;
    QSslCertificate certificate;
};

bool start(Server& server, bool tls) {
    QStringList arguments;
    if (tls) {
        arguments << QStringLiteral("--tls");
    }
    server.process.start(QStringLiteral(FAKE_PROVIDER), arguments);
    const int lines = tls ? 2 : 1;
    QStringList output;
    while (output.size() < lines) {
        if (!server.process.waitForReadyRead(10'000)) {
            return false;
        }
        while (server.process.canReadLine() && output.size() < lines) {
            output << QString::fromUtf8(server.process.readLine()).trimmed();
        }
    }
    server.base =
        (tls ? QStringLiteral("https://127.0.0.1:") : QStringLiteral("http://127.0.0.1:")) +
        output.at(0);
    if (tls) {
        QFile pem(output.at(1));
        if (!pem.open(QIODevice::ReadOnly)) {
            return false;
        }
        server.certificate = QSslCertificate(pem.readAll());
    }
    return true;
}

OpenAIClient::Options optionsFor(const Server& server) {
    OpenAIClient::Options options;
    options.apiKey = []() -> QCoro::Task<std::optional<QString>> {
        co_return QStringLiteral("sk-bench");
    };
    const QString base = server.base;
    options.baseAddress = [base] { return base; };
    options.model = [] { return QString::fromLatin1(ModelSetting::defaultModel); };
    if (!server.certificate.isNull()) {
        options.extraCertificates = {server.certificate};
    }
    return options;
}

RewriteRequest sampleJob() {
    RewriteRequest request;
    request.text =
        QStringLiteral("Hey, can you send me the report by friday? thanks, and sorry for "
                       "the short notice - the client moved the meeting up.\n");
    request.instructions = QStringLiteral("Fix grammar and spelling. Keep the tone.");
    return request;
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.at(values.size() / 2);
}

double percentile(std::vector<double> values, double p) {
    std::sort(values.begin(), values.end());
    return values.at(static_cast<size_t>(p * static_cast<double>(values.size() - 1)));
}

double msSince(const QElapsedTimer& timer) {
    return static_cast<double>(timer.nsecsElapsed()) / 1e6;
}

QCoro::Task<double> timedRewrite(OpenAIClient& client, const RewriteRequest& job) {
    QElapsedTimer timer;
    timer.start();
    const RewriteOutcome outcome = co_await client.rewrite(job);
    const double elapsed = msSince(timer);
    if (const auto* error = std::get_if<RewriteError>(&outcome)) {
        std::fprintf(stderr, "rewrite failed: %s\n", qPrintable(error->description()));
        co_return -1.0;
    }
    co_return elapsed;
}

QCoro::Task<double> timedBarePost(QNetworkAccessManager& manager, const QUrl& url,
                                  const QByteArray& body) {
    QElapsedTimer timer;
    timer.start();
    QNetworkRequest request(url);
    request.setHeader(QNetworkRequest::ContentTypeHeader, QByteArrayLiteral("application/json"));
    request.setRawHeader("Authorization", "Bearer sk-bench");
    QNetworkReply* reply = manager.post(request, body);
    co_await reply;
    const QByteArray answer = reply->readAll();
    reply->deleteLater();
    co_return answer.isEmpty() ? -1 : msSince(timer);
}

QCoro::Task<int> connectionsSeen(QNetworkAccessManager& manager, const Server& server) {
    QNetworkRequest request(QUrl(server.base + QStringLiteral("/__stats")));
    if (!server.certificate.isNull()) {
        QSslConfiguration ssl = QSslConfiguration::defaultConfiguration();
        ssl.addCaCertificates({server.certificate});
        request.setSslConfiguration(ssl);
    }
    QNetworkReply* reply = manager.get(request);
    co_await reply;
    const int count = QJsonDocument::fromJson(reply->readAll())
                          .object()
                          .value(QStringLiteral("connections"))
                          .toInt();
    reply->deleteLater();
    co_return count;
}

QCoro::Task<int> overhead(const Server& server) {
    const RewriteRequest job = sampleJob();
    const int rounds = 400;
    OpenAIClient client(optionsFor(server));
    QNetworkAccessManager bare;
    const QUrl url(server.base + QStringLiteral("/v1/chat/completions"));
    const QByteArray body =
        ChatCompletion::requestBody(job, QString::fromLatin1(ModelSetting::defaultModel));
    std::vector<double> viaClient;
    std::vector<double> viaBare;
    for (int i = 0; i < 20; ++i) { // connections up, caches warm
        co_await timedRewrite(client, job);
        co_await timedBarePost(bare, url, body);
    }
    for (int i = 0; i < rounds; ++i) { // interleaved, so drift hits both alike
        const double a = co_await timedRewrite(client, job);
        const double b = co_await timedBarePost(bare, url, body);
        if (a < 0 || b < 0) {
            co_return 1;
        }
        viaClient.push_back(a);
        viaBare.push_back(b);
    }

    QElapsedTimer cpu;
    const int cpuRounds = 20'000;
    const QByteArray answer =
        R"({"id":"x","object":"chat.completion","choices":[{"index":0,"message":{"role":"assistant","content":"Hey, could you send me the report by Friday? Thanks, and sorry for the short notice: the client moved the meeting up."},"finish_reason":"stop"}],"usage":{"prompt_tokens":230,"completion_tokens":28,"total_tokens":258}})";
    cpu.start();
    qsizetype sink = 0;
    for (int i = 0; i < cpuRounds; ++i) {
        sink += ChatCompletion::requestBody(job, QString::fromLatin1(ModelSetting::defaultModel))
                    .size();
        sink += std::get<RewriteResult>(ChatCompletion::decodeAnswer(answer)).text.size();
    }
    const double cpuUs = static_cast<double>(cpu.nsecsElapsed()) / 1e3 / cpuRounds;

    std::printf("Loopback, zero-delay fake over http, %d rewrites (median / p90):\n", rounds);
    std::printf("  OpenAIClient::rewrite      %.3f ms / %.3f ms\n", median(viaClient),
                percentile(viaClient, 0.9));
    std::printf("  bare QNAM POST, same body  %.3f ms / %.3f ms\n", median(viaBare),
                percentile(viaBare, 0.9));
    std::printf("  client overhead (median difference)  %.3f ms\n",
                median(viaClient) - median(viaBare));
    std::printf("  body build + answer decode, CPU only   %.1f us per rewrite (%lld)\n", cpuUs,
                static_cast<long long>(sink % 10));
    co_return 0;
}

QCoro::Task<int> firstCall(const Server& server) {
    const RewriteRequest job = sampleJob();
    const int trials = 25;
    QNetworkAccessManager statsManager;
    co_await connectionsSeen(statsManager, server); // its own connection is counted once
    {
        OpenAIClient discard(optionsFor(server)); // one-off TLS and trust-store set-up
        co_await timedRewrite(discard, job);
    }
    std::vector<double> cold;
    std::vector<double> warm;
    std::vector<double> second;
    int coldConnections = 0;
    int warmConnections = 0;
    for (int i = 0; i < trials; ++i) {
        {
            const int before = co_await connectionsSeen(statsManager, server);
            OpenAIClient client(optionsFor(server));
            cold.push_back(co_await timedRewrite(client, job));
            coldConnections += co_await connectionsSeen(statsManager, server) - before;
        }
        {
            const int before = co_await connectionsSeen(statsManager, server);
            OpenAIClient client(optionsFor(server));
            client.prewarm();
            co_await QCoro::sleepFor(250ms); // the user has not pressed the hotkey yet
            warm.push_back(co_await timedRewrite(client, job));
            warmConnections += co_await connectionsSeen(statsManager, server) - before;
            second.push_back(co_await timedRewrite(client, job));
        }
    }
    if (std::find(cold.begin(), cold.end(), -1.0) != cold.end() ||
        std::find(warm.begin(), warm.end(), -1.0) != warm.end()) {
        co_return 1;
    }
    std::printf(
        "First rewrite of a fresh client, TLS fake on loopback, %d trials (median / p90):\n",
        trials);
    std::printf("  without warm-up  %.3f ms / %.3f ms  (%.2f connections per trial)\n",
                median(cold), percentile(cold, 0.9), double(coldConnections) / trials);
    std::printf(
        "  after prewarm()  %.3f ms / %.3f ms  (%.2f connections per trial, warm-up included)\n",
        median(warm), percentile(warm, 0.9), double(warmConnections) / trials);
    std::printf("  second rewrite   %.3f ms / %.3f ms  (same client, for comparison)\n",
                median(second), percentile(second, 0.9));
    co_return 0;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    Server plain;
    Server tls;
    if (!start(plain, false) || !start(tls, true)) {
        std::fprintf(stderr, "cannot start %s\n", FAKE_PROVIDER);
        return 1;
    }
    int status = QCoro::waitFor(overhead(plain));
    if (status == 0) {
        status = QCoro::waitFor(firstCall(tls));
    }
    plain.process.terminate();
    tls.process.terminate();
    plain.process.waitForFinished();
    tls.process.waitForFinished();
    return status;
}
