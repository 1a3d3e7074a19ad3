#include "SettingsFixture.h"

#include <QDateTime>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>

namespace {

unsigned mode(const QString& path) {
    struct stat info {};
    ::stat(QFile::encodeName(path).constData(), &info);
    return info.st_mode & 0777;
}

using PreferencesTest = SettingsFixture;

TEST_F(PreferencesTest, KeepsTypedValuesInOnePrivateJsonObjectAndSeesHandEdits) {
    preferences.setText(u"name"_s, u"Ada"_s);
    preferences.setBoolean(u"flag"_s, false);
    preferences.setRecord(u"combo"_s, QJsonObject{{u"keyCode"_s, 15}});
    EXPECT_EQ(onDisk(), (QJsonObject{{u"name"_s, u"Ada"_s},
                                     {u"flag"_s, false},
                                     {u"combo"_s, QJsonObject{{u"keyCode"_s, 15}}}}));
    EXPECT_EQ(preferences.boolean(u"flag"_s), false);
    EXPECT_EQ(preferences.text(u"flag"_s), std::nullopt);
    EXPECT_EQ(preferences.record(u"name"_s), std::nullopt);
    EXPECT_EQ(mode(path), 0600u);
    EXPECT_EQ(mode(folder()), 0700u);

    // Same length, same inode: only the modification time tells the versions apart.
    handEdit(R"({"name": "Bob"})");
    EXPECT_EQ(preferences.text(u"name"_s), u"Bob"_s);
    handEdit(R"({"name": "Grace", "other": true})");
    EXPECT_EQ(preferences.text(u"name"_s), u"Grace"_s);
    preferences.setBoolean(u"flag"_s, true);
    EXPECT_EQ(preferences.boolean(u"other"_s), true) << "the edit was lost";
}

TEST_F(PreferencesTest, BrokenFileIsSetAsideAtTheNextWriteNotOverwritten) {
    const QByteArray typo = R"({"name": "Ada", "keep": tru})";
    handEdit(typo);
    EXPECT_EQ(preferences.text(u"name"_s), std::nullopt);
    EXPECT_EQ(readFile(path), typo);
    preferences.setText(u"name"_s, u"Grace"_s);
    EXPECT_EQ(preferences.text(u"name"_s), u"Grace"_s);
    EXPECT_EQ(preferences.boolean(u"keep"_s), std::nullopt);

    // A valid document that is not an object is just as unusable; a second copy set aside
    // within the same second must not replace the first.
    handEdit("[1, 2]");
    preferences.setBoolean(u"flag"_s, true);
    QStringList aside = folderEntries().filter(u"settings.json.broken-"_s);
    aside.sort();
    ASSERT_EQ(aside.size(), 2);
    EXPECT_EQ(readFile(folder() + u'/' + aside.first()), typo);
    EXPECT_EQ(readFile(folder() + u'/' + aside.last()), "[1, 2]");
    EXPECT_EQ(onDisk(), (QJsonObject{{u"flag"_s, true}}));
}

TEST_F(PreferencesTest, FailedOrKilledWritesLeaveTheOldFile) {
    preferences.setText(u"name"_s, u"Ada"_s);
    const QByteArray before = readFile(path);
    // A file-size limit makes the write fail even for root.
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit saved{};
    ::getrlimit(RLIMIT_FSIZE, &saved);
    const rlimit small{64 * 1024, saved.rlim_max};
    ::setrlimit(RLIMIT_FSIZE, &small);
    preferences.setText(u"big"_s, QString(200'000, u'x'));
    EXPECT_EQ(TempHome::logCount(u"Could not save setting big."_s), 1);
    // Another process (a fork) killed by the kernel halfway through its bytes. Only its
    // temporary file is left, not ours.
    EXPECT_EXIT(
        (std::signal(SIGXFSZ, SIG_DFL), preferences.setText(u"big"_s, QString(1'000'000, u'x'))),
        testing::KilledBySignal(SIGXFSZ), "");
    ::setrlimit(RLIMIT_FSIZE, &saved);
    EXPECT_EQ(readFile(path), before);
    // Its half-written temporary file is swept up once it is clearly abandoned.
    const QStringList leftovers = folderEntries().filter(u".tmp-"_s);
    ASSERT_EQ(leftovers.size(), 1);
    QFile leftover(folder() + u'/' + leftovers.first());
    ASSERT_TRUE(leftover.open(QIODevice::ReadWrite));
    leftover.setFileTime(QDateTime::currentDateTime().addSecs(-120),
                         QFileDevice::FileModificationTime);
    leftover.close();
    preferences.setText(u"name"_s, u"Grace"_s);
    EXPECT_EQ(folderEntries(), QStringList{u"settings.json"_s});
}

TEST_F(PreferencesTest, WritesThroughASymbolicLink) {
    const QString real = home.path() + u"/dotfiles.json"_s;
    QDir().mkpath(folder());
    ASSERT_TRUE(QFile::link(real, path));
    handEdit(R"({"keep": true})");
    preferences.setText(u"name"_s, u"Ada"_s);
    EXPECT_TRUE(QFileInfo(path).isSymLink());
    EXPECT_EQ(QJsonDocument::fromJson(readFile(real)).object().value(u"keep"_s), true);
}

} // namespace
