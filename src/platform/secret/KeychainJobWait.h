#pragma once

#include <QByteArray>
#include <QString>

#include <chrono>
#include <coroutine>
#include <memory>
#include <optional>

namespace QKeychain {
class Job;
}

// Awaits one QtKeychain job for at most a given time. The job cannot be cancelled: on a
// time-out it is left to finish (and delete itself) on its own, unobserved.
class KeychainJobWait {
public:
    struct Finished {
        int error = 0;   // QKeychain::Error
        QString message; // the job's errorString()
        QByteArray data; // a read job's data
    };

    // Takes a job that was not started yet; starts it when awaited.
    KeychainJobWait(QKeychain::Job* job, std::chrono::milliseconds timeout);
    KeychainJobWait(KeychainJobWait&&) noexcept;
    KeychainJobWait& operator=(KeychainJobWait&&) noexcept;
    ~KeychainJobWait();

    bool await_ready() const noexcept { return false; }
    void await_suspend(std::coroutine_handle<> awaiting);
    // Nothing when the time-out passed first.
    std::optional<Finished> await_resume();

private:
    struct State;
    // On the heap so that the connections made while suspended survive a move.
    std::unique_ptr<State> m_state;
};
