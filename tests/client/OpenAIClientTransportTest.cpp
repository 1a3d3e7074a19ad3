#include "ClientFixture.h"

#include <QHostAddress>
#include <QTcpServer>
#include <QTimer>

#include <qcoro/qcorotimer.h>

using Kind = RewriteError::Kind;
using std::chrono::milliseconds;

namespace {

class OpenAIClientTransportTest : public ClientFixture {};

// A long completion body, so that dripping it takes a while.
FakeReply dripped(int bytes, milliseconds interval) {
    FakeReply reply = FakeReply::completion(QString(400, QLatin1Char('a')));
    reply.dripBytes = bytes;
    reply.dripInterval = interval;
    return reply;
}

} // namespace

TEST_F(OpenAIClientTransportTest, CancellingEndsACallInFlightAsCancelled) {
    fake.setChatReply(FakeReply::of(FakeReply::Kind::hang));
    OpenAIClient client(options());
    CancellationToken token;
    auto call = client.rewrite(job(), token);
    ASSERT_TRUE(fake.waitForRequests(1));
    token.cancel();
    const RewriteError error = errorOf(QCoro::waitFor(std::move(call)));
    EXPECT_EQ(error.kind, Kind::cancelled);
    EXPECT_TRUE(error.isCancellation());

    // Already cancelled: nothing is sent.
    EXPECT_EQ(errorOf(run(client, job(), token)).kind, Kind::cancelled);
    EXPECT_EQ(fake.requests().size(), 1);
}

TEST_F(OpenAIClientTransportTest, CancellingDoesNotWaitForASlowKeyStore) {
    OpenAIClient::Options settings = options();
    bool keyDelivered = false;
    settings.apiKey = [&keyDelivered]() -> QCoro::Task<std::optional<QString>> {
        co_await QCoro::sleepFor(milliseconds(400));
        keyDelivered = true;
        co_return QStringLiteral("sk-late");
    };
    OpenAIClient client(settings);
    CancellationToken token;
    auto call = client.rewrite(job(), token);
    QTimer::singleShot(20, [token] { token.cancel(); });
    EXPECT_EQ(errorOf(QCoro::waitFor(std::move(call))).kind, Kind::cancelled);
    EXPECT_FALSE(keyDelivered) << "the call waited for the store";

    // The abandoned read finishes on its own and sends nothing.
    QCoro::waitFor(QCoro::sleepFor(milliseconds(500)));
    EXPECT_TRUE(keyDelivered);
    EXPECT_TRUE(fake.requests().isEmpty());
}

TEST_F(OpenAIClientTransportTest, IdleLimitEndsASilentCallButNotASlowOne) {
    OpenAIClient::Options settings = options();
    settings.idleTimeout = milliseconds(300);
    OpenAIClient client(settings);

    fake.enqueue(FakeReply::of(FakeReply::Kind::hang));
    const RewriteError silent = errorOf(run(client, job()));
    EXPECT_EQ(silent.kind, Kind::timedOut);
    EXPECT_EQ(silent.description(), QStringLiteral("The request timed out: no data for 300 ms"));

    // Headers, then nothing: the limit also applies while the body is awaited.
    FakeReply stalled = FakeReply::completion(QStringLiteral("never"));
    stalled.declaredLength = stalled.body.size() + 10;
    fake.enqueue(stalled);
    EXPECT_EQ(errorOf(run(client, job())).kind, Kind::timedOut);

    // Data keeps coming for longer than the idle limit in all: that is fine.
    fake.enqueue(dripped(80, milliseconds(100)));
    EXPECT_EQ(resultOf(run(client, job())).text, QString(400, QLatin1Char('a')));
}

TEST_F(OpenAIClientTransportTest, OverallLimitEndsATrickle) {
    OpenAIClient::Options settings = options();
    settings.idleTimeout = milliseconds(300);
    settings.overallTimeout = milliseconds(700);
    OpenAIClient client(settings);
    fake.enqueue(dripped(10, milliseconds(50)));
    const RewriteError error = errorOf(run(client, job()));
    EXPECT_EQ(error.kind, Kind::timedOut);
    EXPECT_EQ(error.description(),
              QStringLiteral("The request timed out: no complete answer within 700 ms"));
}

TEST_F(OpenAIClientTransportTest, AnswersBeyondTheCapAreAbandoned) {
    // The default cap, exceeded by the announced length alone.
    OpenAIClient standard(options());
    FakeReply huge = FakeReply::answer(200, "{}");
    huge.declaredLength = 8 * 1024 * 1024 + 1;
    fake.enqueue(huge);
    const RewriteError announced = errorOf(run(standard, job()));
    EXPECT_EQ(announced.kind, Kind::bodyTooLarge);
    EXPECT_EQ(announced.description(),
              QStringLiteral("The server's answer was too large: more than 8388608 bytes"));

    OpenAIClient::Options settings = options();
    settings.maxBodyBytes = 64 * 1024;
    OpenAIClient small(settings);
    // No length announced: counted as it arrives.
    FakeReply endless = FakeReply::answer(500, QByteArray(200 * 1024, 'x'));
    endless.withoutLength = true;
    fake.enqueue(endless);
    EXPECT_EQ(errorOf(run(small, job())).kind, Kind::bodyTooLarge);
    // Exactly at the cap is still an answer.
    fake.enqueue(FakeReply::answer(500, QByteArray(64 * 1024, 'y')));
    const RewriteError atCap = errorOf(run(small, job()));
    EXPECT_EQ(atCap.kind, Kind::badResponse);
    EXPECT_EQ(atCap.body.size(), 64 * 1024);
}

TEST_F(OpenAIClientTransportTest, DroppedConnectionsAreLost) {
    OpenAIClient client(options());
    FakeReply midBody = FakeReply::completion(QStringLiteral("half of this"));
    midBody.kind = FakeReply::Kind::dropMidBody;
    fake.enqueue(midBody);
    EXPECT_EQ(errorOf(run(client, job())).kind, Kind::connectionLost);

    // The network layer retries a request that got no answer at all, so every try is dropped.
    fake.setChatReply(FakeReply::of(FakeReply::Kind::dropBeforeAnswer));
    EXPECT_EQ(errorOf(run(client, job())).kind, Kind::connectionLost);
}

TEST_F(OpenAIClientTransportTest, NothingListeningIsNotConnected) {
    QTcpServer probe;
    ASSERT_TRUE(probe.listen(QHostAddress::LocalHost));
    const quint16 closedPort = probe.serverPort();
    probe.close();
    base = QStringLiteral("http://127.0.0.1:") + QString::number(closedPort);
    OpenAIClient client(options());
    const RewriteError error = errorOf(run(client, job()));
    EXPECT_EQ(error.kind, Kind::notConnected);
    EXPECT_TRUE(
        error.description().startsWith(QStringLiteral("Could not connect to the server: ")));
}

TEST_F(OpenAIClientTransportTest, SetCookiesAreNotSentBack) {
    OpenAIClient client(options());
    FakeReply withCookie = FakeReply::completion(QStringLiteral("ok"));
    withCookie.headers.append(
        qMakePair(QByteArray("Set-Cookie"), QByteArray("session=abc; Path=/")));
    fake.enqueue(withCookie);
    resultOf(run(client, job()));
    resultOf(run(client, job()));
    ASSERT_EQ(fake.requests().size(), 2);
    EXPECT_FALSE(fake.requests().at(1).header("Cookie").has_value());
}

class OpenAIClientTlsTest : public ClientFixture {
protected:
    void SetUp() override {}
    FakeProvider tls{FakeProvider::Transport::tls};
};

TEST_F(OpenAIClientTlsTest, TrustsOnlyTheCertificateItWasGiven) {
    ASSERT_TRUE(tls.listen());
    base = tls.baseAddress();

    OpenAIClient untrusting(options());
    const RewriteError refused = errorOf(run(untrusting, job()));
    EXPECT_EQ(refused.kind, Kind::other) << refused.description().toStdString();
    EXPECT_TRUE(tls.requests().isEmpty()) << "the key must not reach an unverified server";

    OpenAIClient::Options settings = options();
    settings.extraCertificates = {tls.certificate()};
    OpenAIClient trusting(settings);
    EXPECT_EQ(resultOf(run(trusting, job(QStringLiteral("secure")))).text,
              QStringLiteral("SECURE"));
}

TEST_F(OpenAIClientTlsTest, WarmUpOpensTheConnectionTheRewriteUses) {
    ASSERT_TRUE(tls.listen());
    base = tls.baseAddress();
    OpenAIClient::Options settings = options();
    settings.extraCertificates = {tls.certificate()};
    OpenAIClient client(settings);

    QCoro::waitFor(client.warmUp());
    ASSERT_EQ(tls.requests().size(), 1);
    const FakeRequest warmUp = tls.requests().first();
    EXPECT_EQ(warmUp.method, "GET");
    EXPECT_EQ(warmUp.path, "/v1/chat/completions");
    EXPECT_FALSE(warmUp.header("Authorization").has_value());
    EXPECT_TRUE(warmUp.body.isEmpty());

    resultOf(run(client, job()));
    ASSERT_EQ(tls.requests().size(), 2);
    EXPECT_EQ(tls.requests().at(1).connection, warmUp.connection);
    EXPECT_EQ(tls.connectionCount(), 1);

    // prewarm() itself returns at once and sends the same request in the background.
    OpenAIClient other(settings);
    other.prewarm();
    EXPECT_EQ(tls.requests().size(), 2);
    ASSERT_TRUE(tls.waitForRequests(3));
    EXPECT_EQ(tls.requests().at(2).method, "GET");
}
