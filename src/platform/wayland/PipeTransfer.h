#pragma once

#include <QByteArray>

#include <chrono>
#include <optional>

// The two ends of a Wayland data transfer, where another client writes (or reads) the bytes of
// one format through a pipe. Both block, with a bound on the wait: worker threads only.
namespace PipeTransfer {

struct Read {
    enum class Outcome { complete, timedOut, tooLarge, failed };
    Outcome outcome = Outcome::failed;
    QByteArray bytes; // on complete
};

// Reads fd to its end and closes it; gives up when the writer is silent for longer than
// timeout in all or the data exceeds maxBytes.
Read readAll(int fd, std::chrono::milliseconds timeout, qint64 maxBytes);
// Writes all of bytes to fd and closes it; false when the reader went away or stopped reading
// for longer than timeout.
bool writeAll(int fd, const QByteArray& bytes, std::chrono::milliseconds timeout);

} // namespace PipeTransfer
