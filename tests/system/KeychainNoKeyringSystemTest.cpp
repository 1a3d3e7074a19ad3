// The secret store backend when the Secret Service is missing or never answers: every call
// ends, with a failure and a reason, and reads never pretend the item is absent.
#include "platform/secret/SecretServiceStore.h"
#include "settings/KeychainStore.h"
#include "settings/Log.h"
#include "support/TempHome.h"

#include <QDBusConnection>
#include <QDBusVirtualObject>
#include <QElapsedTimer>
#include <QFile>

#include <gtest/gtest.h>

using namespace std::chrono_literals;

namespace {

const QString account = KeychainStore::accountName;

// Owns the Secret Service's name on the bus and swallows every call without an answer, as a
// keyring stuck behind an unlock prompt does.
class SilentSecretService : public QDBusVirtualObject {
public:
    SilentSecretService()
        : m_bus(QDBusConnection::connectToBus(QDBusConnection::SessionBus, connectionName)) {}
    ~SilentSecretService() override { QDBusConnection::disconnectFromBus(connectionName); }

    bool start() {
        return m_bus.registerVirtualObject(QStringLiteral("/"), this, QDBusConnection::SubPath) &&
               m_bus.registerService(QStringLiteral("org.freedesktop.secrets"));
    }
    QString introspect(const QString&) const override { return {}; }
    bool handleMessage(const QDBusMessage&, const QDBusConnection&) override {
        ++calls;
        return true;
    }

    int calls = 0;

private:
    static inline const QString connectionName = QStringLiteral("silent-secret-service");
    QDBusConnection m_bus;
};

} // namespace

TEST(NoSecretService, CallsFailAtOnceWithTheReason) {
    TempHome home;
    SecretServiceStore secrets;
    QElapsedTimer timer;
    timer.start();

    const SecretStore::ReadResult read = QCoro::waitFor(secrets.read(QStringLiteral("x"), account));
    EXPECT_EQ(read.outcome, SecretStore::Outcome::Failed);
    EXPECT_FALSE(read.message.isEmpty());

    KeychainStore keychain(secrets);
    EXPECT_EQ(QCoro::waitFor(keychain.apiKey()), std::nullopt);
    const std::optional<KeychainError> error =
        QCoro::waitFor(keychain.setAPIKey(QStringLiteral("sk-test")));
    ASSERT_TRUE(error);
    EXPECT_NE(error->status, 0);
    EXPECT_TRUE(
        error->description().startsWith(QStringLiteral("Could not save to the keychain: ")));
    EXPECT_FALSE(error->storeMessage.contains(QStringLiteral("did not answer")));
    std::printf("no Secret Service: %s (%lld ms for three calls)\n",
                qPrintable(error->description()), static_cast<long long>(timer.elapsed()));
}

TEST(SilentSecretService, ReadsAndWritesGiveUpAfterTheirTimeOut) {
    TempHome home;
    SilentSecretService service;
    ASSERT_TRUE(service.start());
    SecretServiceStore secrets(200ms, 300ms);

    const SecretStore::ReadResult read = QCoro::waitFor(secrets.read(QStringLiteral("x"), account));
    EXPECT_EQ(read.outcome, SecretStore::Outcome::Failed);
    EXPECT_TRUE(read.message.contains(QStringLiteral("did not answer within 0.2 s")))
        << read.message.toStdString();
    EXPECT_GT(service.calls, 0);
    // A read that times out says so in the log; nothing else would tell the user why.
    QFile log(Log::filePath());
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    EXPECT_TRUE(log.readAll().contains(read.message.toUtf8()));

    KeychainStore keychain(secrets);
    const std::optional<KeychainError> error =
        QCoro::waitFor(keychain.setAPIKey(QStringLiteral("sk-test")));
    ASSERT_TRUE(error);
    EXPECT_EQ(error->description(),
              QStringLiteral("Could not save to the keychain: The keyring did not answer within "
                             "0.3 s (is it locked?)."));
    EXPECT_EQ(QCoro::waitFor(keychain.apiKey()), std::nullopt);
}
