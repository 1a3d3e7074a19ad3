#include "settings/Preferences.h"
#include "settings/Log.h"
#include "support/TempHome.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

#include <gtest/gtest.h>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>

namespace {

QByteArray readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

unsigned mode(const QString& path) {
    struct stat info {};
    ::stat(QFile::encodeName(path).constData(), &info);
    return info.st_mode & 0777;
}

class PreferencesTest : public testing::Test {
protected:
    QStringList folderEntries() const {
        return QDir(QFileInfo(path).absolutePath()).entryList(QDir::Files | QDir::Hidden);
    }

    TempHome home;
    QString path = Preferences::defaultFilePath();
    Preferences preferences{path};
};

TEST_F(PreferencesTest, KeepsTypedValuesInOnePrivateJsonObject) {
    EXPECT_EQ(path, home.configHome() + QStringLiteral("/palimo/settings.json"));
    preferences.setText(QStringLiteral("name"), QStringLiteral("Ada"));
    preferences.setBoolean(QStringLiteral("flag"), false);
    preferences.setRecord(QStringLiteral("combo"), QJsonObject{{QStringLiteral("keyCode"), 15}});

    const QJsonObject onDisk = QJsonDocument::fromJson(readFile(path)).object();
    EXPECT_EQ(onDisk.value(QStringLiteral("name")), QJsonValue(QStringLiteral("Ada")));
    EXPECT_EQ(onDisk.value(QStringLiteral("flag")), QJsonValue(false));
    EXPECT_EQ(onDisk.value(QStringLiteral("combo")).toObject().value(QStringLiteral("keyCode")),
              QJsonValue(15));
    EXPECT_EQ(preferences.boolean(QStringLiteral("flag")), false);
    EXPECT_EQ(preferences.text(QStringLiteral("flag")), std::nullopt);
    EXPECT_EQ(preferences.record(QStringLiteral("name")), std::nullopt);

    EXPECT_EQ(mode(path), 0600u);
    EXPECT_EQ(mode(QFileInfo(path).absolutePath()), 0700u);
    EXPECT_EQ(folderEntries(), QStringList{QStringLiteral("settings.json")});

    preferences.remove(QStringLiteral("name"));
    EXPECT_EQ(preferences.text(QStringLiteral("name")), std::nullopt);
    EXPECT_EQ(preferences.boolean(QStringLiteral("flag")), false);
}

TEST_F(PreferencesTest, HandEditsAreSeenByTheNextRead) {
    preferences.setText(QStringLiteral("name"), QStringLiteral("Ada"));
    EXPECT_EQ(preferences.text(QStringLiteral("name")), QStringLiteral("Ada"));
    // Same length, same inode: only the modification time tells the versions apart.
    writeFile(path, R"({"name": "Bob"})");
    EXPECT_EQ(preferences.text(QStringLiteral("name")), QStringLiteral("Bob"));
    writeFile(path, R"({"name": "Grace", "other": true})");
    EXPECT_EQ(preferences.text(QStringLiteral("name")), QStringLiteral("Grace"));
    preferences.setBoolean(QStringLiteral("flag"), true);
    EXPECT_EQ(preferences.boolean(QStringLiteral("other")), true) << "the edit was lost";
}

TEST_F(PreferencesTest, BrokenFileIsSetAsideAtTheNextWriteNotOverwritten) {
    const QByteArray typo = R"({"name": "Ada", "keep": tru})";
    writeFile(path, typo);
    EXPECT_EQ(preferences.text(QStringLiteral("name")), std::nullopt);
    EXPECT_EQ(readFile(path), typo);

    preferences.setText(QStringLiteral("name"), QStringLiteral("Grace"));
    EXPECT_EQ(preferences.text(QStringLiteral("name")), QStringLiteral("Grace"));
    EXPECT_EQ(preferences.boolean(QStringLiteral("keep")), std::nullopt);

    // A valid document that is not an object is just as unusable; a second copy set aside
    // within the same second must not replace the first.
    writeFile(path, "[1, 2]");
    preferences.setBoolean(QStringLiteral("flag"), true);
    QStringList aside = folderEntries().filter(QStringLiteral("settings.json.broken-"));
    aside.sort();
    ASSERT_EQ(aside.size(), 2);
    const QString folder = QFileInfo(path).absolutePath() + QLatin1Char('/');
    EXPECT_EQ(readFile(folder + aside.first()), typo);
    EXPECT_EQ(readFile(folder + aside.last()), "[1, 2]");
    EXPECT_EQ(QJsonDocument::fromJson(readFile(path)).object(),
              (QJsonObject{{QStringLiteral("flag"), true}}));
}

TEST_F(PreferencesTest, FailedWriteKeepsTheOldFileAndIsLogged) {
    preferences.setText(QStringLiteral("name"), QStringLiteral("Ada"));
    const QByteArray before = readFile(path);
    // A file-size limit makes the write fail even for root.
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit saved{};
    ::getrlimit(RLIMIT_FSIZE, &saved);
    rlimit small = saved;
    small.rlim_cur = 64 * 1024;
    ::setrlimit(RLIMIT_FSIZE, &small);
    preferences.setText(QStringLiteral("big"), QString(200'000, u'x'));
    ::setrlimit(RLIMIT_FSIZE, &saved);

    EXPECT_EQ(readFile(path), before);
    EXPECT_EQ(folderEntries(), QStringList{QStringLiteral("settings.json")});
    EXPECT_TRUE(readFile(Log::filePath()).contains("Could not save setting big."));
    EXPECT_EQ(preferences.text(QStringLiteral("big")), std::nullopt);
}

TEST_F(PreferencesTest, WritesThroughASymbolicLink) {
    const QString real = home.path() + QStringLiteral("/dotfiles/palimo.json");
    writeFile(real, R"({"keep": true})");
    QDir().mkpath(QFileInfo(path).absolutePath());
    ASSERT_TRUE(QFile::link(real, path));
    preferences.setText(QStringLiteral("name"), QStringLiteral("Ada"));
    EXPECT_TRUE(QFileInfo(path).isSymLink());
    EXPECT_EQ(QJsonDocument::fromJson(readFile(real)).object().value(QStringLiteral("keep")),
              QJsonValue(true));
}

TEST_F(PreferencesTest, WriterKilledMidWriteLeavesTheOldFile) {
    preferences.setText(QStringLiteral("name"), QStringLiteral("Ada"));
    const QByteArray before = readFile(path);
    QProcess writer;
    writer.start(QStringLiteral(SETTINGS_TEST_CHILD), {QStringLiteral("die-writing"), path});
    ASSERT_TRUE(writer.waitForFinished(5000));
    ASSERT_EQ(writer.exitStatus(), QProcess::CrashExit) << "the write was not cut short";
    EXPECT_EQ(readFile(path), before);

    // Its half-written temporary file is swept up once it is clearly abandoned.
    const QStringList leftovers = folderEntries().filter(QStringLiteral(".tmp-"));
    ASSERT_EQ(leftovers.size(), 1);
    QFile leftover(QFileInfo(path).absolutePath() + QLatin1Char('/') + leftovers.first());
    ASSERT_TRUE(leftover.open(QIODevice::ReadWrite));
    leftover.setFileTime(QDateTime::currentDateTime().addSecs(-120),
                         QFileDevice::FileModificationTime);
    leftover.close();
    preferences.setText(QStringLiteral("name"), QStringLiteral("Grace"));
    EXPECT_EQ(folderEntries(), QStringList{QStringLiteral("settings.json")});
}

} // namespace
