#pragma once

#include <QByteArray>

// Writes every byte to a file descriptor, retrying only what a signal interrupted.
// False on any other failure. One call per log line keeps lines from several threads whole.
bool writeAll(int fd, const QByteArray& bytes);
