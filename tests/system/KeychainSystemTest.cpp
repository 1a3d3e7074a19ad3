// The API key in the session's real keyring (gnome-keyring through the Secret Service), read
// and written by the same backend the program uses, and checked with secret-tool.
#include "SecretTool.h"
#include "platform/secret/SecretServiceStore.h"
#include "settings/KeychainStore.h"
#include "settings/Log.h"
#include "support/TempHome.h"

#include <QFile>

#include <gtest/gtest.h>

#include <algorithm>

namespace {

const QString account = KeychainStore::accountName;

int logLinesEndingWith(const QString& message) {
    QFile file(Log::filePath());
    if (!file.open(QIODevice::ReadOnly)) {
        return 0;
    }
    const QList<QByteArray> lines = file.readAll().split('\n');
    return static_cast<int>(std::count_if(lines.begin(), lines.end(), [&](const QByteArray& line) {
        return line.endsWith(message.toUtf8());
    }));
}

class KeychainSystemTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (const QString& service :
             {KeychainStore::serviceName, KeychainStore::legacyServiceName, testService}) {
            SecretTool::clear(SecretTool::itemAttributes(service, account));
        }
    }

    SecretStore::ReadResult read(const QString& service) {
        return QCoro::waitFor(secrets.read(service, account));
    }
    SecretStore::WriteResult write(const QString& service, const QByteArray& secret) {
        return QCoro::waitFor(secrets.write(service, account, secret));
    }

    const QString testService = QStringLiteral("test.palimo.SecretServiceStore");
    TempHome home;
    SecretServiceStore secrets;
    KeychainStore keychain{secrets};
};

} // namespace

TEST_F(KeychainSystemTest, SecretServiceStoreRoundTrip) {
    EXPECT_EQ(read(testService).outcome, SecretStore::Outcome::NotFound);

    ASSERT_EQ(write(testService, "first").outcome, SecretStore::Outcome::Success);
    ASSERT_EQ(write(testService, "s\xc3\xa9"
                                 "cond")
                  .outcome,
              SecretStore::Outcome::Success);
    const SecretStore::ReadResult text = read(testService);
    EXPECT_EQ(text.outcome, SecretStore::Outcome::Success);
    EXPECT_EQ(text.secret, QByteArray("s\xc3\xa9"
                                      "cond"));
    // Stored as readable text in one item under the attributes other tools look for.
    EXPECT_EQ(SecretTool::lookup(SecretTool::itemAttributes(testService, account)),
              QByteArray("s\xc3\xa9"
                         "cond"));
    EXPECT_EQ(SecretTool::count(SecretTool::itemAttributes(testService, account)), 1);

    // Bytes that are not text survive unchanged.
    const QByteArray binary("\xff\x00\xfe", 3);
    const QString binaryService = testService + QStringLiteral(".binary");
    SecretTool::clear(SecretTool::itemAttributes(binaryService, account));
    ASSERT_EQ(write(binaryService, binary).outcome, SecretStore::Outcome::Success);
    EXPECT_EQ(read(binaryService).secret, binary);
    SecretTool::clear(SecretTool::itemAttributes(binaryService, account));
}

TEST_F(KeychainSystemTest, SetAPIKeyStoresTheTrimmedKeyInTheCurrentItem) {
    EXPECT_EQ(QCoro::waitFor(keychain.apiKey()), std::nullopt);

    EXPECT_EQ(QCoro::waitFor(keychain.setAPIKey(QStringLiteral("  sk-test \n"))), std::nullopt);
    EXPECT_EQ(SecretTool::lookup(SecretTool::itemAttributes(KeychainStore::serviceName, account)),
              QByteArray("sk-test"));
    EXPECT_EQ(QCoro::waitFor(keychain.apiKey()), QStringLiteral("sk-test"));

    EXPECT_EQ(QCoro::waitFor(keychain.setAPIKey(QStringLiteral("sk-other"))), std::nullopt);
    EXPECT_EQ(QCoro::waitFor(keychain.apiKey()), QStringLiteral("sk-other"));
    EXPECT_EQ(SecretTool::count(SecretTool::itemAttributes(KeychainStore::serviceName, account)),
              1);
}

TEST_F(KeychainSystemTest, ALegacyItemIsMigratedIntoTheCurrentOneAndKept) {
    const QStringList legacyItem =
        SecretTool::qtKeychainTextItem(KeychainStore::legacyServiceName, account);
    ASSERT_TRUE(SecretTool::store(legacyItem, " sk-legacy\n"));
    const QString migrated = QStringLiteral("Migrated the API key from the old keychain entry.");

    EXPECT_EQ(QCoro::waitFor(keychain.apiKey()), QStringLiteral("sk-legacy"));
    EXPECT_EQ(SecretTool::lookup(SecretTool::itemAttributes(KeychainStore::serviceName, account)),
              QByteArray("sk-legacy"));
    EXPECT_EQ(SecretTool::lookup(legacyItem), QByteArray(" sk-legacy\n"));
    EXPECT_EQ(logLinesEndingWith(migrated), 1);

    EXPECT_EQ(QCoro::waitFor(keychain.apiKey()), QStringLiteral("sk-legacy"));
    EXPECT_EQ(logLinesEndingWith(migrated), 1);
}

TEST_F(KeychainSystemTest, ItemsThatAreNotAKeyReadAsNoKey) {
    const QStringList currentItem =
        SecretTool::qtKeychainTextItem(KeychainStore::serviceName, account);
    for (const QByteArray& bytes : {QByteArray("sk-\xff"), QByteArray(" \n")}) {
        ASSERT_TRUE(SecretTool::store(currentItem, bytes));
        EXPECT_EQ(QCoro::waitFor(keychain.apiKey()), std::nullopt) << bytes.toHex().constData();
    }
}
