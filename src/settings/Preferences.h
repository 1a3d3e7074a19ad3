#pragma once

#include <QJsonObject>
#include <QJsonValue>
#include <QString>

#include <cstdint>
#include <optional>

// A typed per-user key-value store kept as one JSON object in a file
// ($XDG_CONFIG_HOME/palimo/settings.json for the application). Text is a JSON string,
// a boolean a JSON boolean, a record an embedded JSON value (object or array).
//
// Every read sees the file as it is now (a hand edit is picked up without a restart).
// Every write replaces the file atomically (temp file, fsync, rename) with mode 0600.
// A file that does not parse is renamed aside before the next write; until then reads
// give nothing, so callers fall back to their defaults and the user's file is kept. The server
// address ("apiBaseURL") is the exception: when its value still reads cleanly in the broken
// text it is read from there, and kept in the fresh file (falling back to the default server
// would send the user's text where they never chose).
// A file that exists but cannot be read is never written over. A symbolic link is written
// through, not replaced. Main thread only.
class Preferences {
public:
    explicit Preferences(QString filePath);

    // $XDG_CONFIG_HOME/palimo/settings.json, or ~/.config/palimo/settings.json.
    static QString defaultFilePath();

    QString filePath() const { return m_filePath; }

    // Whether the file may hold a value for key that cannot be read now: the file exists but
    // cannot be read, or it does not parse and names the key without a value that can be
    // recovered. A caller for whom the default would be wrong then can tell the cases apart.
    bool hidesValueOf(const QString& key) const;

    // Nothing when the key is absent or holds another JSON type.
    std::optional<QString> text(const QString& key) const;
    std::optional<bool> boolean(const QString& key) const;
    // Nothing when absent or not an object/array.
    std::optional<QJsonValue> record(const QString& key) const;

    // Failures to write are logged; the previous file stays intact.
    void setText(const QString& key, const QString& value);
    void setBoolean(const QString& key, bool value);
    void setRecord(const QString& key, const QJsonValue& value);
    void remove(const QString& key);

private:
    // Identifies one version of the file on disk, so an unchanged file is not parsed again.
    struct Stamp {
        std::uint64_t device = 0;
        std::uint64_t inode = 0;
        std::int64_t size = 0;
        std::int64_t modifiedNs = 0;
        std::int64_t changedNs = 0;
        bool operator==(const Stamp&) const = default;
    };
    enum class FileState { Missing, Parsed, Broken, Unreadable };

    // Brings the cached object up to date with the file; cheap when nothing changed.
    void refresh() const;
    std::optional<QJsonValue> value(const QString& key) const;
    // Applies `change` to the current object and writes the result, setting a broken file
    // aside first.
    template <typename Change> void update(const QString& key, Change change);
    bool setBrokenFileAside(const QString& path);
    QString targetPath() const;

    QString m_filePath;
    mutable FileState m_state = FileState::Missing;
    mutable std::optional<Stamp> m_stamp;
    mutable QJsonObject m_object;
    mutable QByteArray m_brokenBytes; // the file's bytes while it does not parse
};
