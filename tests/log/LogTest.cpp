#include "base/Log.h"
#include "support/TempHome.h"

#include <QFile>
#include <QRegularExpression>
#include <QStringList>

#include <gtest/gtest.h>

#include <map>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

// Captures what is written to a file descriptor while `body` runs.
template <typename Body> QByteArray captureFd(int fd, Body body) {
    fflush(nullptr);
    int pipeFds[2];
    EXPECT_EQ(pipe(pipeFds), 0);
    const int saved = dup(fd);
    dup2(pipeFds[1], fd);
    close(pipeFds[1]);
    // Drain while the body writes, so a full pipe never stalls it.
    QByteArray out;
    std::thread reader([&] {
        char buffer[4096];
        ssize_t n;
        while ((n = read(pipeFds[0], buffer, sizeof buffer)) > 0) {
            out.append(buffer, n);
        }
    });
    body();
    dup2(saved, fd);
    close(saved);
    reader.join();
    close(pipeFds[0]);
    return out;
}

const QRegularExpression
    fileLine(QStringLiteral("^\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\dZ (.*)$"));

} // namespace

// Info to standard output, errors to standard error, both with the prefix; the file gets a
// timestamped line, and a message's own line breaks stay as they are.
TEST(Log, EachLevelGoesToItsStreamAndToAFreshFileWithATimestamp) {
    for (const auto& [fd, write] : std::map<int, void (*)(const QString&)>{
             {STDOUT_FILENO, &Log::info}, {STDERR_FILENO, &Log::error}}) {
        TempHome home;
        EXPECT_EQ(Log::filePath(), home.stateHome() + QStringLiteral("/palimo/Palimo.log"));
        ASSERT_FALSE(QFile::exists(Log::filePath()));
        const QString message = QStringLiteral("Could not save — first\nsecond");
        const auto log = write;
        const QByteArray out = captureFd(fd, [&] { log(message); });
        EXPECT_EQ(out, QByteArrayLiteral("[Palimo] ") + message.toUtf8() + '\n');
        const QStringList lines = QString::fromUtf8(readFile(Log::filePath())).split(u'\n');
        ASSERT_EQ(lines.size(), 3) << fd;
        EXPECT_EQ(fileLine.match(lines[0]).captured(1), QStringLiteral("Could not save — first"));
        EXPECT_EQ(lines[1], QStringLiteral("second"));
    }
}

TEST(Log, DeletedFileIsRecreatedAndUnwritableFolderOnlyLosesTheFileLine) {
    TempHome home;
    captureFd(STDOUT_FILENO, [] { Log::info(QStringLiteral("one")); });
    ASSERT_TRUE(QFile::remove(Log::filePath()));
    captureFd(STDOUT_FILENO, [] { Log::info(QStringLiteral("two")); });
    const QByteArray file = readFile(Log::filePath());
    EXPECT_EQ(file.count('\n'), 1);
    EXPECT_TRUE(file.endsWith(" two\n"));

    // A state home that is a regular file cannot hold a folder.
    const QString blocker = home.path() + QStringLiteral("/blocker");
    QFile block(blocker);
    ASSERT_TRUE(block.open(QIODevice::WriteOnly));
    block.close();
    qputenv("XDG_STATE_HOME", QFile::encodeName(blocker));
    const QByteArray out =
        captureFd(STDOUT_FILENO, [] { Log::info(QStringLiteral("still here")); });
    EXPECT_EQ(out, QByteArray("[Palimo] still here\n"));
    EXPECT_FALSE(QFile::exists(Log::filePath()));
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
    const QStringList lines =
        QString::fromUtf8(readFile(Log::filePath())).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), threads * perThread);
    const QRegularExpression whole(QStringLiteral("^\\S+Z thread \\d line \\d+ x{300}$"));
    for (const QString& line : lines) {
        ASSERT_TRUE(whole.match(line).hasMatch()) << line.left(80).toStdString();
    }
}
