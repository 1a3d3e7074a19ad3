#include "platform/xdg/XdgAutostart.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <algorithm>

namespace {

const QString entryName = QStringLiteral("autostart/palimo.desktop");

QString configHome() {
    const QString fromEnv = qEnvironmentVariable("XDG_CONFIG_HOME");
    // The XDG rules say a relative path is invalid and must be ignored.
    return !fromEnv.isEmpty() && QDir::isAbsolutePath(fromEnv)
               ? fromEnv
               : QDir::homePath() + QStringLiteral("/.config");
}

// Whether an entry file would start the program: it exists, and neither hides itself nor is
// switched off by GNOME's own key. Unknown keys and the other groups do not matter here.
bool entryStarts(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return false;
    }
    bool inMainGroup = false;
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        if (line.startsWith(QLatin1Char('['))) {
            inMainGroup = line == QLatin1String("[Desktop Entry]");
            continue;
        }
        if (!inMainGroup) {
            continue;
        }
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        const QString key = line.left(equals).trimmed();
        const QString value = line.mid(equals + 1).trimmed();
        if ((key == QLatin1String("Hidden") && value == QLatin1String("true")) ||
            (key == QLatin1String("X-GNOME-Autostart-enabled") &&
             value == QLatin1String("false"))) {
            return false;
        }
    }
    return true;
}

} // namespace

XdgAutostart::XdgAutostart(QString executable, QString installedEntry)
    : m_executable(std::move(executable))
    , m_installedEntry(std::move(installedEntry)) {}

QString XdgAutostart::installedText() const {
    QFile file(m_installedEntry);
    return !m_installedEntry.isEmpty() && file.open(QIODevice::ReadOnly)
               ? QString::fromUtf8(file.readAll())
               : QString();
}

QString XdgAutostart::userEntryPath() {
    return configHome() + QLatin1Char('/') + entryName;
}

QStringList XdgAutostart::systemEntryPaths() {
    QString dirs = qEnvironmentVariable("XDG_CONFIG_DIRS");
    if (dirs.isEmpty()) {
        dirs = QStringLiteral("/etc/xdg");
    }
    QStringList paths;
    for (const QString& dir : dirs.split(QLatin1Char(':'), Qt::SkipEmptyParts)) {
        if (QDir::isAbsolutePath(dir)) {
            paths << dir + QLatin1Char('/') + entryName;
        }
    }
    return paths;
}

bool XdgAutostart::isEnabled() const {
    // The user's entry, when there is one, replaces every system-wide one of the same name.
    const QString user = userEntryPath();
    if (QFileInfo::exists(user)) {
        return entryStarts(user);
    }
    for (const QString& path : systemEntryPaths()) {
        if (QFileInfo::exists(path)) {
            return entryStarts(path);
        }
    }
    return false;
}

std::optional<QString> XdgAutostart::setEnabled(bool enabled) {
    if (enabled) {
        return write(entryText(m_executable, false, installedText()));
    }
    const QStringList system = systemEntryPaths();
    const bool systemEntry = std::any_of(
        system.begin(), system.end(), [](const QString& path) { return QFileInfo::exists(path); });
    if (systemEntry) {
        return write(entryText(m_executable, true, installedText()));
    }
    QFile user(userEntryPath());
    if (user.exists() && !user.remove()) {
        return QStringLiteral("Could not remove %1: %2").arg(user.fileName(), user.errorString());
    }
    return std::nullopt;
}

std::optional<QString> XdgAutostart::write(const QByteArray& text) const {
    const QString path = userEntryPath();
    if (!QDir().mkpath(QFileInfo(path).absolutePath())) {
        return QStringLiteral("Could not create the folder %1").arg(QFileInfo(path).absolutePath());
    }
    // Written aside and renamed, so a session starting meanwhile never reads half an entry.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size() || !file.commit()) {
        return QStringLiteral("Could not write %1: %2").arg(path, file.errorString());
    }
    return std::nullopt;
}

QString XdgAutostart::execValue(const QString& executable) {
    // Inside the quotes, ", `, $ and \ take a backslash; then the value as a whole is a
    // string, where a backslash is itself written as two. A percent sign would start a field
    // code and is doubled.
    QString quoted;
    for (const QChar c : executable) {
        if (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$')) {
            quoted += QStringLiteral("\\\\") + c;
        } else if (c == QLatin1Char('\\')) {
            quoted += QStringLiteral("\\\\\\\\");
        } else if (c == QLatin1Char('%')) {
            quoted += QStringLiteral("%%");
        } else {
            quoted += c;
        }
    }
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

QByteArray XdgAutostart::entryText(const QString& executable, bool hidden, const QString& base) {
    // The installed entry's main group, without what says how or whether it starts.
    static const QStringList replaced = {
        QStringLiteral("Exec"), QStringLiteral("TryExec"), QStringLiteral("Hidden"),
        QStringLiteral("DBusActivatable"), QStringLiteral("X-GNOME-Autostart-enabled")};
    QString text;
    bool inMainGroup = false;
    for (const QString& line : base.split(QLatin1Char('\n'))) {
        if (line.startsWith(QLatin1Char('['))) {
            if (inMainGroup) {
                break;
            }
            inMainGroup = line.trimmed() == QLatin1String("[Desktop Entry]");
        }
        const QString key = line.section(QLatin1Char('='), 0, 0).trimmed();
        if (inMainGroup && !line.trimmed().isEmpty() && !replaced.contains(key)) {
            text += line + QLatin1Char('\n');
        }
    }
    if (text.isEmpty()) {
        text = QStringLiteral("[Desktop Entry]\n"
                              "Type=Application\n"
                              "Name=Palimo\n"
                              "Comment=Rewrite selected text in place\n"
                              "Terminal=false\n");
    }
    text += QStringLiteral("Exec=") + execValue(executable) + QLatin1Char('\n');
    text += hidden ? QStringLiteral("Hidden=true\n")
                   : QStringLiteral("X-GNOME-Autostart-enabled=true\n");
    return text.toUtf8();
}
