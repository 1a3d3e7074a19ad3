#include "shortcuts/SessionLimits.h"

#include <gtest/gtest.h>

// Each missing step is said once, with what to do instead; the desktop only names where its
// shortcut settings are, and a session that allows everything gets no line at all.
TEST(SessionLimits, OneLinePerMissingStepWithWhatToDoInstead) {
    const struct {
        SessionAbilities abilities;
        const char* desktop;
        std::vector<const char*> starts; // of each line, in order
        const char* where = "";          // named in the shortcut line
    } cases[] = {
        {{true, true, true}, "GNOME", {}},
        {{false, true, true}, "ubuntu:GNOME", {"Palimo can't set up"}, "Settings › Keyboard"},
        {{false, true, true}, "KDE", {"Palimo can't set up"}, "System Settings › Shortcuts"},
        {{false, false, false},
         "sway",
         {"Palimo can't set up", "Palimo can't press Copy and Paste or"},
         "your sway config"},
        {{true, true, false}, "", {"Palimo can't reach the clipboard"}},
    };
    for (const auto& c : cases) {
        const QStringList lines =
            SessionLimits::describe(c.abilities, QString::fromUtf8(c.desktop));
        ASSERT_EQ(lines.size(), qsizetype(c.starts.size())) << c.desktop;
        for (size_t i = 0; i < c.starts.size(); ++i) {
            EXPECT_TRUE(lines[qsizetype(i)].startsWith(QString::fromUtf8(c.starts[i])))
                << lines[qsizetype(i)].toStdString();
        }
        if (!c.abilities.globalShortcut) {
            EXPECT_TRUE(lines[0].contains(QString::fromUtf8(c.where))) << lines[0].toStdString();
        }
    }
}
