#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// Replaces a file's content so that a reader, or the next start after a crash or power loss,
// sees either the old bytes or the new ones, never a mix or a truncated file.
namespace AtomicFile {

// Writes the bytes to a temporary file beside `path`, flushes it to disk, renames it over
// `path` and flushes the folder. Missing folders are created with mode 0700; the file gets
// mode 0600. Temporary files of killed writers are cleaned up once they are a minute old.
// Returns the reason on failure, in which case `path` is untouched.
std::optional<QString> write(const QString& path, const QByteArray& bytes);

// Creates `dir` and any missing parents with mode 0700. Returns the reason on failure.
std::optional<QString> makeFolder(const QString& dir);

} // namespace AtomicFile
