#pragma once

#include <QFuture>
#include <QPromise>
#include <QThreadPool>

#include <qcoro/qcorofuture.h>

#include <memory>
#include <type_traits>

// Runs blocking work (X round trips, waits on other clients) off the main thread, one piece at
// a time and in order, and lets the main thread await the result.
class SerialWorker {
public:
    SerialWorker() { m_pool.setMaxThreadCount(1); }
    ~SerialWorker() { m_pool.waitForDone(); }
    SerialWorker(const SerialWorker&) = delete;
    SerialWorker& operator=(const SerialWorker&) = delete;

    // Queues the work; the future finishes with its result. Await the future from a named
    // variable (see the call sites).
    template <typename Work> QFuture<std::invoke_result_t<Work>> start(Work work) {
        using Result = std::invoke_result_t<Work>;
        auto promise = std::make_shared<QPromise<Result>>();
        QFuture<Result> future = promise->future();
        promise->start();
        m_pool.start([promise, work]() mutable {
            if constexpr (std::is_void_v<Result>) {
                work();
            } else {
                promise->addResult(work());
            }
            promise->finish();
        });
        return future;
    }

private:
    QThreadPool m_pool;
};
