#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <map>
#include <optional>

// A file's bytes; empty when it cannot be read.
QByteArray readFile(const QString& path);
// Replaces a file's contents, making its folder first; a test failure when that fails.
void writeFile(const QString& path, const QByteArray& bytes);

// Points HOME and the XDG folders at a fresh temporary directory for the life of the object,
// and puts the previous values back afterwards.
class TempHome {
public:
    TempHome();
    ~TempHome();
    TempHome(const TempHome&) = delete;
    TempHome& operator=(const TempHome&) = delete;

    QString path() const { return m_dir.path(); }
    QString configHome() const { return m_dir.path() + QStringLiteral("/config"); }
    QString stateHome() const { return m_dir.path() + QStringLiteral("/state"); }

    // The lines of Palimo's log so far, without their timestamps; how many of them contain part.
    static QStringList logLines();
    static qsizetype logCount(const QString& part) { return logLines().filter(part).size(); }

private:
    void set(const char* name, const QString& value);

    QTemporaryDir m_dir;
    std::map<QByteArray, std::optional<QByteArray>> m_saved;
};
