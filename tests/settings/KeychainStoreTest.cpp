#include "settings/KeychainStore.h"
#include "support/FakeSecretStore.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

const QString current = KeychainStore::serviceName;
const QString legacy = KeychainStore::legacyServiceName;
const QString account = KeychainStore::accountName;

class KeychainStoreTest : public ::testing::Test {
protected:
    std::optional<QString> apiKey() { return QCoro::waitFor(keychain.apiKey()); }

    TempHome home;
    FakeSecretStore store;
    KeychainStore keychain{store};
    const QString migrated = u"Migrated the API key from the old keychain entry."_s;
};

TEST_F(KeychainStoreTest, SavesAndReadsTheKeyTrimmed) {
    EXPECT_EQ(apiKey(), std::nullopt);
    EXPECT_EQ(store.readServices(), (QStringList{current, legacy}));
    // Unicode spaces and line separators are trimmed too (ASCII ones: set-key-cli.sh); inner
    // spaces stay.
    EXPECT_FALSE(QCoro::waitFor(keychain.setAPIKey(u"\u00a0\t sk-a b\u2028\r\n"_s)));
    EXPECT_EQ(store.stored(current, account), "sk-a b");
    store.put(current, account, "  sk-elsewhere\n");
    EXPECT_EQ(apiKey(), u"sk-elsewhere"_s);

    for (const QByteArray bytes : {"", " \n\t", "sk-\xff\xfe", "\xc3"}) {
        store.put(current, account, bytes);
        EXPECT_EQ(apiKey(), std::nullopt) << bytes.toHex().constData();
    }
    EXPECT_EQ(store.writeServices().size(), 1);
}

TEST_F(KeychainStoreTest, ALegacyKeyIsMigratedOnceKeptAndNeverPreferred) {
    store.put(legacy, account, " sk-old\n");
    EXPECT_EQ(apiKey(), u"sk-old"_s);
    EXPECT_EQ(store.stored(current, account), "sk-old");
    EXPECT_EQ(store.stored(legacy, account), " sk-old\n");
    EXPECT_EQ(apiKey(), u"sk-old"_s);
    EXPECT_EQ(TempHome::logCount(migrated), 1);
    store.put(current, account, "sk-new");
    EXPECT_EQ(apiKey(), u"sk-new"_s);
    EXPECT_EQ(store.readServices(), (QStringList{current, legacy, current, current}));
    EXPECT_EQ(store.writeServices(), QStringList{current});
}

TEST_F(KeychainStoreTest, AFailedMigrationStillGivesTheKeyAndIsRetried) {
    store.setDelay(std::chrono::milliseconds(5)); // as a real store, which answers later
    store.put(legacy, account, "sk-old");
    store.failWrites(FakeSecretStore::Failure{7, u"The keyring is locked."_s});
    EXPECT_EQ(apiKey(), u"sk-old"_s);
    EXPECT_EQ(apiKey(), u"sk-old"_s);
    EXPECT_EQ(store.writeServices().size(), 2);
    EXPECT_EQ(TempHome::logCount(u"Could not save to the keychain: The keyring is locked."_s), 2);
    EXPECT_EQ(TempHome::logCount(migrated), 0);
    // Without the store's message the status is named.
    EXPECT_EQ((KeychainError{-25300, {}}.description()),
              u"Could not save to the keychain: error -25300"_s);

    store.failWrites(std::nullopt);
    EXPECT_EQ(apiKey(), u"sk-old"_s);
    EXPECT_EQ(store.stored(current, account), "sk-old");
    EXPECT_EQ(TempHome::logCount(migrated), 1);
}

// A current item that exists but cannot be read right now (locked keyring, time-out) must not
// be overwritten with an older legacy key; a legacy item that cannot be read is no key.
TEST_F(KeychainStoreTest, UnreadableItemsAreNoKeyAndNothingIsReplaced) {
    store.put(legacy, account, "sk-old");
    store.failReadsOf(legacy, FakeSecretStore::Failure{-1, {}});
    EXPECT_EQ(apiKey(), std::nullopt);
    store.put(current, account, "sk-new");
    store.failReadsOf(current, FakeSecretStore::Failure{7, u"Locked."_s});
    EXPECT_EQ(apiKey(), std::nullopt);
    EXPECT_EQ(store.readServices(), (QStringList{current, legacy, current}));
    EXPECT_TRUE(store.writeServices().isEmpty());
}

} // namespace
