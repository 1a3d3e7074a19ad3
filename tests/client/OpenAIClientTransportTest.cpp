#include "ClientFixture.h"

#include <QHostAddress>
#include <QTcpServer>
#include <QTimer>

#include <qcoro/qcorotimer.h>

using std::chrono::milliseconds;

namespace {

class OpenAIClientTransportTest : public ClientFixture {
protected:
    OpenAIClient::Options limited(milliseconds idle, milliseconds overall = milliseconds(60'000)) {
        OpenAIClient::Options result = options();
        result.idleTimeout = idle;
        result.overallTimeout = overall;
        return result;
    }
};

// A completion of 400 letters, sent in chunks of `bytes`.
FakeReply dripped(int bytes, milliseconds interval) {
    FakeReply reply = FakeReply::completion(QString(400, QLatin1Char('a')));
    reply.dripBytes = bytes;
    reply.dripInterval = interval;
    return reply;
}

} // namespace

TEST_F(OpenAIClientTransportTest, CancellingEndsACallAtOnceEvenWhileTheKeyIsRead) {
    fake.setChatReply(FakeReply::of(FakeReply::Kind::hang));
    OpenAIClient client(options());
    CancellationToken token;
    auto call = client.rewrite(job(), token);
    ASSERT_TRUE(fake.waitForRequests(1));
    token.cancel();
    EXPECT_TRUE(expect<RewriteError>(QCoro::waitFor(std::move(call))).isCancellation());
    // Already cancelled: nothing is sent.
    EXPECT_EQ(expect<RewriteError>(run(client, job(), token)).kind, Kind::cancelled);
    EXPECT_EQ(fake.requests().size(), 1);

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
    EXPECT_EQ(fake.requests().size(), 1);
}

TEST_F(OpenAIClientTransportTest, IdleLimitEndsAStalledAnswerButNotASlowModel) {
    OpenAIClient client(limited(milliseconds(300), milliseconds(1500)));
    // A local model thinking for longer than the idle limit before its first byte.
    FakeReply thinking = FakeReply::uppercase();
    thinking.delay = milliseconds(700);
    fake.enqueue(thinking);
    EXPECT_EQ(expect<RewriteResult>(run(client)).text, u"HELLO WORLD"_s);
    // A server that takes the request and never answers: the overall limit ends it.
    fake.enqueue(FakeReply::of(FakeReply::Kind::hang));
    EXPECT_EQ(failure(client).description(),
              u"The request timed out: no complete answer within 1500 ms"_s);
    // Headers, then nothing: the idle limit applies once the answer has begun.
    FakeReply stalled = FakeReply::completion(u"never"_s);
    stalled.declaredLength = stalled.body.size() + 10;
    fake.enqueue(stalled);
    EXPECT_EQ(failure(client).description(), u"The request timed out: no data for 300 ms"_s);
    // Data keeps coming for longer than the idle limit in all: that is fine.
    fake.enqueue(dripped(80, milliseconds(100)));
    EXPECT_EQ(expect<RewriteResult>(run(client)).text, QString(400, QLatin1Char('a')));

    OpenAIClient trickled(limited(milliseconds(300), milliseconds(700)));
    fake.enqueue(dripped(10, milliseconds(50)));
    EXPECT_EQ(failure(trickled).description(),
              u"The request timed out: no complete answer within 700 ms"_s);
}

TEST_F(OpenAIClientTransportTest, AnswersBeyondTheCapAreAbandoned) {
    OpenAIClient standard(options());
    FakeReply huge = FakeReply::answer(200, "{}");
    huge.declaredLength = 8 * 1024 * 1024 + 1;
    fake.enqueue(huge);
    EXPECT_EQ(failure(standard).description(),
              u"The server's answer was too large: more than 8388608 bytes"_s);

    OpenAIClient::Options settings = options();
    settings.maxBodyBytes = 64 * 1024;
    OpenAIClient small(settings);
    // No length announced: counted as it arrives.
    FakeReply endless = FakeReply::answer(500, QByteArray(200 * 1024, 'x'));
    endless.withoutLength = true;
    fake.enqueue(endless);
    EXPECT_EQ(failure(small).kind, Kind::bodyTooLarge);
    fake.enqueue(FakeReply::answer(500, QByteArray(64 * 1024, 'y')));
    EXPECT_TRUE(failure(small).body.endsWith(u"(65536 bytes in all)"_s))
        << "exactly at the cap is still an answer";
}

TEST_F(OpenAIClientTransportTest, LostAndRefusedConnectionsAreToldApart) {
    OpenAIClient client(options());
    FakeReply midBody = FakeReply::completion(u"half of this"_s);
    midBody.kind = FakeReply::Kind::dropMidBody;
    fake.enqueue(midBody);
    EXPECT_EQ(failure(client).kind, Kind::connectionLost);
    // The network layer retries a request that got no answer at all, so every try is dropped.
    fake.setChatReply(FakeReply::of(FakeReply::Kind::dropBeforeAnswer));
    EXPECT_EQ(failure(client).kind, Kind::connectionLost);

    QTcpServer probe;
    ASSERT_TRUE(probe.listen(QHostAddress::LocalHost));
    base = u"http://127.0.0.1:"_s + QString::number(probe.serverPort());
    probe.close();
    const RewriteError refused = failure(client);
    EXPECT_EQ(refused.kind, Kind::notConnected);
    EXPECT_TRUE(refused.description().startsWith(u"Could not connect to the server: "_s));
    // The user's own server is named (the pill says which one could not be reached).
    EXPECT_EQ(refused.server, base);
    const QString server = base;
    base += u"/prefix/"_s;
    EXPECT_EQ(failure(client).server, server);
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

    // prewarm() returns at once and sends the same request in the background.
    OpenAIClient other(settings);
    other.prewarm();
    EXPECT_EQ(tls.requests().size(), 2);
    ASSERT_TRUE(tls.waitForRequests(3));
    EXPECT_EQ(tls.requests().at(2).method, "GET");
    QCoro::waitFor(other.warmUp());

    // Quitting while a warm-up waits on a server that never answers: the sanitizer build
    // reports the warm-up's frame and reply as lost unless the client ends it.
    tls.setChatReply(FakeReply::of(FakeReply::Kind::hang));
    auto quitting = std::make_unique<OpenAIClient>(settings);
    quitting->prewarm();
    ASSERT_TRUE(tls.waitForRequests(5));
    quitting.reset();
}
