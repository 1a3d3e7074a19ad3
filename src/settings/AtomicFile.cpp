#include "settings/AtomicFile.h"
#include "base/WriteAll.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString reason(const QString& what, const QString& path, int error) {
    return what + QStringLiteral(" ") + path + QStringLiteral(": ") + qt_error_string(error);
}

// Without this the rename itself may not survive a power loss on some file systems.
void syncFolder(const QString& dir) {
    const int fd = ::open(QFile::encodeName(dir).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

// A writer killed between creating its temporary file and the rename leaves that file behind.
// One older than a minute belongs to no live writer.
void removeStaleTemporaries(const QString& path) {
    const QFileInfo target(path);
    const QDateTime cutoff = QDateTime::currentDateTimeUtc().addSecs(-60);
    const QFileInfoList leftovers =
        QDir(target.absolutePath())
            .entryInfoList({target.fileName() + QStringLiteral(".tmp-??????")},
                           QDir::Files | QDir::Hidden);
    for (const QFileInfo& leftover : leftovers) {
        if (leftover.lastModified() < cutoff) {
            QFile::remove(leftover.absoluteFilePath());
        }
    }
}

} // namespace

namespace AtomicFile {

std::optional<QString> makeFolder(const QString& dir) {
    const QByteArray encoded = QFile::encodeName(dir);
    struct stat st {};
    if (::stat(encoded.constData(), &st) == 0) {
        if (S_ISDIR(st.st_mode)) {
            return std::nullopt;
        }
        return reason(QStringLiteral("Not a folder:"), dir, ENOTDIR);
    }
    const QString parent = QFileInfo(dir).absolutePath();
    if (parent != dir) {
        if (auto failure = makeFolder(parent)) {
            return failure;
        }
    }
    if (::mkdir(encoded.constData(), 0700) != 0 && errno != EEXIST) {
        return reason(QStringLiteral("Could not create"), dir, errno);
    }
    return std::nullopt;
}

std::optional<QString> write(const QString& path, const QByteArray& bytes) {
    const QString dir = QFileInfo(path).absolutePath();
    if (auto failure = makeFolder(dir)) {
        return failure;
    }
    // A unique name per attempt: two writers never share a temporary file, so neither can
    // rename the other's half-written bytes into place.
    QByteArray tempName = QFile::encodeName(path) + ".tmp-XXXXXX";
    const int fd = ::mkostemp(tempName.data(), O_CLOEXEC);
    if (fd < 0) {
        return reason(QStringLiteral("Could not create a temporary file beside"), path, errno);
    }
    int error = 0;
    if (::fchmod(fd, 0600) != 0 || !writeAll(fd, bytes) || ::fsync(fd) != 0) {
        error = errno;
    }
    if (::close(fd) != 0 && error == 0) {
        error = errno;
    }
    if (error == 0 && ::rename(tempName.constData(), QFile::encodeName(path).constData()) != 0) {
        error = errno;
    }
    if (error != 0) {
        ::unlink(tempName.constData());
        return reason(QStringLiteral("Could not write"), path, error);
    }
    syncFolder(dir);
    removeStaleTemporaries(path);
    return std::nullopt;
}

} // namespace AtomicFile
