#include "platform/wayland/PipeTransfer.h"

#include <QDeadlineTimer>

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

namespace {

// Waits until fd is ready for events or the deadline passes.
bool ready(int fd, short events, const QDeadlineTimer& deadline) {
    pollfd entry{fd, events, 0};
    for (;;) {
        const auto left = static_cast<int>(deadline.remainingTime());
        if (left <= 0 && deadline.hasExpired()) {
            return false;
        }
        const int n = ::poll(&entry, 1, left);
        if (n > 0) {
            return true;
        }
        if (n == 0 || errno != EINTR) {
            return false;
        }
    }
}

void setNonBlocking(int fd) {
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags >= 0) {
        ::fcntl(fd, F_SETFL, flags | O_NONBLOCK);
    }
}

} // namespace

namespace PipeTransfer {

Read readAll(int fd, std::chrono::milliseconds timeout, qint64 maxBytes) {
    setNonBlocking(fd);
    const QDeadlineTimer deadline(timeout);
    Read result;
    char buffer[65536];
    for (;;) {
        if (!ready(fd, POLLIN, deadline)) {
            result.outcome = Read::Outcome::timedOut;
            break;
        }
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n == 0) {
            result.outcome = Read::Outcome::complete;
            break;
        }
        if (n < 0) {
            if (errno == EINTR || errno == EAGAIN) {
                continue;
            }
            result.outcome = Read::Outcome::failed;
            break;
        }
        if (result.bytes.size() + n > maxBytes) {
            result.outcome = Read::Outcome::tooLarge;
            break;
        }
        result.bytes.append(buffer, static_cast<qsizetype>(n));
    }
    ::close(fd);
    if (result.outcome != Read::Outcome::complete) {
        result.bytes.clear();
    }
    return result;
}

bool writeAll(int fd, const QByteArray& bytes, std::chrono::milliseconds timeout) {
    setNonBlocking(fd);
    const QDeadlineTimer deadline(timeout);
    qsizetype done = 0;
    bool ok = true;
    while (done < bytes.size()) {
        if (!ready(fd, POLLOUT, deadline)) {
            ok = false;
            break;
        }
        const ssize_t n =
            ::write(fd, bytes.constData() + done, static_cast<size_t>(bytes.size() - done));
        if (n < 0) {
            if (errno == EINTR || errno == EAGAIN) {
                continue;
            }
            ok = false; // EPIPE: the reader closed its end (SIGPIPE is ignored, see the owner)
            break;
        }
        done += n;
    }
    ::close(fd);
    return ok;
}

} // namespace PipeTransfer
