#include "client/ProviderAddress.h"
#include "client/ModelSetting.h"

#include "settings/Preferences.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

QString configuredBase() {
    const ProviderAddress::Address address = ProviderAddress::configured();
    if (const auto* refused = std::get_if<RewriteError>(&address)) {
        return u"refused: "_s + refused->detail;
    }
    return std::get<QString>(address);
}

} // namespace

// The server and the model: the environment, then the preference, then the default, read at each
// call. A settings file that stops parsing must not send the user's text to OpenAI, or ask for
// another model, instead of what they chose there: the value is recovered, or the call refused,
// naming the file.
TEST(ProviderAddressTest, EnvironmentThenPreferenceAndABrokenFileNeverFallsBackToTheDefault) {
    TempHome home;
    const QString path = Preferences::defaultFilePath();
    const QString refused = u"refused: the settings file "_s + path +
                            u" cannot be read, so the server chosen there is unknown; fix or "
                            u"remove the file, or set PALIMO_API_BASE"_s;
    const QString openAI = u"https://api.openai.com"_s, mini = u"gpt-4o-mini"_s;
    const QByteArray proxy =
        R"({"apiBaseURL": " https://proxy.example/openai ", "model": " llama3.2 "})";
    const QByteArray recoverable =
        R"({"apiBaseURL": "http://127.0.0.1:8080", "soundEnabled": tru})";
    const QByteArray cut = R"({"soundEnabled": tru, "apiBaseURL": "http://127.0.0.1:80)";
    const QByteArray cutModel = R"({"model": "llama3.2",)";
    // The file; $PALIMO_API_BASE and $PALIMO_MODEL (blank when null); the address and model.
    const std::tuple<QByteArray, const char*, const char*, QString, QString> cases[] = {
        {"{}", nullptr, nullptr, openAI, mini},
        {proxy, " ", nullptr, u"https://proxy.example/openai"_s, u"llama3.2"_s},
        {proxy, "http://127.0.0.1:9", "qwen2.5", u"http://127.0.0.1:9"_s, u"qwen2.5"_s},
        {recoverable, nullptr, nullptr, u"http://127.0.0.1:8080"_s, mini},
        {cut, nullptr, nullptr, refused, mini},
        {cut, "http://127.0.0.1:9", nullptr, u"http://127.0.0.1:9"_s, mini},
        {R"({"apiBaseURL": 8080, "soundEnabled": tru)", nullptr, nullptr, refused, mini},
        {R"({"soundEnabled": tru})", nullptr, nullptr, openAI, mini},
        {cutModel, nullptr, nullptr, openAI, QString()}, // unknown: the call fails
        {cutModel, nullptr, "qwen2.5", openAI, u"qwen2.5"_s},
    };
    for (const auto& [file, baseVariable, modelVariable, base, model] : cases) {
        writeFile(path, file);
        qputenv(ProviderAddress::environmentVariable, baseVariable);
        qputenv(ModelSetting::environmentVariable, modelVariable);
        EXPECT_EQ(configuredBase(), base) << file.toStdString();
        EXPECT_EQ(ModelSetting::configured(), model) << file.toStdString();
    }
    qunsetenv(ProviderAddress::environmentVariable);
    qunsetenv(ModelSetting::environmentVariable);

    // Setting the broken file aside at the next change keeps the address in the fresh file.
    writeFile(path, recoverable);
    Preferences(path).setBoolean(u"soundEnabled"_s, false);
    EXPECT_EQ(configuredBase(), u"http://127.0.0.1:8080"_s);
}

// The settings say who gets the key: OpenAI by name, any other server by its address.
TEST(ProviderAddressTest, HttpsAnywhereHttpOnlyToLoopbackPathJoinedOntoTheBase) {
    const std::tuple<const char*, const char*, const char*> accepted[] = {
        {"https://api.openai.com", "https://api.openai.com/v1/models", "OpenAI"},
        {"https://API.openai.com/", "https://api.openai.com/v1/models", "OpenAI"},
        {"https://gw.example:8443/openai/", "https://gw.example:8443/openai/v1/models",
         "gw.example:8443"},
        {"http://127.0.0.1:8080", "http://127.0.0.1:8080/v1/models", "127.0.0.1:8080"},
        {"http://127.45.6.7", "http://127.45.6.7/v1/models", "127.45.6.7"},
        {"http://LOCALHOST:11434", "http://localhost:11434/v1/models", "localhost:11434"},
        {"http://[::1]:8000", "http://[::1]:8000/v1/models", "[::1]:8000"},
    };
    for (const auto& [base, url, recipient] : accepted) {
        const auto result = ProviderAddress::endpoint(QString::fromLatin1(base), u"/v1/models"_s);
        ASSERT_TRUE(std::holds_alternative<QUrl>(result)) << base;
        EXPECT_EQ(std::get<QUrl>(result).toString(), QString::fromLatin1(url));
        EXPECT_EQ(ProviderAddress::keyRecipient(QString::fromLatin1(base)),
                  QString::fromLatin1(recipient));
    }

    // Each refusal names the address and, for the scheme cases, what it lacks.
    const std::pair<const char*, const char*> refused[] = {
        {"http://api.openai.com", "plain http"},
        {"http://192.168.1.10:8080", "https"},
        {"http://128.0.0.1", "https"},
        {"http://localhost.example.com", "https"},
        {"http://127.0.0.1.nip.io", "https"},
        {"http://[::2]", "https"},
        {"ftp://api.openai.com", "https"},
        {"api.openai.com", ""},
        {"https://", ""},
        {"https://user:pw@api.openai.com", ""},
        {"https://api.openai.com/?x=1", ""},
        {"https://api.openai.com/#top", ""},
        {"https://exa mple.com", ""},
    };
    for (const auto& [base, why] : refused) {
        const auto result = ProviderAddress::endpoint(QString::fromLatin1(base), u"/v1/models"_s);
        ASSERT_TRUE(std::holds_alternative<QString>(result)) << base << " was accepted";
        const QString text = std::get<QString>(result);
        EXPECT_TRUE(text.contains(QLatin1Char('"') + QString::fromLatin1(base) + QLatin1Char('"')))
            << text.toStdString();
        EXPECT_TRUE(text.contains(QString::fromLatin1(why))) << text.toStdString();
    }
}
