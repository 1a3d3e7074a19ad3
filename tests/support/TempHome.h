#pragma once

#include "base/Log.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <map>
#include <optional>

// A file's bytes; empty when it cannot be read.
inline QByteArray readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Replaces a file's contents, making its folder first; a test failure when that fails.
inline void writeFile(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
    file.write(bytes);
}

// Points HOME and the XDG folders at a fresh temporary directory for the life of the object,
// and puts the previous values back afterwards.
class TempHome {
public:
    TempHome() {
        for (const char* name :
             {"HOME", "XDG_CONFIG_HOME", "XDG_STATE_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME"}) {
            m_saved[name] =
                qEnvironmentVariableIsSet(name) ? std::optional(qgetenv(name)) : std::nullopt;
        }
        qputenv("HOME", QFile::encodeName(path()));
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(configHome()));
        qputenv("XDG_STATE_HOME", QFile::encodeName(stateHome()));
        qputenv("XDG_DATA_HOME", QFile::encodeName(path() + QStringLiteral("/data")));
        qputenv("XDG_CACHE_HOME", QFile::encodeName(path() + QStringLiteral("/cache")));
    }
    ~TempHome() {
        for (const auto& [name, value] : m_saved) {
            if (value) {
                qputenv(name.constData(), *value);
            } else {
                qunsetenv(name.constData());
            }
        }
    }
    TempHome(const TempHome&) = delete;
    TempHome& operator=(const TempHome&) = delete;

    QString path() const { return m_dir.path(); }
    QString configHome() const { return m_dir.path() + QStringLiteral("/config"); }
    QString stateHome() const { return m_dir.path() + QStringLiteral("/state"); }

    // The lines of Palimo's log so far, without their timestamps; how many of them contain part.
    static QStringList logLines() {
        QStringList lines;
        for (const QString& line : QString::fromUtf8(readFile(Log::filePath())).split(u'\n')) {
            if (!line.isEmpty()) {
                lines.append(line.section(u' ', 1));
            }
        }
        return lines;
    }
    static qsizetype logCount(const QString& part) { return logLines().filter(part).size(); }

private:
    QTemporaryDir m_dir;
    std::map<QByteArray, std::optional<QByteArray>> m_saved;
};
