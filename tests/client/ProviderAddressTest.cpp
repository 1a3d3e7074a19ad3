#include "client/ProviderAddress.h"
#include "client/ModelSetting.h"

#include "settings/Preferences.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

// The server and the model: the environment, then the preference, then the default, read at each
// call. A settings file that stops parsing must not send the user's text to OpenAI, or ask for
// another model, instead of what they chose there: the value is recovered, or the call refused,
// naming the file.
TEST(ProviderAddressTest, EnvironmentThenPreferenceAndABrokenFileNeverFallsBackToTheDefault) {
    TempHome home;
    const auto configuredBase = [] {
        const ProviderAddress::Address address = ProviderAddress::configured();
        const auto* refused = std::get_if<RewriteError>(&address);
        return refused ? u"refused: "_s + refused->detail : std::get<QString>(address);
    };
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
    const std::tuple<QString, QString, QString> accepted[] = {
        {u"https://api.openai.com"_s, u"https://api.openai.com/v1/models"_s, u"OpenAI"_s},
        {u"https://API.openai.com/"_s, u"https://api.openai.com/v1/models"_s, u"OpenAI"_s},
        {u"https://gw.example:8443/openai/"_s, u"https://gw.example:8443/openai/v1/models"_s,
         u"gw.example:8443"_s},
        {u"http://127.0.0.1:8080"_s, u"http://127.0.0.1:8080/v1/models"_s, u"127.0.0.1:8080"_s},
        {u"http://127.45.6.7"_s, u"http://127.45.6.7/v1/models"_s, u"127.45.6.7"_s},
        {u"http://LOCALHOST:11434"_s, u"http://localhost:11434/v1/models"_s, u"localhost:11434"_s},
        {u"http://[::1]:8000"_s, u"http://[::1]:8000/v1/models"_s, u"[::1]:8000"_s},
    };
    for (const auto& [base, url, recipient] : accepted) {
        const auto result = ProviderAddress::endpoint(base, u"/v1/models"_s);
        ASSERT_TRUE(std::holds_alternative<QUrl>(result)) << base.toStdString();
        EXPECT_EQ(std::get<QUrl>(result).toString(), url);
        EXPECT_EQ(ProviderAddress::keyRecipient(base), recipient);
    }

    // Each refusal names the address and, for the scheme cases, what it lacks.
    const std::pair<QString, QString> refused[] = {
        {u"http://api.openai.com"_s, u"plain http"_s},
        {u"http://192.168.1.10:8080"_s, u"https"_s},
        {u"http://128.0.0.1"_s, u"https"_s},
        {u"http://localhost.example.com"_s, u"https"_s},
        {u"http://127.0.0.1.nip.io"_s, u"https"_s},
        {u"http://[::2]"_s, u"https"_s},
        {u"ftp://api.openai.com"_s, u"https"_s},
        {u"api.openai.com"_s, {}},
        {u"https://"_s, {}},
        {u"https://user:pw@api.openai.com"_s, {}},
        {u"https://api.openai.com/?x=1"_s, {}},
        {u"https://api.openai.com/#top"_s, {}},
        {u"https://exa mple.com"_s, {}},
    };
    for (const auto& [base, why] : refused) {
        const auto result = ProviderAddress::endpoint(base, u"/v1/models"_s);
        ASSERT_TRUE(std::holds_alternative<QString>(result)) << base.toStdString() << " accepted";
        const QString text = std::get<QString>(result);
        EXPECT_TRUE(text.contains(u'"' + base + u'"') && text.contains(why)) << text.toStdString();
    }
}
