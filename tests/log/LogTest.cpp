#include "base/Log.h"
#include "support/TempHome.h"

#include <QFile>
#include <QRegularExpression>
#include <QStringList>

#include <gtest/gtest.h>

#include <thread>
#include <vector>

using namespace testing::internal;
using namespace std::string_literals;

// Info to standard output, errors to standard error, both with the prefix; the file gets a
// timestamped line, and a message's own line breaks stay as they are. A deleted file is made
// again; a state home that cannot hold a folder loses only the file line.
TEST(Log, EachLevelGoesToItsStreamAndToTheFileWhileTheFileCanBeWritten) {
    TempHome home;
    EXPECT_EQ(Log::filePath(), home.stateHome() + QStringLiteral("/palimo/Palimo.log"));
    // What a level wrote to standard output and standard error.
    const auto log = [](void (*level)(const QString&), const QString& text) {
        CaptureStdout();
        CaptureStderr();
        level(text);
        const std::string err = GetCapturedStderr();
        return std::pair(GetCapturedStdout(), err);
    };
    const QString message = QStringLiteral("Could not save — first\nsecond");
    const std::string line = "[Palimo] " + message.toStdString() + '\n', none;
    EXPECT_EQ(log(Log::info, message), std::pair(line, none));
    EXPECT_EQ(log(Log::error, message), std::pair(none, line));
    const QRegularExpression timestamped(QStringLiteral(
        "^(\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\dZ Could not save — first\nsecond\n){2}$"));
    EXPECT_TRUE(timestamped.match(QString::fromUtf8(readFile(Log::filePath()))).hasMatch());

    ASSERT_TRUE(QFile::remove(Log::filePath()));
    log(Log::error, QStringLiteral("two"));
    EXPECT_TRUE(readFile(Log::filePath()).endsWith("Z two\n"));

    writeFile(home.path() + QStringLiteral("/blocker"), "a file, not a folder");
    qputenv("XDG_STATE_HOME", QFile::encodeName(home.path() + QStringLiteral("/blocker")));
    EXPECT_EQ(log(Log::info, QStringLiteral("still")), std::pair("[Palimo] still\n"s, none));
}

TEST(Log, LinesFromManyThreadsStayWhole) {
    TempHome home;
    constexpr int threads = 6;
    constexpr int perThread = 150;
    // A long message makes torn writes likely if lines were written in pieces.
    const QString padding(300, QLatin1Char('x'));
    CaptureStdout();
    {
        std::vector<std::jthread> workers; // joined at the end of this block
        for (int t = 0; t < threads; ++t) {
            workers.emplace_back([t, &padding] {
                for (int i = 0; i < perThread; ++i) {
                    Log::info(QStringLiteral("thread %1 line %2 %3").arg(t).arg(i).arg(padding));
                }
            });
        }
    }
    GetCapturedStdout();
    // Without their timestamps; a torn line would not match, or would change the count.
    const QStringList lines = TempHome::logLines();
    ASSERT_EQ(lines.size(), threads * perThread);
    const QRegularExpression whole(QStringLiteral("^thread \\d line \\d+ x{300}$"));
    EXPECT_EQ(lines.filter(whole).size(), lines.size());
}
