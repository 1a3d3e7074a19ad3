#include "ClientFixture.h"
#include "client/ChatCompletion.h"
#include "client/ModelSetting.h"
#include "client/ProviderAddress.h"
#include "settings/KeychainStore.h"
#include "settings/Preferences.h"
#include "support/FakeSecretStore.h"
#include "support/TempHome.h"

#include <QCryptographicHash>
#include <QJsonArray>
#include <QJsonDocument>

using OpenAIClientTest = ClientFixture;

// The text and the instructions go out as they are, white space and all; the rest of the body
// (the prompt's own text, roles, temperature) is pinned by the digest of the whole body below.
TEST_F(OpenAIClientTest, RewriteSendsTheExactRequestAndReturnsTheCleanedText) {
    key = u" sk-abc \n"_s;
    model = u"llama3.2"_s;
    fake.setChatReply({.headers = {{"Set-Cookie", "session=abc; Path=/"}},
                       .promptTokens = 123,
                       .completionTokens = 45});
    OpenAIClient client(options());
    RewriteRequest request = job(u"  Hello \"th\u00e9re\"\n"_s);
    request.instructions = u" Shorter.\n"_s;
    request.origin = RewriteRequest::Origin::customPrompt;
    const auto result = expect<RewriteResult>(run(client, request));
    EXPECT_EQ(result.text, u"HELLO \"TH\u00c9RE\""_s);
    EXPECT_EQ(result.promptTokens, 123);
    EXPECT_EQ(result.completionTokens, 45);
    // The key is read afresh at every call, and no cookie is kept.
    key = u"sk-second"_s;
    expect<RewriteResult>(run(client));
    ASSERT_EQ(fake.requests().size(), 2);
    const FakeRequest& sent = fake.requests().first();
    EXPECT_EQ(sent.header("Authorization"), QByteArray("Bearer sk-abc"));
    EXPECT_EQ(sent.header("Content-Type"), QByteArray("application/json"));
    const QJsonObject body = QJsonDocument::fromJson(sent.body).object();
    const QJsonArray messages = body[u"messages"_s].toArray();
    EXPECT_EQ(body[u"model"_s], model);
    EXPECT_EQ(messages[0][u"content"_s], ChatCompletion::systemPrompt() + request.instructions);
    EXPECT_EQ(messages[1][u"content"_s], "<text>\n" + request.text + "\n</text>");
    EXPECT_EQ(fake.requests().at(1).header("Authorization"), QByteArray("Bearer sk-second"));
    EXPECT_FALSE(fake.requests().at(1).header("Cookie").has_value());
}

// The key test asks GET /v1/models with the trimmed key; besides the key, it learns whether the
// chosen model is among those listed. A server without such a list says nothing about it, and
// the model is taken on trust. (A 401's text is shown by the settings system test.)
TEST_F(OpenAIClientTest, KeyTestSendsTheTrimmedKeyAndSaysWhetherTheServerOffersTheModel) {
    OpenAIClient client(options());
    model = u"llama3.2"_s;
    const QString missing = u"This server does not offer the model \"llama3.2\". "_s;
    // Entries without a usable id are skipped.
    const auto list = [](const QByteArray& ids) {
        return R"({"object":"list","data":[)" + ids + R"({"id":7},{"object":"model"}]})";
    };
    // The status and body of the answer; the problem the check reports, or the error's text.
    const std::tuple<int, QByteArray, QString> rows[] = {
        {200, list(R"({"id":"qwen2.5"},{"id":"llama3.2"},)"), {}},
        {200, list(R"({"id":"llama3.2:latest"},)"), {}}, // Ollama's name for the same model
        {200, R"({"models":["gpt-4o-mini"]})", {}},
        {200, list({}), missing + u"It lists no models."_s},
        {200, list(R"({"id":"llama3"},{"id":"a"},{"id":"b"},{"id":"c"},{"id":"d"},)"),
         missing + u"It offers: llama3, a, b, c, d."_s},
        {200, list(R"({"id":"m1"},{"id":"m2"},{"id":"m3"},{"id":"m4"},{"id":"m5"},{"id":"m6"},)"),
         missing + u"It offers: m1, m2, m3, m4, m5 and 1 more."_s},
        {500, "upstream down", u"OpenAI returned HTTP 500: upstream down"_s},
    };
    for (const auto& [status, body, expected] : rows) {
        fake.setModelsReply(FakeReply::answer(status, body));
        const auto checked = QCoro::waitFor(client.checkServer(u"  sk-key\n"_s));
        const auto* error = std::get_if<RewriteError>(&checked);
        EXPECT_EQ(error ? error->description()
                        : std::get<ServerCheck>(checked).problem().value_or(QString()),
                  expected)
            << body.toStdString();
    }
    EXPECT_EQ(fake.requests().value(0).header("Authorization"), QByteArray("Bearer sk-key"));
}

TEST_F(OpenAIClientTest, BlankOrBrokenKeysAndPlainHttpAddressesSendNothing) {
    OpenAIClient client(options());
    // OpenAI itself always wants a key (no connection is even tried: this machine has no way
    // out, so a try would fail as notConnected).
    base = u"https://API.openai.com/"_s;
    EXPECT_TRUE(client.needsKey());
    key = std::nullopt;
    EXPECT_EQ(failure(client).description(), u"No API key set. Add one in Settings."_s);
    key = u" \t"_s;
    EXPECT_EQ(failure(client).kind, Kind::missingAPIKey);
    // The key test makes its request apart from the rewrite's: each refusal is checked for both.
    EXPECT_EQ(keyTest(client, u"  \n"_s), Kind::missingAPIKey);
    base.clear();
    // A line break inside the key would split the header.
    key = u"sk-one\r\nX-Injected: yes"_s;
    EXPECT_EQ(failure(client).kind, Kind::other);
    EXPECT_EQ(keyTest(client, u"sk-one\nsk-two"_s), Kind::other);

    key = u"sk-ok"_s;
    base = u"http://10.1.2.3:8080"_s;
    const RewriteError refused = failure(client);
    EXPECT_TRUE(refused.description().startsWith(
        u"Refused to send the API key: \"http://10.1.2.3:8080\" uses plain http"_s))
        << refused.description().toStdString();
    EXPECT_EQ(keyTest(client, u"sk-x"_s), Kind::refusedAddress);

    EXPECT_FALSE(fake.waitForRequests(1, std::chrono::milliseconds(100)));
    EXPECT_EQ(fake.connectionCount(), 0);
}

TEST_F(OpenAIClientTest, AServerThatNeedsNoKeyIsAskedWithoutOne) {
    OpenAIClient client(options());
    EXPECT_FALSE(client.needsKey());
    key = u" "_s;
    EXPECT_EQ(expect<RewriteResult>(run(client)).text, u"HELLO WORLD"_s);
    EXPECT_EQ(keyTest(client, QString()), std::nullopt);
    // A 401 to no key at all means the server wants one, not that a key is wrong (for the key
    // test, SettingsModelTest's case).
    fake.setChatReply(FakeReply::answer(401, "{}"));
    EXPECT_EQ(failure(client).kind, Kind::missingAPIKey);
    ASSERT_EQ(fake.requests().size(), 3);
    for (const FakeRequest& sent : fake.requests()) {
        EXPECT_FALSE(sent.header("Authorization").has_value()) << sent.path.toStdString();
    }
}

TEST_F(OpenAIClientTest, DefaultsReachTheServerNamedByTheEnvironmentWithTheStoredKey) {
    TempHome home;
    FakeSecretStore secrets;
    secrets.put(KeychainStore::serviceName, KeychainStore::accountName, " sk-stored\n");
    KeychainStore keychain(secrets);
    KeychainStore::setShared(&keychain);
    qputenv(ProviderAddress::environmentVariable, fake.baseAddress().toUtf8());
    qunsetenv(ModelSetting::environmentVariable);

    OpenAIClient client;
    EXPECT_EQ(expect<RewriteResult>(run(client, job(u"local server"_s))).model, u"gpt-4o-mini"_s);
    ASSERT_EQ(fake.requests().size(), 1);
    EXPECT_EQ(fake.requests().first().header("Authorization"), QByteArray("Bearer sk-stored"));
    // For a user who set nothing the body is byte for byte what it always was (the digest of
    // the body the version without a model setting sent for this job).
    const QByteArray body = fake.requests().first().body;
    EXPECT_EQ(QCryptographicHash::hash(body, QCryptographicHash::Sha256).toHex(),
              "b2b79cd5415c296577532bb69760c8be8d2d699fdfa7382d237e4dac9cbba72c")
        << body.toStdString();

    // A settings file that hides the chosen model fails the call rather than asking for the
    // default (the rows of the model's setting are ProviderAddressTest's).
    writeFile(Preferences::defaultFilePath(), R"({"model": "llama3.2",)");
    EXPECT_TRUE(failure(client).description().contains(u"so the model to ask for is unknown"_s));
    EXPECT_EQ(fake.requests().size(), 1);
    KeychainStore::setShared(nullptr);
    qunsetenv(ProviderAddress::environmentVariable);
}
