// The API key in the session's real keyring (gnome-keyring through the Secret Service), read
// and written by the backend the program uses, and checked with secret-tool, libsecret's
// command line, as an independent view.
#include "platform/secret/SecretServiceStore.h"
#include "settings/KeychainStore.h"
#include "support/TempHome.h"

#include <QProcess>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

const QString account = KeychainStore::accountName;

// secret-tool COMMAND with QtKeychain's attributes of the item (server = service, user =
// account); its output, or nothing when it fails.
std::optional<QByteArray> secretTool(const QString& command, const QString& service,
                                     const QByteArray& input = {}) {
    QStringList arguments = command.split(u' ');
    if (command == u"store"_s) {
        // The schema and type QtKeychain gives an item it stores as text, so that it finds it.
        arguments << u"--label=palimo test"_s << u"xdg:schema"_s << u"org.qt.keychain"_s
                  << u"type"_s << u"plaintext"_s;
    }
    QProcess tool;
    tool.start(u"secret-tool"_s, arguments + QStringList{u"server"_s, service, u"user"_s, account});
    tool.write(input);
    tool.closeWriteChannel();
    if (!tool.waitForFinished(10000) || tool.exitStatus() != QProcess::NormalExit ||
        tool.exitCode() != 0) {
        return std::nullopt;
    }
    return tool.readAllStandardOutput();
}

class KeychainSystemTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (const QString& service :
             {KeychainStore::serviceName, KeychainStore::legacyServiceName, testService}) {
            secretTool(u"clear"_s, service);
        }
    }
    SecretStore::ReadResult read() { return QCoro::waitFor(secrets.read(testService, account)); }
    SecretStore::Outcome write(const QByteArray& secret) {
        return QCoro::waitFor(secrets.write(testService, account, secret)).outcome;
    }

    const QString testService = u"test.palimo.SecretServiceStore"_s;
    TempHome home;
    SecretServiceStore secrets;
    KeychainStore keychain{secrets};
};

TEST_F(KeychainSystemTest, SecretServiceStoreRoundTrip) {
    EXPECT_EQ(read().outcome, SecretStore::Outcome::NotFound);
    ASSERT_EQ(write("first"), SecretStore::Outcome::Success);
    ASSERT_EQ(write("s\xc3\xa9"
                    "cond"),
              SecretStore::Outcome::Success);
    EXPECT_EQ(read().outcome, SecretStore::Outcome::Success);
    EXPECT_EQ(read().secret, "s\xc3\xa9"
                             "cond");
    // Stored as readable text, in one item under the attributes other tools look for.
    EXPECT_EQ(secretTool(u"lookup"_s, testService), "s\xc3\xa9"
                                                    "cond");
    const QByteArray items = secretTool(u"search --all"_s, testService).value_or("");
    EXPECT_EQ(items.count("[/"), 1) << items.toStdString();
    // Bytes that are not text are refused rather than filed beside the text item.
    EXPECT_EQ(write(QByteArray("\xff\x00\xfe", 3)), SecretStore::Outcome::Failed);
    EXPECT_EQ(read().secret, "s\xc3\xa9"
                             "cond");
    EXPECT_EQ(secretTool(u"search --all"_s, testService).value_or("").count("[/"), 1);
}

TEST_F(KeychainSystemTest, ALegacyItemIsMigratedIntoTheCurrentOneAndKept) {
    ASSERT_TRUE(secretTool(u"store"_s, KeychainStore::legacyServiceName, " sk-legacy\n"));
    EXPECT_EQ(QCoro::waitFor(keychain.apiKey()), u"sk-legacy"_s);
    EXPECT_EQ(secretTool(u"lookup"_s, KeychainStore::serviceName), "sk-legacy");
    EXPECT_EQ(secretTool(u"lookup"_s, KeychainStore::legacyServiceName), " sk-legacy\n");
    EXPECT_EQ(TempHome::logCount(u"Migrated the API key from the old keychain entry."_s), 1);

    // An item that is not a key reads as none.
    secretTool(u"clear"_s, KeychainStore::legacyServiceName);
    ASSERT_TRUE(secretTool(u"store"_s, KeychainStore::serviceName, "sk-\xff"));
    EXPECT_EQ(QCoro::waitFor(keychain.apiKey()), std::nullopt);
}

} // namespace
