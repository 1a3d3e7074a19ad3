#pragma once

#include <QByteArray>
#include <QMap>

#include <atomic>
#include <chrono>
#include <thread>

// Another application's clipboard for the tests: owns CLIPBOARD on a connection and thread of
// its own and answers one request at a time, TARGETS after targetsDelay and every format after
// formatDelay, as a busy application does. Formats are labelled with their own name and sent
// whole (keep them under 256 KiB).
class SlowOwner {
public:
    using Formats = QMap<QByteArray, QByteArray>;
    SlowOwner(Formats formats, std::chrono::milliseconds formatDelay,
              std::chrono::milliseconds targetsDelay = std::chrono::milliseconds(0));
    ~SlowOwner();
    SlowOwner(const SlowOwner&) = delete;
    SlowOwner& operator=(const SlowOwner&) = delete;

    // Blocks until the clipboard is ours; false when it could not be taken.
    bool own();

private:
    void serve();

    Formats m_formats;
    std::chrono::milliseconds m_formatDelay;
    std::chrono::milliseconds m_targetsDelay;
    std::atomic<bool> m_stop{false};
    std::atomic<int> m_owned{0}; // 0 not yet, 1 owned, -1 failed
    std::thread m_thread;
};
