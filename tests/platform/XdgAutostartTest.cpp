#include "platform/xdg/XdgAutostart.h"
#include "support/TempHome.h"

#include <QFile>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

// (Switching on and off, and a refused write, are done through the settings window by the
// settings system test.) The state is read back from the files, including a system-wide entry,
// which is switched off with a hidden user entry.
TEST(XdgAutostartTest, TheStateIsReadBackFromTheFilesAndASystemEntryIsHidden) {
    TempHome home;
    const QString systemDir = home.path() + u"/etc-xdg"_s;
    qputenv("XDG_CONFIG_DIRS", QFile::encodeName(systemDir));
    const QString entry = home.configHome() + u"/autostart/palimo.desktop"_s;
    XdgAutostart autostart(u"/opt/Palimo apps/palimo"_s, home.path() + u"/missing.desktop"_s);
    const std::pair<QByteArray, bool> entries[] = {
        {"[Desktop Entry]\nExec=palimo\nHidden=true\n", false},
        {"[Desktop Entry]\nExec=palimo\nX-GNOME-Autostart-enabled=false\n", false},
        {"[Desktop Entry]\nExec=palimo\n[Desktop Action x]\nHidden=true\n", true},
    };
    for (const auto& [text, enabled] : entries) {
        writeFile(entry, text);
        EXPECT_EQ(autostart.isEnabled(), enabled) << text.toStdString();
    }
    QFile::remove(entry);
    writeFile(systemDir + u"/autostart/palimo.desktop"_s, "[Desktop Entry]\nExec=palimo\n");
    EXPECT_TRUE(autostart.isEnabled());
    EXPECT_EQ(autostart.setEnabled(false), std::nullopt);
    EXPECT_TRUE(readFile(entry).contains("\nHidden=true\n"));
    EXPECT_FALSE(autostart.isEnabled());
    EXPECT_EQ(autostart.setEnabled(true), std::nullopt);
    EXPECT_TRUE(autostart.isEnabled());
    EXPECT_TRUE(readFile(entry).contains("\nComment=")) << "no installed entry to copy";
    qunsetenv("XDG_CONFIG_DIRS");
}

TEST(XdgAutostartExec, ReservedCharactersAreQuotedAndEscapedTwice) {
    const std::pair<QString, QString> cases[] = {
        {u"/x/\"q\"/$HOME/`c`"_s, u"\"/x/\\\\\"q\\\\\"/\\\\$HOME/\\\\`c\\\\`\""_s},
        {u"/x/back\\slash"_s, u"\"/x/back\\\\\\\\slash\""_s},
        {u"/x/100%/palimo"_s, u"\"/x/100%%/palimo\""_s},
    };
    for (const auto& [path, exec] : cases) {
        EXPECT_EQ(XdgAutostart::execValue(path), exec) << path.toStdString();
    }
}

TEST(XdgAutostartInstalledTest, TheInstalledEntryIsCopiedWithItsExecReplaced) {
    TempHome home;
    const QString installed = home.path() + u"/share/applications/app.palimo.Palimo.desktop"_s;
    writeFile(installed, "[Desktop Entry]\nType=Application\nName=Palimo\nName[de]=Palimo\n"
                         "Exec=palimo\nTryExec=palimo\nIcon=app.palimo.Palimo\n\n"
                         "[Desktop Action settings]\nExec=palimo --settings\n");
    XdgAutostart autostart(u"/usr/bin/palimo"_s, installed);
    ASSERT_EQ(autostart.setEnabled(true), std::nullopt);
    EXPECT_EQ(readFile(XdgAutostart::userEntryPath()),
              "[Desktop Entry]\nType=Application\nName=Palimo\nName[de]=Palimo\n"
              "Icon=app.palimo.Palimo\nExec=\"/usr/bin/palimo\"\n"
              "X-GNOME-Autostart-enabled=true\n");
}

} // namespace
