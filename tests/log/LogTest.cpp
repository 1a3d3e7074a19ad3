#include "base/Log.h"
#include "support/TempHome.h"

#include <QFile>
#include <QRegularExpression>
#include <QStringList>

#include <gtest/gtest.h>

#include <thread>
#include <unistd.h>
#include <vector>

namespace {

QByteArray readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

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

TEST(Log, InfoGoesToStdoutWithPrefixAndToAFreshFileWithTimestamp) {
    TempHome home;
    EXPECT_EQ(Log::filePath(), home.stateHome() + QStringLiteral("/palimo/Palimo.log"));
    ASSERT_FALSE(QFile::exists(Log::filePath()));

    const QByteArray out =
        captureFd(STDOUT_FILENO, [] { Log::info(QStringLiteral("Prompt cancelled.")); });
    EXPECT_EQ(out, QByteArray("[Palimo] Prompt cancelled.\n"));

    const QByteArray file = readFile(Log::filePath());
    ASSERT_TRUE(file.endsWith('\n'));
    EXPECT_EQ(file.count('\n'), 1);
    const auto match = fileLine.match(QString::fromUtf8(file.chopped(1)));
    ASSERT_TRUE(match.hasMatch()) << file.constData();
    EXPECT_EQ(match.captured(1), QStringLiteral("Prompt cancelled."));
}

TEST(Log, ErrorGoesToStderrAndMultiLineMessagesStayUnchanged) {
    TempHome home;
    const QString message = QStringLiteral("Could not save — first\nsecond");
    const QByteArray err = captureFd(STDERR_FILENO, [&] { Log::error(message); });
    EXPECT_EQ(err, QByteArrayLiteral("[Palimo] ") + message.toUtf8() + '\n');
    const QStringList lines = QString::fromUtf8(readFile(Log::filePath())).split(QLatin1Char('\n'));
    ASSERT_EQ(lines.size(), 3);
    EXPECT_TRUE(fileLine.match(lines[0]).hasMatch());
    EXPECT_TRUE(lines[0].endsWith(QStringLiteral("Could not save — first")));
    EXPECT_EQ(lines[1], QStringLiteral("second"));
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
