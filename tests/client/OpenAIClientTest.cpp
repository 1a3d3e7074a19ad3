#include "ClientFixture.h"
#include "client/ChatCompletion.h"
#include "client/ProviderAddress.h"
#include "settings/KeychainStore.h"
#include "settings/Preferences.h"
#include "support/FakeSecretStore.h"
#include "support/TempHome.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

using Kind = RewriteError::Kind;

namespace {

class OpenAIClientTest : public ClientFixture {};

QString userContentOf(const FakeRequest& request) {
    return QJsonDocument::fromJson(request.body)
        .object()
        .value(QStringLiteral("messages"))
        .toArray()
        .at(1)
        .toObject()
        .value(QStringLiteral("content"))
        .toString();
}

} // namespace

TEST_F(OpenAIClientTest, RewriteSendsTheExactRequestAndReturnsTheCleanedText) {
    key = QStringLiteral(" sk-abc \n");
    FakeReply reply = FakeReply::uppercase();
    reply.promptTokens = 123;
    reply.completionTokens = 45;
    fake.setChatReply(reply);
    OpenAIClient client(options());
    RewriteRequest request = job(QStringLiteral("  Hello there\n"), QStringLiteral("Formal."));

    const RewriteResult result = resultOf(run(client, request));
    EXPECT_EQ(result.text, QStringLiteral("HELLO THERE"));
    EXPECT_EQ(result.promptTokens, 123);
    EXPECT_EQ(result.completionTokens, 45);

    ASSERT_EQ(fake.requests().size(), 1);
    const FakeRequest& sent = fake.requests().first();
    EXPECT_EQ(sent.method, "POST");
    EXPECT_EQ(sent.path, "/v1/chat/completions");
    EXPECT_EQ(sent.header("Authorization"), QByteArray("Bearer sk-abc"));
    EXPECT_EQ(sent.header("Content-Type"), QByteArray("application/json"));
    EXPECT_FALSE(sent.header("Cookie").has_value());
    EXPECT_EQ(sent.body, ChatCompletion::requestBody(request));
    EXPECT_EQ(userContentOf(sent), QStringLiteral("<text>\n  Hello there\n\n</text>"));
}

TEST_F(OpenAIClientTest, KeyTestSendsTheTrimmedKeyAndReadsTheStatus) {
    OpenAIClient client(options());
    EXPECT_EQ(QCoro::waitFor(client.validateKey(QStringLiteral("  sk-key\n"))), std::nullopt);
    ASSERT_EQ(fake.requests().size(), 1);
    const FakeRequest& sent = fake.requests().first();
    EXPECT_EQ(sent.method, "GET");
    EXPECT_EQ(sent.path, "/v1/models");
    EXPECT_EQ(sent.header("Authorization"), QByteArray("Bearer sk-key"));
    EXPECT_FALSE(sent.header("Content-Type").has_value());
    EXPECT_TRUE(sent.body.isEmpty());

    fake.setModelsReply(FakeReply::answer(401, R"({"error":{"code":"invalid_api_key"}})"));
    const auto rejected = QCoro::waitFor(client.validateKey(QStringLiteral("sk-bad")));
    ASSERT_TRUE(rejected.has_value());
    EXPECT_EQ(rejected->kind, Kind::invalidAPIKey);
    EXPECT_EQ(rejected->description(),
              QStringLiteral("OpenAI rejected this key. Check it was copied in full."));

    fake.setModelsReply(FakeReply::answer(500, "upstream down"));
    const auto broken = QCoro::waitFor(client.validateKey(QStringLiteral("sk-key")));
    ASSERT_TRUE(broken.has_value());
    EXPECT_EQ(broken->kind, Kind::badResponse);
    EXPECT_EQ(broken->description(), QStringLiteral("OpenAI returned HTTP 500: upstream down"));

    fake.setModelsReply(FakeReply::answer(403, "\xff\xfe"));
    const auto forbidden = QCoro::waitFor(client.validateKey(QStringLiteral("sk-key")));
    ASSERT_TRUE(forbidden.has_value());
    EXPECT_EQ(forbidden->description(), QStringLiteral("OpenAI returned HTTP 403: <no body>"));
}

TEST_F(OpenAIClientTest, BlankOrBrokenKeysSendNothing) {
    OpenAIClient client(options());
    for (const std::optional<QString>& stored :
         {std::optional<QString>(), std::optional<QString>(QString()),
          std::optional<QString>(QStringLiteral(" \n\t "))}) {
        key = stored;
        EXPECT_EQ(errorOf(run(client, job())).kind, Kind::missingAPIKey);
    }
    const auto blank = QCoro::waitFor(client.validateKey(QStringLiteral("  \n")));
    ASSERT_TRUE(blank.has_value());
    EXPECT_EQ(blank->kind, Kind::missingAPIKey);

    // A line break inside the key would split the header; it never goes out.
    key = QStringLiteral("sk-one\r\nX-Injected: yes");
    EXPECT_EQ(errorOf(run(client, job())).kind, Kind::other);
    const auto split = QCoro::waitFor(client.validateKey(QStringLiteral("sk-one\nsk-two")));
    ASSERT_TRUE(split.has_value());
    EXPECT_EQ(split->kind, Kind::other);

    EXPECT_FALSE(fake.waitForRequests(1, std::chrono::milliseconds(100)));
    EXPECT_EQ(fake.connectionCount(), 0);
}

TEST_F(OpenAIClientTest, ErrorStatusesCarryTheirBody) {
    OpenAIClient client(options());
    const QByteArray limited = R"({"error":{"message":"Rate limit reached","type":"requests"}})";
    fake.enqueue(FakeReply::answer(429, limited));
    const RewriteError tooMany = errorOf(run(client, job()));
    EXPECT_EQ(tooMany.kind, Kind::badResponse);
    EXPECT_EQ(tooMany.status, 429);
    EXPECT_EQ(tooMany.body, QString::fromUtf8(limited));
    EXPECT_EQ(tooMany.description(),
              QStringLiteral("OpenAI returned HTTP 429: ") + QString::fromUtf8(limited));

    fake.enqueue(FakeReply::answer(500, ""));
    EXPECT_EQ(errorOf(run(client, job())).description(),
              QStringLiteral("OpenAI returned HTTP 500: "));

    // A rejected key during a rewrite is an HTTP error like any other.
    fake.enqueue(FakeReply::answer(401, "no"));
    const RewriteError unauthorised = errorOf(run(client, job()));
    EXPECT_EQ(unauthorised.kind, Kind::badResponse);
    EXPECT_EQ(unauthorised.status, 401);
    EXPECT_EQ(unauthorised.body, QStringLiteral("no"));

    fake.enqueue(FakeReply::answer(502, "bad \xc3\x28 gateway"));
    EXPECT_EQ(errorOf(run(client, job())).body, QStringLiteral("<no body>"));

    // Redirects are answers too, never followed with the key.
    FakeReply moved = FakeReply::answer(307, "");
    moved.headers.append({"Location", fake.baseAddress().toUtf8() + "/elsewhere"});
    fake.enqueue(moved);
    EXPECT_EQ(errorOf(run(client, job())).status, 307);
    EXPECT_EQ(fake.requests().size(), 5);
}

TEST_F(OpenAIClientTest, AnswersAreDecodedStrictly) {
    OpenAIClient client(options());
    fake.enqueue(FakeReply::completion(QJsonValue::Null));
    EXPECT_EQ(errorOf(run(client, job())).kind, Kind::decoding);

    fake.enqueue(FakeReply::completion(QStringLiteral("  <text>\nword\n</text> "), false));
    const RewriteResult bare = resultOf(run(client, job()));
    EXPECT_EQ(bare.text, QStringLiteral("word"));
    EXPECT_EQ(bare.promptTokens, 0);
    EXPECT_EQ(bare.completionTokens, 0);

    fake.enqueue(FakeReply::completion(QStringLiteral("<text>\n \n</text>")));
    EXPECT_EQ(errorOf(run(client, job())).kind, Kind::emptyCompletion);

    fake.enqueue(FakeReply::answer(200, R"({"choices":[]})"));
    EXPECT_EQ(errorOf(run(client, job())).kind, Kind::emptyCompletion);

    fake.enqueue(FakeReply::answer(200, "<html>gateway page</html>"));
    EXPECT_EQ(errorOf(run(client, job())).kind, Kind::decoding);
}

TEST_F(OpenAIClientTest, KeyAndAddressAreReadAtEveryCall) {
    OpenAIClient client(options());
    key = QStringLiteral("sk-first");
    resultOf(run(client, job()));
    key = QStringLiteral("sk-second");
    resultOf(run(client, job()));
    ASSERT_EQ(fake.requests().size(), 2);
    EXPECT_EQ(fake.requests().at(0).header("Authorization"), QByteArray("Bearer sk-first"));
    EXPECT_EQ(fake.requests().at(1).header("Authorization"), QByteArray("Bearer sk-second"));

    base = QStringLiteral("http://10.1.2.3:8080");
    const RewriteError refused = errorOf(run(client, job()));
    EXPECT_EQ(refused.kind, Kind::refusedAddress);
    EXPECT_TRUE(refused.description().startsWith(
        QStringLiteral("Refused to send the API key: \"http://10.1.2.3:8080\" uses plain http")))
        << refused.description().toStdString();
    const auto keyTest = QCoro::waitFor(client.validateKey(QStringLiteral("sk-x")));
    ASSERT_TRUE(keyTest.has_value());
    EXPECT_EQ(keyTest->kind, Kind::refusedAddress);

    base = fake.baseAddress() + QStringLiteral("/prefix/");
    resultOf(run(client, job()));
    EXPECT_EQ(fake.requests().last().path, "/prefix/v1/chat/completions");
    EXPECT_EQ(fake.requests().size(), 3);
}

TEST_F(OpenAIClientTest, DefaultsReachTheServerNamedByTheEnvironmentWithTheStoredKey) {
    TempHome home;
    FakeSecretStore secrets;
    secrets.put(KeychainStore::serviceName, KeychainStore::accountName, " sk-stored\n");
    KeychainStore keychain(secrets);
    KeychainStore::setShared(&keychain);
    qputenv(ProviderAddress::environmentVariable, fake.baseAddress().toUtf8());

    OpenAIClient client;
    const RewriteResult result = resultOf(run(client, job(QStringLiteral("local server"))));
    EXPECT_EQ(result.text, QStringLiteral("LOCAL SERVER"));
    EXPECT_GT(result.promptTokens, 0);
    EXPECT_EQ(result.completionTokens, 2);
    ASSERT_EQ(fake.requests().size(), 1);
    EXPECT_EQ(fake.requests().first().header("Authorization"), QByteArray("Bearer sk-stored"));

    // Without the variable the preference decides, read afresh.
    qunsetenv(ProviderAddress::environmentVariable);
    Preferences(Preferences::defaultFilePath())
        .setText(QStringLiteral("apiBaseURL"), fake.baseAddress() + QStringLiteral("/pref"));
    resultOf(run(client, job()));
    EXPECT_EQ(fake.requests().last().path, "/pref/v1/chat/completions");

    KeychainStore::setShared(nullptr);
    EXPECT_EQ(errorOf(run(client, job())).kind, Kind::missingAPIKey);
}
