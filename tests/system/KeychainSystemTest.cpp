// The API key in the session's keyring, through the backend the program uses. With the real
// keyring (gnome-keyring through the Secret Service), checked with secret-tool, libsecret's
// command line, as an independent view. With no Secret Service, or one that never answers,
// every call ends with a failure and a reason, reads never pretend the item is absent, and
// palimo --set-key fails at once with one line saying why. CTest runs each group in its own
// session.
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

const QString account = KeychainStore::accountName;

// secret-tool COMMAND with QtKeychain's attributes of the item (server = service, user =
// account); its output, or nothing when it fails.
std::optional<QByteArray> secretTool(const QString& command, const QString& service) {
    QProcess tool;
    tool.start(u"secret-tool"_s,
               command.split(u' ') + QStringList{u"server"_s, service, u"user"_s, account});
    if (!tool.waitForFinished(10000) || tool.exitStatus() != QProcess::NormalExit ||
        tool.exitCode() != 0) {
        return std::nullopt;
    }
    return tool.readAllStandardOutput();
}

class KeychainSystemTest : public ::testing::Test {
protected:
    void SetUp() override { secretTool(u"clear"_s, testService); }
    SecretStore::ReadResult read() { return QCoro::waitFor(secrets.read(testService, account)); }
    SecretStore::Outcome write(const QByteArray& secret) {
        return QCoro::waitFor(secrets.write(testService, account, secret)).outcome;
    }

    const QString testService = u"test.palimo.SecretServiceStore"_s;
    TempHome home;
    SecretServiceStore secrets;
};

TEST_F(KeychainSystemTest, SecretServiceStoreRoundTrip) {
    const QByteArray second = "s\303\251cond"; // "second" with an e acute, in UTF-8
    EXPECT_EQ(read().outcome, SecretStore::Outcome::NotFound);
    ASSERT_EQ(write("first"), SecretStore::Outcome::Success);
    ASSERT_EQ(write(second), SecretStore::Outcome::Success);
    // Stored as readable text, under the attributes other tools look for.
    EXPECT_EQ(secretTool(u"lookup"_s, testService), second);
    // Bytes that are not text are refused rather than filed beside the text item.
    EXPECT_EQ(write(QByteArray("\xff\x00\xfe", 3)), SecretStore::Outcome::Failed);
    EXPECT_EQ(read().secret, second);
    const QByteArray items = secretTool(u"search --all"_s, testService).value_or("");
    EXPECT_EQ(items.count("[/"), 1) << items.toStdString();
}

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

TEST(NoSecretService, ReadsFailWithAReasonAndSetKeyAtOnceWithOneLine) {
    TempHome home;
    SecretServiceStore secrets;
    const auto read = QCoro::waitFor(secrets.read(u"x"_s, account));
    EXPECT_EQ(read.outcome, SecretStore::Outcome::Failed);
    EXPECT_FALSE(read.message.isEmpty());

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
    const auto read = QCoro::waitFor(secrets.read(u"x"_s, account));
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
