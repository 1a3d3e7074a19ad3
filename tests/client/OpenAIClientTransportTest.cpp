#include "ClientFixture.h"

#include <QHostAddress>
#include <QTcpServer>
#include <QTimer>

#include <qcoro/qcorotimer.h>

using std::chrono::milliseconds;
using OpenAIClientTransportTest = ClientFixture;

TEST_F(OpenAIClientTransportTest, CancellingEndsACallAtOnceEvenWhileTheKeyIsRead) {
    fake.setChatReply(FakeReply{.kind = FakeReply::Kind::hang});
    OpenAIClient client(options());
    CancellationToken token;
    auto call = client.rewrite(job(), token);
    ASSERT_TRUE(fake.waitForRequests(1));
    token.cancel();
    EXPECT_TRUE(expect<RewriteError>(QCoro::waitFor(std::move(call))).isCancellation());
    // Already cancelled: nothing is sent (the count is checked at the end).
    EXPECT_EQ(expect<RewriteError>(run(client, job(), token)).description(),
              u"The request was cancelled."_s);

    // Escape must not wait for a slow secret store, and the late key must not go out.
    OpenAIClient::Options slowKey = options();
    bool keyDelivered = false;
    slowKey.apiKey = [&keyDelivered]() -> QCoro::Task<std::optional<QString>> {
        co_await QCoro::sleepFor(milliseconds(400));
        keyDelivered = true;
        co_return u"sk-late"_s;
    };
    OpenAIClient slow(slowKey);
    CancellationToken escape;
    auto waiting = slow.rewrite(job(), escape);
    QTimer::singleShot(20, [escape] { escape.cancel(); });
    EXPECT_EQ(expect<RewriteError>(QCoro::waitFor(std::move(waiting))).kind, Kind::cancelled);
    EXPECT_FALSE(keyDelivered) << "the call waited for the store";
    QCoro::waitFor(QCoro::sleepFor(milliseconds(500)));
    EXPECT_TRUE(keyDelivered);
    EXPECT_EQ(fake.requests().size(), 1); // only the first call's
}

// (Stalls, slow first bytes, oversized and cut-off answers and refused connections at the real
// limits are rows of hostile-server-test.sh, run against the palimo binary.) An answer exactly at
// the cap is still an answer, and a refused connection names the user's own server for the pill.
TEST_F(OpenAIClientTransportTest, TheCapIsInclusiveAndARefusedServerIsNamed) {
    OpenAIClient::Options settings = options();
    settings.maxBodyBytes = 64 * 1024;
    OpenAIClient client(settings);
    fake.setChatReply(FakeReply::answer(500, QByteArray(64 * 1024, 'y')));
    EXPECT_TRUE(failure(client).body.endsWith(u"(65536 bytes in all)"_s));

    QTcpServer probe;
    ASSERT_TRUE(probe.listen(QHostAddress::LocalHost));
    const QString server = u"http://127.0.0.1:"_s + QString::number(probe.serverPort());
    base = server + u"/prefix/"_s;
    probe.close();
    const RewriteError refused = failure(client);
    EXPECT_EQ(refused.kind, Kind::notConnected);
    EXPECT_EQ(refused.server, server);
}

TEST_F(OpenAIClientTransportTest, TlsTrustsOnlyTheGivenCertificateAndWarmUpOpensTheConnection) {
    FakeProvider tls(FakeProvider::Transport::tls);
    ASSERT_TRUE(tls.listen());
    base = tls.baseAddress();
    OpenAIClient untrusting(options());
    EXPECT_EQ(failure(untrusting).kind, Kind::other);
    EXPECT_TRUE(tls.requests().isEmpty()) << "the key must not reach an unverified server";
    const int refusedConnections = tls.connectionCount();

    OpenAIClient::Options settings = options();
    settings.extraCertificates = {tls.certificate()};
    OpenAIClient client(settings);
    QCoro::waitFor(client.warmUp());
    ASSERT_EQ(tls.requests().size(), 1);
    const FakeRequest warmUp = tls.requests().first();
    EXPECT_EQ(warmUp.method, "GET");
    EXPECT_EQ(warmUp.path, "/v1/chat/completions");
    EXPECT_FALSE(warmUp.header("Authorization").has_value());
    EXPECT_EQ(expect<RewriteResult>(run(client, job(u"secure"_s))).text, u"SECURE"_s);
    ASSERT_EQ(tls.requests().size(), 2);
    EXPECT_EQ(tls.requests().at(1).connection, warmUp.connection);
    EXPECT_EQ(tls.connectionCount(), refusedConnections + 1);

    // prewarm() returns at once and sends the same request in the background. Quitting while
    // it waits for the answer: the sanitizer build reports the warm-up's frame and reply as lost
    // unless the client ends it.
    auto quitting = std::make_unique<OpenAIClient>(settings);
    quitting->prewarm();
    EXPECT_EQ(tls.requests().size(), 2);
    ASSERT_TRUE(tls.waitForRequests(3));
    quitting.reset();
}
