#include "settings/KeychainStore.h"
#include "settings/Log.h"
#include "support/FakeSecretStore.h"
#include "support/TempHome.h"

#include <QFile>

#include <gtest/gtest.h>

#include <algorithm>

namespace {

const QString current = KeychainStore::serviceName;
const QString legacy = KeychainStore::legacyServiceName;
const QString account = KeychainStore::accountName;
const QString migrated = QStringLiteral("Migrated the API key from the old keychain entry.");

// Lines of the log file that end with `message` (the file puts a timestamp before each).
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

class KeychainStoreTest : public ::testing::Test {
protected:
    std::optional<QString> apiKey() { return QCoro::waitFor(keychain.apiKey()); }
    std::optional<KeychainError> setAPIKey(const QString& key) {
        return QCoro::waitFor(keychain.setAPIKey(key));
    }

    TempHome home;
    FakeSecretStore store;
    KeychainStore keychain{store};
};

} // namespace

TEST_F(KeychainStoreTest, SavesTheKeyTrimmedAndReadsItBack) {
    EXPECT_FALSE(setAPIKey(QStringLiteral("  sk-test \n")));
    EXPECT_EQ(store.stored(current, account), QByteArray("sk-test"));
    EXPECT_EQ(apiKey(), QStringLiteral("sk-test"));

    // Unicode spaces and line separators count too; inner spaces stay.
    EXPECT_FALSE(setAPIKey(QStringLiteral("\u00a0\t sk-a b\u2028\r\n")));
    EXPECT_EQ(store.stored(current, account), QByteArray("sk-a b"));
    EXPECT_EQ(store.itemCount(), 1);
    EXPECT_TRUE(store.readServices().count(legacy) == 0);
}

TEST_F(KeychainStoreTest, AKeyStoredWithSurroundingWhiteSpaceReadsBackWithout) {
    store.put(current, account, "  sk-elsewhere\n");
    EXPECT_EQ(apiKey(), QStringLiteral("sk-elsewhere"));
}

TEST_F(KeychainStoreTest, UnusableItemsReadAsNoKey) {
    for (const QByteArray& bytes :
         {QByteArray(""), QByteArray(" \n\t"), QByteArray("sk-\xff\xfe"), QByteArray("\xc3")}) {
        store.put(current, account, bytes);
        EXPECT_EQ(apiKey(), std::nullopt) << bytes.toHex().constData();
    }
    EXPECT_EQ(store.writeCount(), 0);
}

TEST_F(KeychainStoreTest, NoItemsMeansNoKeyAndNothingWritten) {
    EXPECT_EQ(apiKey(), std::nullopt);
    EXPECT_EQ(store.readServices(), (QStringList{current, legacy}));
    EXPECT_EQ(store.writeCount(), 0);
}

TEST_F(KeychainStoreTest, TheCurrentItemWinsAndTheLegacyOneIsNeverRead) {
    store.put(current, account, "sk-new");
    store.put(legacy, account, "sk-old");
    EXPECT_EQ(apiKey(), QStringLiteral("sk-new"));
    EXPECT_EQ(store.readServices(), QStringList{current});
}

TEST_F(KeychainStoreTest, ALegacyKeyIsMigratedOnceAndKept) {
    store.put(legacy, account, " sk-old\n");

    EXPECT_EQ(apiKey(), QStringLiteral("sk-old"));
    EXPECT_EQ(store.stored(current, account), QByteArray("sk-old"));
    EXPECT_EQ(store.stored(legacy, account), QByteArray(" sk-old\n"));
    EXPECT_EQ(logLinesEndingWith(migrated), 1);

    EXPECT_EQ(apiKey(), QStringLiteral("sk-old"));
    EXPECT_EQ(logLinesEndingWith(migrated), 1);
    EXPECT_EQ(store.readServices(), (QStringList{current, legacy, current}));
    EXPECT_EQ(store.writeServices(), QStringList{current});
}

TEST_F(KeychainStoreTest, AFailedMigrationStillGivesTheKeyAndIsRetried) {
    store.put(legacy, account, "sk-old");
    store.failWrites(FakeSecretStore::Failure{7, QStringLiteral("The keyring is locked.")});

    EXPECT_EQ(apiKey(), QStringLiteral("sk-old"));
    EXPECT_EQ(apiKey(), QStringLiteral("sk-old"));
    EXPECT_EQ(store.writeCount(), 2);
    EXPECT_EQ(store.stored(current, account), std::nullopt);
    EXPECT_EQ(logLinesEndingWith(
                  QStringLiteral("Could not save to the keychain: The keyring is locked.")),
              2);
    EXPECT_EQ(logLinesEndingWith(migrated), 0);

    store.failWrites(std::nullopt);
    EXPECT_EQ(apiKey(), QStringLiteral("sk-old"));
    EXPECT_EQ(store.stored(current, account), QByteArray("sk-old"));
    EXPECT_EQ(logLinesEndingWith(migrated), 1);
}

// A current item that exists but cannot be read right now (locked keyring, time-out) must not
// be overwritten with an older legacy key.
TEST_F(KeychainStoreTest, AnUnreadableCurrentItemIsNeitherReplacedNorBypassed) {
    store.put(current, account, "sk-new");
    store.put(legacy, account, "sk-old");
    store.failReadsOf(current, FakeSecretStore::Failure{7, QStringLiteral("Locked.")});

    EXPECT_EQ(apiKey(), std::nullopt);
    EXPECT_EQ(store.readServices(), QStringList{current});
    EXPECT_EQ(store.writeCount(), 0);
    EXPECT_EQ(store.stored(current, account), QByteArray("sk-new"));
}

TEST_F(KeychainStoreTest, AFailedLegacyReadIsNoKey) {
    store.failReadsOf(legacy, FakeSecretStore::Failure{-1, {}});
    EXPECT_EQ(apiKey(), std::nullopt);
    EXPECT_EQ(store.writeCount(), 0);
}

TEST_F(KeychainStoreTest, AFailedSaveCarriesTheStoreStatusAndMessage) {
    store.failWrites(FakeSecretStore::Failure{7, QStringLiteral("No Secret Service.")});
    const std::optional<KeychainError> error = setAPIKey(QStringLiteral("sk-x"));
    ASSERT_TRUE(error);
    EXPECT_EQ(error->status, 7);
    EXPECT_EQ(error->description(),
              QStringLiteral("Could not save to the keychain: No Secret Service."));
    EXPECT_EQ(store.itemCount(), 0);
}

TEST_F(KeychainStoreTest, AsynchronousStoresWork) {
    store.setDelay(std::chrono::milliseconds(5));
    store.put(legacy, account, "sk-old");
    EXPECT_EQ(apiKey(), QStringLiteral("sk-old"));
    EXPECT_EQ(store.stored(current, account), QByteArray("sk-old"));
}

TEST(KeychainError, DescriptionWithoutAStoreMessageShowsTheStatus) {
    EXPECT_EQ((KeychainError{-25300, {}}.description()),
              QStringLiteral("Could not save to the keychain: error -25300"));
    EXPECT_EQ((KeychainError{5, {}}.description()),
              QStringLiteral("Could not save to the keychain: error 5"));
    EXPECT_EQ((KeychainError{5, QStringLiteral("Access denied.")}.description()),
              QStringLiteral("Could not save to the keychain: Access denied."));
}
