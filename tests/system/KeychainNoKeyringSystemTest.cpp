// The secret store backend when the Secret Service is missing or never answers: every call
// ends, with a failure and a reason, and reads never pretend the item is absent; palimo
// --set-key without a Secret Service fails at once with one line saying why.
#include "platform/secret/SecretServiceStore.h"
#include "settings/KeychainStore.h"
#include "support/TempHome.h"

#include <QDBusConnection>
#include <QDBusVirtualObject>
#include <QElapsedTimer>
#include <QProcess>

#include <gtest/gtest.h>

#include <cstdio>

using namespace std::chrono_literals;
using namespace Qt::StringLiterals;

namespace {

// Owns the Secret Service's name on the bus and swallows every call without an answer, as a
// keyring stuck behind an unlock prompt does.
class SilentSecretService : public QDBusVirtualObject {
public:
    ~SilentSecretService() override { QDBusConnection::disconnectFromBus(u"silent"_s); }
    bool start() {
        return m_bus.registerVirtualObject(u"/"_s, this, QDBusConnection::SubPath) &&
               m_bus.registerService(u"org.freedesktop.secrets"_s);
    }
    QString introspect(const QString&) const override { return {}; }
    bool handleMessage(const QDBusMessage&, const QDBusConnection&) override { return true; }

private:
    QDBusConnection m_bus = QDBusConnection::connectToBus(QDBusConnection::SessionBus, u"silent"_s);
};

TEST(NoSecretService, ReadsFailWithAReasonAndAreNoKey) {
    TempHome home;
    SecretServiceStore secrets;
    const auto read = QCoro::waitFor(secrets.read(u"x"_s, KeychainStore::accountName));
    EXPECT_EQ(read.outcome, SecretStore::Outcome::Failed);
    EXPECT_FALSE(read.message.isEmpty());
    KeychainStore keychain(secrets);
    EXPECT_EQ(QCoro::waitFor(keychain.apiKey()), std::nullopt);
}

TEST(NoSecretService, SetKeyFailsAtOnceWithOneLineSayingWhy) {
    QProcess palimo;
    QElapsedTimer timer;
    timer.start();
    palimo.start(QStringLiteral(PALIMO), {u"--set-key"_s, u"sk-test"_s});
    ASSERT_TRUE(palimo.waitForFinished(10000));
    const QByteArray err = palimo.readAllStandardError();
    std::printf("--set-key without a Secret Service took %lld ms: %s", timer.elapsed(), err.data());
    EXPECT_EQ(palimo.exitCode(), 1);
    EXPECT_TRUE(palimo.readAllStandardOutput().isEmpty());
    EXPECT_TRUE(err.startsWith("Could not save to the keychain: ") && err.endsWith('\n'));
    EXPECT_EQ(err.count('\n'), 1);
    // Not a time-out: D-Bus itself reports the missing service, far below the write limit.
    EXPECT_FALSE(err.contains("did not answer"));
}

TEST(SilentSecretService, ReadsAndWritesGiveUpAfterTheirTimeOut) {
    TempHome home;
    SilentSecretService service;
    ASSERT_TRUE(service.start());
    SecretServiceStore secrets(200ms, 300ms);
    const auto read = QCoro::waitFor(secrets.read(u"x"_s, KeychainStore::accountName));
    EXPECT_EQ(read.outcome, SecretStore::Outcome::Failed);
    EXPECT_TRUE(read.message.contains(u"did not answer within 0.2 s"_s))
        << read.message.toStdString();
    // A read that times out says so in the log; nothing else would tell the user why.
    EXPECT_GE(TempHome::logCount(read.message), 1);

    KeychainStore keychain(secrets);
    const std::optional<KeychainError> error = QCoro::waitFor(keychain.setAPIKey(u"sk-test"_s));
    ASSERT_TRUE(error);
    EXPECT_EQ(error->description(), u"Could not save to the keychain: The keyring did not answer "
                                    "within 0.3 s (is it locked?)."_s);
}

} // namespace
