#include "support/TempHome.h"

#include "base/Log.h"

#include <QDir>
#include <QFileInfo>

#include <gtest/gtest.h>

QByteArray readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
    file.write(bytes);
}

QStringList TempHome::logLines() {
    QStringList lines;
    for (const QString& line : QString::fromUtf8(readFile(Log::filePath())).split(u'\n')) {
        if (!line.isEmpty()) {
            lines.append(line.section(u' ', 1));
        }
    }
    return lines;
}

TempHome::TempHome() {
    set("HOME", m_dir.path());
    set("XDG_CONFIG_HOME", configHome());
    set("XDG_STATE_HOME", stateHome());
    set("XDG_DATA_HOME", m_dir.path() + QStringLiteral("/data"));
    set("XDG_CACHE_HOME", m_dir.path() + QStringLiteral("/cache"));
}

TempHome::~TempHome() {
    for (const auto& [name, value] : m_saved) {
        if (value) {
            qputenv(name.constData(), *value);
        } else {
            qunsetenv(name.constData());
        }
    }
}

void TempHome::set(const char* name, const QString& value) {
    if (!m_saved.count(name)) {
        m_saved[name] =
            qEnvironmentVariableIsSet(name) ? std::optional(qgetenv(name)) : std::nullopt;
    }
    qputenv(name, QFile::encodeName(value));
}
