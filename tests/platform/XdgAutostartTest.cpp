#include "platform/xdg/XdgAutostart.h"
#include "support/TempHome.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

QString read(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

void write(const QString& path, const QString& text) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(text.toUtf8());
}

class XdgAutostartTest : public ::testing::Test {
protected:
    void SetUp() override { qputenv("XDG_CONFIG_DIRS", QFile::encodeName(systemDir)); }
    void TearDown() override { qunsetenv("XDG_CONFIG_DIRS"); }

    TempHome home;
    QString systemDir = home.path() + u"/etc-xdg"_s;
    QString entry = home.configHome() + u"/autostart/palimo.desktop"_s;
    XdgAutostart autostart{u"/opt/Palimo apps/palimo"_s};
};

// (Switching on and off, and a refused write, are done through the settings window by the
// settings system test.) The state is read back from the files, including a system-wide entry.
TEST_F(XdgAutostartTest, TheStateIsReadBackFromTheFiles) {
    EXPECT_EQ(XdgAutostart::userEntryPath(), entry);
    write(entry, u"[Desktop Entry]\nExec=palimo\nHidden=true\n"_s);
    EXPECT_FALSE(autostart.isEnabled());
    write(entry, u"[Desktop Entry]\nExec=palimo\nX-GNOME-Autostart-enabled=false\n"_s);
    EXPECT_FALSE(autostart.isEnabled());
    write(entry, u"[Desktop Entry]\nExec=palimo\n[Desktop Action x]\nHidden=true\n"_s);
    EXPECT_TRUE(autostart.isEnabled());
}

TEST_F(XdgAutostartTest, ASystemWideEntryIsSwitchedOffWithAHiddenUserEntry) {
    write(systemDir + u"/autostart/palimo.desktop"_s, u"[Desktop Entry]\nExec=palimo\n"_s);
    EXPECT_TRUE(autostart.isEnabled());
    EXPECT_EQ(autostart.setEnabled(false), std::nullopt);
    EXPECT_TRUE(read(entry).contains(u"\nHidden=true\n"_s));
    EXPECT_FALSE(autostart.isEnabled());
    EXPECT_EQ(autostart.setEnabled(true), std::nullopt);
    EXPECT_TRUE(autostart.isEnabled());
}

TEST(XdgAutostartExec, ReservedCharactersAreQuotedAndEscapedTwice) {
    const std::pair<QString, QString> cases[] = {
        {u"/usr/bin/palimo"_s, u"\"/usr/bin/palimo\""_s},
        {u"/home/a b/palimo"_s, u"\"/home/a b/palimo\""_s},
        {u"/x/\"q\"/$HOME/`c`"_s, u"\"/x/\\\\\"q\\\\\"/\\\\$HOME/\\\\`c\\\\`\""_s},
        {u"/x/back\\slash"_s, u"\"/x/back\\\\\\\\slash\""_s},
        {u"/x/100%/palimo"_s, u"\"/x/100%%/palimo\""_s},
    };
    for (const auto& [path, exec] : cases) {
        EXPECT_EQ(XdgAutostart::execValue(path), exec) << path.toStdString();
    }
}

} // namespace

namespace {

TEST(XdgAutostartInstalledTest, TheInstalledEntryIsCopiedWithItsExecReplaced) {
    TempHome home;
    const QString installed = home.path() + u"/share/applications/app.palimo.Palimo.desktop"_s;
    write(installed, u"[Desktop Entry]\nType=Application\nName=Palimo\nName[de]=Palimo\n"
                     u"Exec=palimo\nTryExec=palimo\nIcon=app.palimo.Palimo\n\n"
                     u"[Desktop Action settings]\nExec=palimo --settings\n"_s);
    XdgAutostart autostart(u"/usr/bin/palimo"_s, installed);
    ASSERT_EQ(autostart.setEnabled(true), std::nullopt);
    EXPECT_EQ(read(XdgAutostart::userEntryPath()),
              u"[Desktop Entry]\nType=Application\nName=Palimo\nName[de]=Palimo\n"
              u"Icon=app.palimo.Palimo\nExec=\"/usr/bin/palimo\"\n"
              u"X-GNOME-Autostart-enabled=true\n"_s);
    XdgAutostart uninstalled(u"/usr/bin/palimo"_s, home.path() + u"/missing.desktop"_s);
    ASSERT_EQ(uninstalled.setEnabled(true), std::nullopt);
    EXPECT_TRUE(read(XdgAutostart::userEntryPath()).contains(u"\nComment="_s));
}

} // namespace
