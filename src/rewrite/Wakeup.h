#pragma once

#include <QObject>
#include <QTimer>

#include <chrono>
#include <coroutine>

// Something a coroutine can wait on and a callback can fire: the waiting coroutine resumes from
// the event loop, exactly once per wait, at the first wake() or when the wait's time-out passes.
// A wake() while nobody waits is kept for the next wait. Main thread only; the object must
// outlive every wait on it (keep it in the waiting coroutine's frame).
//
// (QCoro's signal awaiter resumes through queued connections that can still fire after the
// awaiter is gone when a signal comes twice; this one cannot.)
class Wakeup {
public:
    Wakeup() {
        m_timer.setSingleShot(true);
        m_timer.setTimerType(Qt::PreciseTimer);
        QObject::connect(&m_timer, &QTimer::timeout, &m_context, [this] { resume(); });
    }
    Wakeup(const Wakeup&) = delete;
    Wakeup& operator=(const Wakeup&) = delete;

    void wake() {
        if (!m_waiting) {
            m_pending = true;
            return;
        }
        QMetaObject::invokeMethod(
            &m_context, [this] { resume(); }, Qt::QueuedConnection);
    }

    // co_await wait(...) resumes at the next wake() or after timeout (never, for a negative one).
    struct Awaiter {
        Wakeup* wakeup;
        std::chrono::milliseconds timeout;

        bool await_ready() const noexcept { return wakeup->m_pending; }
        void await_suspend(std::coroutine_handle<> waiting) {
            wakeup->m_waiting = waiting;
            if (timeout >= std::chrono::milliseconds::zero()) {
                wakeup->m_timer.start(timeout);
            }
        }
        void await_resume() const noexcept { wakeup->m_pending = false; }
    };
    Awaiter wait(std::chrono::milliseconds timeout = std::chrono::milliseconds(-1)) {
        return Awaiter{this, timeout};
    }

private:
    void resume() {
        if (std::coroutine_handle<> waiting = std::exchange(m_waiting, {})) {
            m_timer.stop();
            waiting.resume();
        }
    }

    QObject m_context; // queued resumptions die with it
    QTimer m_timer;
    std::coroutine_handle<> m_waiting;
    bool m_pending = false;
};
