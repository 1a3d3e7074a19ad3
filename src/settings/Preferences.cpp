#include "settings/Preferences.h"

#include "base/Log.h"
#include "settings/AtomicFile.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonParseError>
#include <QRegularExpression>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::int64_t nanoseconds(const struct timespec& time) {
    return static_cast<std::int64_t>(time.tv_sec) * 1'000'000'000 + time.tv_nsec;
}

// Returns nothing and leaves errno set when reading fails.
std::optional<QByteArray> readAll(int fd) {
    QByteArray bytes;
    char buffer[16384];
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            return std::nullopt;
        }
        if (got == 0) {
            return bytes;
        }
        bytes.append(buffer, got);
    }
}

// The members worth carrying out of a file that no longer parses (see the class comment).
const char* const salvagedKeys[] = {"apiBaseURL"};

// Each salvaged key whose string value still reads cleanly in the broken text.
QJsonObject salvage(const QByteArray& broken) {
    QJsonObject kept;
    for (const char* key : salvagedKeys) {
        const QRegularExpression member(
            QStringLiteral("\"%1\"\\s*:\\s*(\"(?:[^\"\\\\\\n]|\\\\.)*\")").arg(QLatin1String(key)));
        const QRegularExpressionMatch match = member.match(QString::fromUtf8(broken));
        const QJsonDocument value = QJsonDocument::fromJson("[" + match.captured(1).toUtf8() + "]");
        if (match.hasMatch() && value.isArray() && value.array().at(0).isString()) {
            kept.insert(QLatin1String(key), value.array().at(0));
        }
    }
    return kept;
}

} // namespace

Preferences::Preferences(QString filePath)
    : m_filePath(std::move(filePath)) {}

QString Preferences::defaultFilePath() {
    const QString fromEnv = qEnvironmentVariable("XDG_CONFIG_HOME");
    // The XDG rules say a relative path is invalid and must be ignored.
    const QString base = !fromEnv.isEmpty() && QDir::isAbsolutePath(fromEnv)
                             ? fromEnv
                             : QDir::homePath() + QStringLiteral("/.config");
    return base + QStringLiteral("/palimo/settings.json");
}

void Preferences::refresh() const {
    const int fd = ::open(QFile::encodeName(m_filePath).constData(), O_RDONLY | O_CLOEXEC);
    struct stat info {};
    std::optional<QByteArray> bytes;
    int error = 0;
    if (fd < 0) {
        error = errno;
    } else if (::fstat(fd, &info) != 0) {
        error = errno;
    } else {
        const Stamp stamp{static_cast<std::uint64_t>(info.st_dev),
                          static_cast<std::uint64_t>(info.st_ino), info.st_size,
                          nanoseconds(info.st_mtim), nanoseconds(info.st_ctim)};
        if (m_stamp == stamp) {
            ::close(fd);
            return;
        }
        m_stamp = stamp;
        bytes = readAll(fd);
        error = bytes ? 0 : errno;
    }
    if (fd >= 0) {
        ::close(fd);
    }
    m_object = QJsonObject();
    if (error == ENOENT) {
        m_state = FileState::Missing;
        m_stamp.reset();
        return;
    }
    if (error != 0) {
        // Reported once on entering the state, not on every read.
        if (m_state != FileState::Unreadable) {
            Log::error(QStringLiteral("Could not read the settings file ") + m_filePath +
                       QStringLiteral(": ") + qt_error_string(error) +
                       QStringLiteral(". Using the defaults."));
        }
        m_state = FileState::Unreadable;
        m_stamp.reset();
        return;
    }
    QJsonParseError parseError{};
    const QJsonDocument document = QJsonDocument::fromJson(*bytes, &parseError);
    if (parseError.error != QJsonParseError::NoError || !document.isObject()) {
        const QString why = parseError.error != QJsonParseError::NoError
                                ? parseError.errorString() + QStringLiteral(" at offset ") +
                                      QString::number(parseError.offset)
                                : QStringLiteral("not a JSON object");
        Log::error(QStringLiteral("The settings file ") + m_filePath +
                   QStringLiteral(" does not parse (") + why +
                   QStringLiteral("). Using the defaults; the file will be kept aside at the "
                                  "next change of a setting."));
        m_state = FileState::Broken;
        m_brokenBytes = *bytes;
        return;
    }
    m_brokenBytes.clear();
    m_object = document.object();
    m_state = FileState::Parsed;
}

bool Preferences::hidesValueOf(const QString& key) const {
    refresh();
    if (m_state == FileState::Unreadable) {
        return true;
    }
    return m_state == FileState::Broken &&
           m_brokenBytes.contains(QByteArray('"' + key.toUtf8() + '"')) &&
           !salvage(m_brokenBytes).contains(key);
}

std::optional<QJsonValue> Preferences::value(const QString& key) const {
    refresh();
    const QJsonObject object = m_state == FileState::Broken ? salvage(m_brokenBytes) : m_object;
    const auto found = object.constFind(key);
    if (found == object.constEnd()) {
        return std::nullopt;
    }
    return *found;
}

std::optional<QString> Preferences::text(const QString& key) const {
    const auto found = value(key);
    if (!found || !found->isString()) {
        return std::nullopt;
    }
    return found->toString();
}

std::optional<bool> Preferences::boolean(const QString& key) const {
    const auto found = value(key);
    if (!found || !found->isBool()) {
        return std::nullopt;
    }
    return found->toBool();
}

std::optional<QJsonValue> Preferences::record(const QString& key) const {
    const auto found = value(key);
    if (!found || !(found->isObject() || found->isArray())) {
        return std::nullopt;
    }
    return found;
}

void Preferences::setText(const QString& key, const QString& value) {
    update(key, [&](QJsonObject& object) { object.insert(key, value); });
}

void Preferences::setBoolean(const QString& key, bool value) {
    update(key, [&](QJsonObject& object) { object.insert(key, value); });
}

void Preferences::setRecord(const QString& key, const QJsonValue& value) {
    update(key, [&](QJsonObject& object) { object.insert(key, value); });
}

void Preferences::remove(const QString& key) {
    update(key, [&](QJsonObject& object) { object.remove(key); });
}

template <typename Change> void Preferences::update(const QString& key, Change change) {
    refresh();
    if (m_state == FileState::Unreadable) {
        // Writing now would replace every other setting the file holds with just this one.
        Log::error(QStringLiteral("Could not save setting ") + key +
                   QStringLiteral(": the settings file ") + m_filePath +
                   QStringLiteral(" cannot be read, so it is left as it is."));
        return;
    }
    QJsonObject next = m_state == FileState::Broken ? salvage(m_brokenBytes) : m_object;
    change(next);
    if (m_state != FileState::Broken && next == m_object) {
        return; // nothing would change on disk
    }
    const QString target = targetPath();
    if (m_state == FileState::Broken && !setBrokenFileAside(target)) {
        return;
    }
    const QByteArray bytes = QJsonDocument(next).toJson(QJsonDocument::Indented);
    if (const auto failure = AtomicFile::write(target, bytes)) {
        Log::error(QStringLiteral("Could not save setting ") + key + QStringLiteral(". ") +
                   *failure + QStringLiteral("."));
    }
    // Re-read on next use rather than trusting what was meant to be written.
    m_stamp.reset();
    m_state = FileState::Missing;
    m_object = QJsonObject();
}

bool Preferences::setBrokenFileAside(const QString& path) {
    const QString base =
        path + QStringLiteral(".broken-") +
        QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMdd'T'HHmmss'Z'"));
    QString aside = base;
    for (int n = 2; QFileInfo::exists(aside) || QFileInfo(aside).isSymLink(); ++n) {
        aside = base + QLatin1Char('-') + QString::number(n);
    }
    if (::rename(QFile::encodeName(path).constData(), QFile::encodeName(aside).constData()) != 0) {
        Log::error(QStringLiteral("Could not keep the unreadable settings file ") + path +
                   QStringLiteral(" aside: ") + qt_error_string(errno) +
                   QStringLiteral(". Settings are not saved until it is fixed or removed."));
        return false;
    }
    Log::error(QStringLiteral("Kept the unreadable settings file as ") + aside +
               QStringLiteral(" and started a fresh one."));
    return true;
}

QString Preferences::targetPath() const {
    // Replacing a symbolic link (a dotfiles manager's, say) would cut it; write where it points.
    const QFileInfo info(m_filePath);
    if (!info.isSymLink()) {
        return m_filePath;
    }
    const QString canonical = info.canonicalFilePath();
    return canonical.isEmpty() ? info.symLinkTarget() : canonical;
}
