#include "ClientFixture.h"
#include "client/ChatCompletion.h"
#include "client/ProviderAddress.h"
#include "settings/KeychainStore.h"
#include "support/FakeSecretStore.h"
#include "support/TempHome.h"

namespace {

class OpenAIClientTest : public ClientFixture {};

// The kind of failure of a key test; nothing when the key was accepted.
std::optional<Kind> keyTest(OpenAIClient& client, const QString& key) {
    const auto error = QCoro::waitFor(client.validateKey(key));
    return error ? std::optional(error->kind) : std::nullopt;
}

} // namespace

TEST_F(OpenAIClientTest, RewriteSendsTheExactRequestAndReturnsTheCleanedText) {
    key = u" sk-abc \n"_s;
    FakeReply reply = FakeReply::uppercase();
    reply.promptTokens = 123;
    reply.completionTokens = 45;
    fake.setChatReply(reply);
    OpenAIClient client(options());
    const RewriteRequest request = job(u"  Hello there\n"_s);

    const auto result = expect<RewriteResult>(run(client, request));
    EXPECT_EQ(result.text, u"HELLO THERE"_s);
    EXPECT_EQ(result.promptTokens, 123);
    EXPECT_EQ(result.completionTokens, 45);
    ASSERT_EQ(fake.requests().size(), 1);
    const FakeRequest& sent = fake.requests().first();
    EXPECT_EQ(sent.method, "POST");
    EXPECT_EQ(sent.path, "/v1/chat/completions");
    EXPECT_EQ(sent.header("Authorization"), QByteArray("Bearer sk-abc"));
    EXPECT_EQ(sent.header("Content-Type"), QByteArray("application/json"));
    EXPECT_EQ(sent.body, ChatCompletion::requestBody(request));

    // The key is read afresh at every call, and no cookie is kept. A null content is a
    // decoding failure; a missing usage counts no tokens.
    key = u"sk-second"_s;
    FakeReply bare = FakeReply::completion(u"  <text>\nword\n</text> "_s, false);
    bare.headers.append({QByteArray("Set-Cookie"), QByteArray("session=abc; Path=/")});
    fake.enqueue(bare);
    const auto noUsage = expect<RewriteResult>(run(client));
    EXPECT_EQ(noUsage.text, u"word"_s);
    EXPECT_EQ(noUsage.promptTokens + noUsage.completionTokens, 0);
    fake.enqueue(FakeReply::completion(QJsonValue::Null));
    EXPECT_EQ(failure(client).kind, Kind::decoding);
    ASSERT_EQ(fake.requests().size(), 3);
    EXPECT_EQ(fake.requests().at(1).header("Authorization"), QByteArray("Bearer sk-second"));
    EXPECT_FALSE(fake.requests().at(2).header("Cookie").has_value());
}

TEST_F(OpenAIClientTest, KeyTestSendsTheTrimmedKeyAndReadsTheStatus) {
    OpenAIClient client(options());
    EXPECT_EQ(keyTest(client, u"  sk-key\n"_s), std::nullopt);
    ASSERT_EQ(fake.requests().size(), 1);
    const FakeRequest& sent = fake.requests().first();
    EXPECT_EQ(sent.method, "GET");
    EXPECT_EQ(sent.path, "/v1/models");
    EXPECT_EQ(sent.header("Authorization"), QByteArray("Bearer sk-key"));
    EXPECT_FALSE(sent.header("Content-Type").has_value());
    EXPECT_TRUE(sent.body.isEmpty());

    const std::tuple<int, QByteArray, const char*> answers[] = {
        {401, R"({"error":{"code":"invalid_api_key"}})",
         "OpenAI rejected this key. Check it was copied in full."},
        {500, "upstream down", "OpenAI returned HTTP 500: upstream down"},
        {403, "\xff\xfe", "OpenAI returned HTTP 403: <no body>"},
    };
    for (const auto& [status, body, text] : answers) {
        fake.setModelsReply(FakeReply::answer(status, body));
        const auto error = QCoro::waitFor(client.validateKey(u"sk-key"_s));
        ASSERT_TRUE(error.has_value()) << status;
        EXPECT_EQ(error->kind, status == 401 ? Kind::invalidAPIKey : Kind::badResponse);
        EXPECT_EQ(error->description(), QString::fromUtf8(text));
    }
}

TEST_F(OpenAIClientTest, BlankOrBrokenKeysAndPlainHttpAddressesSendNothing) {
    OpenAIClient client(options());
    for (const std::optional<QString>& stored :
         {std::optional<QString>(), std::optional<QString>(u" \n\t "_s)}) {
        key = stored;
        EXPECT_EQ(failure(client).kind, Kind::missingAPIKey);
    }
    EXPECT_EQ(keyTest(client, u"  \n"_s), Kind::missingAPIKey);
    // A line break inside the key would split the header.
    key = u"sk-one\r\nX-Injected: yes"_s;
    EXPECT_EQ(failure(client).kind, Kind::other);
    EXPECT_EQ(keyTest(client, u"sk-one\nsk-two"_s), Kind::other);

    key = u"sk-ok"_s;
    base = u"http://10.1.2.3:8080"_s;
    const RewriteError refused = failure(client);
    EXPECT_EQ(refused.kind, Kind::refusedAddress);
    EXPECT_TRUE(refused.description().startsWith(
        u"Refused to send the API key: \"http://10.1.2.3:8080\" uses plain http"_s))
        << refused.description().toStdString();
    EXPECT_EQ(keyTest(client, u"sk-x"_s), Kind::refusedAddress);

    EXPECT_FALSE(fake.waitForRequests(1, std::chrono::milliseconds(100)));
    EXPECT_EQ(fake.connectionCount(), 0);
}

TEST_F(OpenAIClientTest, ErrorStatusesCarryTheirBodyAndRedirectsAreNotFollowed) {
    OpenAIClient client(options());
    const QByteArray limited = R"({"error":{"message":"Rate limit reached","type":"requests"}})";
    const std::pair<int, QByteArray> answers[] = {
        {429, limited}, {500, ""}, {401, "no"}, {502, "bad \xc3\x28 gateway"}};
    for (const auto& [status, body] : answers) {
        fake.enqueue(FakeReply::answer(status, body));
        const RewriteError error = failure(client);
        EXPECT_EQ(error.kind, Kind::badResponse);
        EXPECT_EQ(error.status, status);
        EXPECT_EQ(error.body, status == 502 ? u"<no body>"_s : QString(body));
    }
    FakeReply moved = FakeReply::answer(307, "");
    moved.headers.append({"Location", fake.baseAddress().toUtf8() + "/elsewhere"});
    fake.enqueue(moved);
    EXPECT_EQ(failure(client).status, 307);
    EXPECT_EQ(fake.requests().size(), 5);
}

TEST_F(OpenAIClientTest, DefaultsReachTheServerNamedByTheEnvironmentWithTheStoredKey) {
    TempHome home;
    FakeSecretStore secrets;
    secrets.put(KeychainStore::serviceName, KeychainStore::accountName, " sk-stored\n");
    KeychainStore keychain(secrets);
    KeychainStore::setShared(&keychain);
    qputenv(ProviderAddress::environmentVariable, fake.baseAddress().toUtf8());

    OpenAIClient client;
    const auto result = expect<RewriteResult>(run(client, job(u"local server"_s)));
    EXPECT_EQ(result.text, u"LOCAL SERVER"_s);
    EXPECT_GT(result.promptTokens, 0);
    EXPECT_EQ(result.completionTokens, 2);
    ASSERT_EQ(fake.requests().size(), 1);
    EXPECT_EQ(fake.requests().first().header("Authorization"), QByteArray("Bearer sk-stored"));

    KeychainStore::setShared(nullptr);
    EXPECT_EQ(failure(client).kind, Kind::missingAPIKey);
    qunsetenv(ProviderAddress::environmentVariable);
}
