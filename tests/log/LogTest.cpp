#include "base/Log.h"
#include "support/TempHome.h"

#include <QFile>
#include <QRegularExpression>
#include <QStringList>
#include <QTemporaryFile>

#include <gtest/gtest.h>

#include <thread>
#include <unistd.h>
#include <vector>

namespace {

// What is written to a file descriptor while `body` runs.
template <typename Body> QByteArray captureFd(int fd, Body body) {
    QTemporaryFile sink;
    EXPECT_TRUE(sink.open());
    const int saved = dup(fd);
    dup2(sink.handle(), fd);
    body();
    dup2(saved, fd);
    close(saved);
    sink.seek(0);
    return sink.readAll();
}

} // namespace

// Info to standard output, errors to standard error, both with the prefix; the file gets a
// timestamped line, and a message's own line breaks stay as they are. A deleted file is made
// again; a state home that cannot hold a folder loses only the file line.
TEST(Log, EachLevelGoesToItsStreamAndToTheFileWhileTheFileCanBeWritten) {
    const QString message = QStringLiteral("Could not save — first\nsecond");
    for (const auto& [fd, write] :
         {std::pair{STDOUT_FILENO, &Log::info}, {STDERR_FILENO, &Log::error}}) {
        TempHome home;
        EXPECT_EQ(Log::filePath(), home.stateHome() + QStringLiteral("/palimo/Palimo.log"));
        const auto log = write;
        EXPECT_EQ(captureFd(fd, [&] { log(message); }), "[Palimo] " + message.toUtf8() + '\n');
        const QRegularExpression timestamped(
            QStringLiteral("^\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\dZ Could not save — first\n"
                           "second\n$"));
        EXPECT_TRUE(timestamped.match(QString::fromUtf8(readFile(Log::filePath()))).hasMatch());

        ASSERT_TRUE(QFile::remove(Log::filePath()));
        captureFd(fd, [&] { log(QStringLiteral("two")); });
        EXPECT_TRUE(readFile(Log::filePath()).endsWith("Z two\n"));
        EXPECT_EQ(readFile(Log::filePath()).count('\n'), 1);

        writeFile(home.path() + QStringLiteral("/blocker"), "a file, not a folder");
        qputenv("XDG_STATE_HOME", QFile::encodeName(home.path() + QStringLiteral("/blocker")));
        EXPECT_EQ(captureFd(fd, [&] { log(QStringLiteral("still here")); }),
                  "[Palimo] still here\n");
        EXPECT_FALSE(QFile::exists(Log::filePath()));
    }
}

TEST(Log, LinesFromManyThreadsStayWhole) {
    TempHome home;
    constexpr int threads = 6;
    constexpr int perThread = 150;
    // A long message makes torn writes likely if lines were written in pieces.
    const QString padding(300, QLatin1Char('x'));
    captureFd(STDOUT_FILENO, [&] {
        std::vector<std::thread> workers;
        for (int t = 0; t < threads; ++t) {
            workers.emplace_back([t, &padding] {
                for (int i = 0; i < perThread; ++i) {
                    Log::info(QStringLiteral("thread %1 line %2 %3").arg(t).arg(i).arg(padding));
                }
            });
        }
        for (auto& worker : workers) {
            worker.join();
        }
    });
    // Without their timestamps; a torn line would not match, or would change the count.
    const QStringList lines = TempHome::logLines();
    ASSERT_EQ(lines.size(), threads * perThread);
    const QRegularExpression whole(QStringLiteral("^thread \\d line \\d+ x{300}$"));
    EXPECT_EQ(lines.filter(whole).size(), lines.size());
}
