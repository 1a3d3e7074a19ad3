#include "base/Log.h"
#include "base/WriteAll.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace {

QString stateHome() {
    const QByteArray fromEnv = qgetenv("XDG_STATE_HOME");
    // The XDG rules say relative paths are invalid and must be ignored.
    if (!fromEnv.isEmpty() && QDir::isAbsolutePath(QString::fromLocal8Bit(fromEnv))) {
        return QString::fromLocal8Bit(fromEnv);
    }
    return QDir::homePath() + QStringLiteral("/.local/state");
}

void appendToFile(const QString& message) {
    const QString path = Log::filePath();
    // Only the palimo folder is ours to create; a failure here just loses the file line.
    QDir().mkpath(QFileInfo(path).absolutePath());
    const QByteArray line = QDateTime::currentDateTimeUtc().toString(Qt::ISODate).toUtf8() + ' ' +
                            message.toUtf8() + '\n';
    const int fd = ::open(QFile::encodeName(path).constData(),
                          O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) {
        return;
    }
    writeAll(fd, line);
    ::close(fd);
}

void writeLine(int consoleFd, const QString& message) {
    writeAll(consoleFd, QByteArrayLiteral("[Palimo] ") + message.toUtf8() + '\n');
    appendToFile(message);
}

} // namespace

namespace Log {

QString filePath() {
    return stateHome() + QStringLiteral("/palimo/Palimo.log");
}

void info(const QString& message) {
    writeLine(STDOUT_FILENO, message);
}

void error(const QString& message) {
    writeLine(STDERR_FILENO, message);
}

} // namespace Log
