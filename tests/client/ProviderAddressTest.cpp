#include "client/ProviderAddress.h"

#include "settings/Preferences.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

namespace {

std::optional<QString> none;

QString urlOf(const QString& base, const char* path = "/v1/chat/completions") {
    const auto result = ProviderAddress::endpoint(base, QString::fromLatin1(path));
    if (const auto* refused = std::get_if<QString>(&result)) {
        ADD_FAILURE() << base.toStdString() << " refused: " << refused->toStdString();
        return {};
    }
    return std::get<QUrl>(result).toString();
}

QString refusal(const QString& base) {
    const auto result = ProviderAddress::endpoint(base, QStringLiteral("/v1/models"));
    if (const auto* refused = std::get_if<QString>(&result)) {
        return *refused;
    }
    ADD_FAILURE() << base.toStdString() << " was accepted";
    return {};
}

} // namespace

TEST(ProviderAddressTest, EnvironmentThenPreferenceThenOpenAI) {
    EXPECT_EQ(ProviderAddress::choose(QStringLiteral("http://localhost:1"),
                                      QStringLiteral("https://pref.example")),
              QStringLiteral("http://localhost:1"));
    EXPECT_EQ(
        ProviderAddress::choose(QStringLiteral("  "), QStringLiteral(" https://pref.example ")),
        QStringLiteral("https://pref.example"));
    EXPECT_EQ(ProviderAddress::choose(none, QStringLiteral("")),
              QStringLiteral("https://api.openai.com"));
    EXPECT_EQ(ProviderAddress::choose(none, none), QStringLiteral("https://api.openai.com"));
}

TEST(ProviderAddressTest, ConfiguredReadsTheEnvironmentAndThePreferenceEachTime) {
    TempHome home;
    const QByteArray saved = qgetenv(ProviderAddress::environmentVariable);
    qunsetenv(ProviderAddress::environmentVariable);
    EXPECT_EQ(ProviderAddress::configured(), QStringLiteral("https://api.openai.com"));
    Preferences(Preferences::defaultFilePath())
        .setText(QStringLiteral("apiBaseURL"), QStringLiteral("https://proxy.example/openai"));
    EXPECT_EQ(ProviderAddress::configured(), QStringLiteral("https://proxy.example/openai"));
    qputenv(ProviderAddress::environmentVariable, "http://127.0.0.1:9");
    EXPECT_EQ(ProviderAddress::configured(), QStringLiteral("http://127.0.0.1:9"));
    if (saved.isNull()) {
        qunsetenv(ProviderAddress::environmentVariable);
    } else {
        qputenv(ProviderAddress::environmentVariable, saved);
    }
}

TEST(ProviderAddressTest, JoinsThePathOntoTheBase) {
    EXPECT_EQ(urlOf(QStringLiteral("https://api.openai.com")),
              QStringLiteral("https://api.openai.com/v1/chat/completions"));
    EXPECT_EQ(urlOf(QStringLiteral("https://api.openai.com/")),
              QStringLiteral("https://api.openai.com/v1/chat/completions"));
    EXPECT_EQ(urlOf(QStringLiteral("https://gw.example:8443/openai/"), "/v1/models"),
              QStringLiteral("https://gw.example:8443/openai/v1/models"));
}

TEST(ProviderAddressTest, PlainHttpOnlyToLoopback) {
    EXPECT_EQ(urlOf(QStringLiteral("http://127.0.0.1:8080")),
              QStringLiteral("http://127.0.0.1:8080/v1/chat/completions"));
    EXPECT_FALSE(urlOf(QStringLiteral("http://127.45.6.7")).isEmpty());
    EXPECT_FALSE(urlOf(QStringLiteral("http://localhost:11434")).isEmpty());
    EXPECT_FALSE(urlOf(QStringLiteral("http://LOCALHOST")).isEmpty());
    EXPECT_FALSE(urlOf(QStringLiteral("http://[::1]:8000")).isEmpty());

    EXPECT_TRUE(
        refusal(QStringLiteral("http://api.openai.com")).contains(QStringLiteral("plain http")));
    EXPECT_TRUE(
        refusal(QStringLiteral("http://192.168.1.10:8080")).contains(QStringLiteral("https")));
    EXPECT_FALSE(refusal(QStringLiteral("http://128.0.0.1")).isEmpty());
    EXPECT_FALSE(refusal(QStringLiteral("http://localhost.example.com")).isEmpty());
    EXPECT_FALSE(refusal(QStringLiteral("http://127.0.0.1.nip.io")).isEmpty());
    EXPECT_FALSE(refusal(QStringLiteral("http://[::2]")).isEmpty());
}

TEST(ProviderAddressTest, RefusesAddressesThatAreNotPlainHttpsOrigins) {
    EXPECT_TRUE(refusal(QStringLiteral("ftp://api.openai.com")).contains(QStringLiteral("https")));
    EXPECT_FALSE(refusal(QStringLiteral("api.openai.com")).isEmpty());
    EXPECT_FALSE(refusal(QStringLiteral("https://")).isEmpty());
    EXPECT_FALSE(refusal(QStringLiteral("https://user:pw@api.openai.com")).isEmpty());
    EXPECT_FALSE(refusal(QStringLiteral("https://api.openai.com/?x=1")).isEmpty());
    EXPECT_FALSE(refusal(QStringLiteral("https://api.openai.com/#top")).isEmpty());
    EXPECT_FALSE(refusal(QStringLiteral("https://exa mple.com")).isEmpty());
    // The refusal names the address it refused.
    EXPECT_TRUE(
        refusal(QStringLiteral("http://10.0.0.1")).contains(QStringLiteral("\"http://10.0.0.1\"")));
}
