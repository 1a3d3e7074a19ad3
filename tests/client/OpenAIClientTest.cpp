#include "ClientFixture.h"
#include "client/ChatCompletion.h"
#include "client/ModelSetting.h"
#include "client/ProviderAddress.h"
#include "settings/KeychainStore.h"
#include "settings/Preferences.h"
#include "support/FakeSecretStore.h"
#include "support/TempHome.h"

#include <QCryptographicHash>
#include <QFile>

using OpenAIClientTest = ClientFixture;

namespace {

// The kind of failure of a key test; nothing when the key was accepted.
std::optional<Kind> keyTest(OpenAIClient& client, const QString& key) {
    const auto error = QCoro::waitFor(client.validateKey(key));
    return error ? std::optional(error->kind) : std::nullopt;
}

} // namespace

TEST_F(OpenAIClientTest, RewriteSendsTheExactRequestAndReturnsTheCleanedText) {
    key = u" sk-abc \n"_s;
    FakeReply reply;
    reply.promptTokens = 123;
    reply.completionTokens = 45;
    reply.headers.append({QByteArray("Set-Cookie"), QByteArray("session=abc; Path=/")});
    fake.setChatReply(reply);
    OpenAIClient client(options());
    const RewriteRequest request = job(u"  Hello there\n"_s);
    const auto result = expect<RewriteResult>(run(client, request));
    EXPECT_EQ(result.text, u"HELLO THERE"_s);
    EXPECT_EQ(result.promptTokens, 123);
    EXPECT_EQ(result.completionTokens, 45);
    // The key is read afresh at every call, and no cookie is kept.
    key = u"sk-second"_s;
    expect<RewriteResult>(run(client));
    ASSERT_EQ(fake.requests().size(), 2);
    const FakeRequest& sent = fake.requests().first();
    EXPECT_EQ(sent.method, "POST");
    EXPECT_EQ(sent.path, "/v1/chat/completions");
    EXPECT_EQ(sent.header("Authorization"), QByteArray("Bearer sk-abc"));
    EXPECT_EQ(sent.header("Content-Type"), QByteArray("application/json"));
    EXPECT_EQ(sent.body, ChatCompletion::requestBody(request, model));
    EXPECT_EQ(fake.requests().at(1).header("Authorization"), QByteArray("Bearer sk-second"));
    EXPECT_FALSE(fake.requests().at(1).header("Cookie").has_value());
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

    // (A 401's text is shown by the settings system test.)
    const std::tuple<int, QByteArray, const char*> answers[] = {
        {500, "upstream down", "OpenAI returned HTTP 500: upstream down"},
        {403, "\xff\xfe", "OpenAI returned HTTP 403: <no body>"},
    };
    for (const auto& [status, body, text] : answers) {
        fake.setModelsReply(FakeReply::answer(status, body));
        const auto error = QCoro::waitFor(client.validateKey(u"sk-key"_s));
        ASSERT_TRUE(error.has_value()) << status;
        EXPECT_EQ(error->description(), QString::fromUtf8(text));
    }
}

TEST_F(OpenAIClientTest, BlankOrBrokenKeysAndPlainHttpAddressesSendNothing) {
    OpenAIClient client(options());
    // OpenAI itself always wants a key (no connection is even tried: this machine has no way
    // out, so a try would fail as notConnected).
    base = u"https://API.openai.com/"_s;
    EXPECT_TRUE(client.needsKey());
    for (const std::optional<QString>& stored :
         {std::optional<QString>(), std::optional(u" \t"_s)}) {
        key = stored;
        EXPECT_EQ(failure(client).description(), u"No API key set. Add one in Settings."_s);
    }
    EXPECT_EQ(keyTest(client, u"  \n"_s), Kind::missingAPIKey);
    base.clear();
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

TEST_F(OpenAIClientTest, AServerThatNeedsNoKeyIsAskedWithoutOne) {
    OpenAIClient client(options());
    EXPECT_FALSE(client.needsKey());
    key = u" "_s;
    EXPECT_EQ(expect<RewriteResult>(run(client)).text, u"HELLO WORLD"_s);
    EXPECT_EQ(keyTest(client, QString()), std::nullopt);
    // A 401 to no key at all means the server wants one, not that a key is wrong (for the key
    // test, SettingsModelTest's case).
    fake.enqueue(FakeReply::answer(401, "{}"));
    EXPECT_EQ(failure(client).kind, Kind::missingAPIKey);
    ASSERT_EQ(fake.requests().size(), 3);
    for (const FakeRequest& sent : fake.requests()) {
        EXPECT_FALSE(sent.header("Authorization").has_value()) << sent.path.toStdString();
    }
}

// Whether the chosen model is among those GET /v1/models lists; a server without such a list
// says nothing about it, and the model is taken on trust.
TEST_F(OpenAIClientTest, KeyTestSaysWhetherTheServerOffersTheModel) {
    OpenAIClient client(options());
    model = u"llama3.2"_s;
    const QString missing = u"This server does not offer the model \"llama3.2\". "_s;
    // Entries without a usable id are skipped.
    const auto list = [](const QByteArray& ids) {
        return R"({"object":"list","data":[)" + ids + R"({"id":7},{"object":"model"}]})";
    };
    const std::pair<QByteArray, QString> rows[] = {
        {list(R"({"id":"qwen2.5"},{"id":"llama3.2"},)"), {}},
        {list(R"({"id":"llama3.2:latest"},)"), {}}, // Ollama's name for the same model
        {R"({"models":["gpt-4o-mini"]})", {}},
        {list({}), missing + u"It lists no models."_s},
        {list(R"({"id":"llama3"},{"id":"a"},{"id":"b"},{"id":"c"},{"id":"d"},)"),
         missing + u"It offers: llama3, a, b, c, d."_s},
        {list(R"({"id":"m1"},{"id":"m2"},{"id":"m3"},{"id":"m4"},{"id":"m5"},{"id":"m6"},)"),
         missing + u"It offers: m1, m2, m3, m4, m5 and 1 more."_s},
    };
    for (const auto& [body, problem] : rows) {
        fake.setModelsReply(FakeReply::answer(200, body));
        const auto checked = QCoro::waitFor(client.checkServer(u"sk-key"_s));
        ASSERT_TRUE(std::holds_alternative<ServerCheck>(checked)) << body.toStdString();
        EXPECT_EQ(std::get<ServerCheck>(checked).model, model);
        EXPECT_EQ(std::get<ServerCheck>(checked).problem().value_or(QString()), problem)
            << body.toStdString();
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
    const auto result = expect<RewriteResult>(run(client, job(u"local server"_s)));
    EXPECT_EQ(result.text, u"LOCAL SERVER"_s);
    EXPECT_EQ(result.model, u"gpt-4o-mini"_s);
    ASSERT_EQ(fake.requests().size(), 1);
    EXPECT_EQ(fake.requests().first().header("Authorization"), QByteArray("Bearer sk-stored"));
    // For a user who set nothing the body is byte for byte what it always was (the digest of
    // the body the version without a model setting sent for this job).
    const QByteArray body = fake.requests().first().body;
    EXPECT_TRUE(body.startsWith(R"({"messages":[{"content":"You are a rewriting engine.)"));
    EXPECT_TRUE(body.endsWith(R"("role":"user"}],"model":"gpt-4o-mini","temperature":0.3})"));
    EXPECT_EQ(QCryptographicHash::hash(body, QCryptographicHash::Sha256).toHex(),
              "b2b79cd5415c296577532bb69760c8be8d2d699fdfa7382d237e4dac9cbba72c");

    // The model follows the preference, and the environment before it, at every call. A
    // settings file that does not parse hides the chosen model: the call fails and says why
    // rather than asking for the default.
    const QByteArray chosen = R"({"model": " llama3.2 "})", broken = R"({"model": "llama3.2",)";
    const std::tuple<QByteArray, const char*, QString> rows[] = {
        {chosen, nullptr, u"llama3.2"_s},
        {chosen, "qwen2.5", u"qwen2.5"_s},
        {broken, nullptr, u"so the model to ask for is unknown"_s},
        {broken, "qwen2.5", u"qwen2.5"_s},
    };
    for (const auto& [file, environment, expected] : rows) {
        writeFile(Preferences::defaultFilePath(), file);
        qputenv(ModelSetting::environmentVariable, environment);
        const RewriteOutcome outcome = run(client);
        if (const auto* error = std::get_if<RewriteError>(&outcome)) {
            EXPECT_TRUE(error->description().contains(expected)) << file.toStdString();
        } else {
            EXPECT_EQ(std::get<RewriteResult>(outcome).model, expected) << file.toStdString();
            EXPECT_TRUE(fake.requests().last().body.contains("\"model\":\"" + expected.toUtf8()));
        }
    }
    EXPECT_EQ(fake.requests().size(), 4);
    qunsetenv(ModelSetting::environmentVariable);
    QFile::remove(Preferences::defaultFilePath());

    // Without a key, a server other than OpenAI is asked without one.
    KeychainStore::setShared(nullptr);
    EXPECT_EQ(expect<RewriteResult>(run(client)).text, u"HELLO WORLD"_s);
    EXPECT_FALSE(fake.requests().last().header("Authorization").has_value());
    qunsetenv(ProviderAddress::environmentVariable);
}
