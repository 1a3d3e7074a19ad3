#include "client/ProviderAddress.h"

#include "settings/Preferences.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

TEST(ProviderAddressTest, EnvironmentThenPreferenceThenOpenAIReadEachTime) {
    TempHome home;
    const QByteArray saved = qgetenv(ProviderAddress::environmentVariable);
    qunsetenv(ProviderAddress::environmentVariable);
    EXPECT_EQ(ProviderAddress::configured(), u"https://api.openai.com"_s);
    Preferences(Preferences::defaultFilePath())
        .setText(u"apiBaseURL"_s, u" https://proxy.example/openai "_s);
    qputenv(ProviderAddress::environmentVariable, " ");
    EXPECT_EQ(ProviderAddress::configured(), u"https://proxy.example/openai"_s);
    qputenv(ProviderAddress::environmentVariable, "http://127.0.0.1:9");
    EXPECT_EQ(ProviderAddress::configured(), u"http://127.0.0.1:9"_s);
    if (saved.isNull()) {
        qunsetenv(ProviderAddress::environmentVariable);
    } else {
        qputenv(ProviderAddress::environmentVariable, saved);
    }
}

TEST(ProviderAddressTest, HttpsAnywhereHttpOnlyToLoopbackPathJoinedOntoTheBase) {
    const std::pair<const char*, const char*> accepted[] = {
        {"https://api.openai.com", "https://api.openai.com/v1/models"},
        {"https://api.openai.com/", "https://api.openai.com/v1/models"},
        {"https://gw.example:8443/openai/", "https://gw.example:8443/openai/v1/models"},
        {"http://127.0.0.1:8080", "http://127.0.0.1:8080/v1/models"},
        {"http://127.45.6.7", "http://127.45.6.7/v1/models"},
        {"http://LOCALHOST:11434", "http://localhost:11434/v1/models"},
        {"http://[::1]:8000", "http://[::1]:8000/v1/models"},
    };
    for (const auto& [base, url] : accepted) {
        const auto result = ProviderAddress::endpoint(QString::fromLatin1(base), u"/v1/models"_s);
        ASSERT_TRUE(std::holds_alternative<QUrl>(result)) << base;
        EXPECT_EQ(std::get<QUrl>(result).toString(), QString::fromLatin1(url));
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
