#include "platform/secret/KeychainJobWait.h"

#include <QMetaObject>
#include <QObject>
#include <QPointer>
#include <QTimer>

#include <qt6keychain/keychain.h>

struct KeychainJobWait::State {
    void finish();

    QPointer<QKeychain::Job> job;
    std::chrono::milliseconds timeout;
    // Context of the time-out and of the resumption: both end with the awaiter.
    QObject guard;
    QMetaObject::Connection connection;
    std::coroutine_handle<> awaiting;
    std::optional<Finished> result;
    bool done = false;
};

void KeychainJobWait::State::finish() {
    if (done) {
        return;
    }
    done = true;
    QObject::disconnect(connection);
    // Resume from the event loop, never from inside the job's signal or the timer's slot, so
    // that the resumed coroutine may destroy this state at once.
    QTimer::singleShot(0, &guard, [handle = awaiting] { handle.resume(); });
}

KeychainJobWait::KeychainJobWait(QKeychain::Job* job, std::chrono::milliseconds timeout)
    : m_state(std::make_unique<State>()) {
    m_state->job = job;
    m_state->timeout = timeout;
}

KeychainJobWait::KeychainJobWait(KeychainJobWait&&) noexcept = default;
KeychainJobWait& KeychainJobWait::operator=(KeychainJobWait&&) noexcept = default;

KeychainJobWait::~KeychainJobWait() {
    if (m_state) {
        QObject::disconnect(m_state->connection);
    }
}

void KeychainJobWait::await_suspend(std::coroutine_handle<> awaiting) {
    State* state = m_state.get();
    state->awaiting = awaiting;
    if (!state->job) {
        state->finish();
        return;
    }
    // Direct connection: the job deletes itself right after finished(), so everything is
    // copied out while it still exists.
    state->connection = QObject::connect(
        state->job, &QKeychain::Job::finished, &state->guard,
        [state](QKeychain::Job* job) {
            Finished result{static_cast<int>(job->error()), job->errorString(), {}};
            if (auto* read = qobject_cast<QKeychain::ReadPasswordJob*>(job)) {
                result.data = read->binaryData();
            }
            state->result = std::move(result);
            state->finish();
        },
        Qt::DirectConnection);
    QTimer::singleShot(state->timeout, &state->guard, [state] { state->finish(); });
    state->job->start();
}

std::optional<KeychainJobWait::Finished> KeychainJobWait::await_resume() {
    return std::move(m_state->result);
}
