#include "rewrite/PipelineWaits.h"

#include "rewrite/Wakeup.h"

#include <QDeadlineTimer>
#include <QScopeGuard>
#include <QTimer>

#include <qcoro/qcorotimer.h>

namespace PipelineWaits {

QCoro::Task<> sleep(std::chrono::milliseconds duration) {
    if (duration <= std::chrono::milliseconds::zero()) {
        co_return;
    }
    QTimer timer;
    timer.setSingleShot(true);
    timer.setTimerType(Qt::PreciseTimer);
    timer.start(duration);
    co_await timer;
}

QCoro::Task<bool> until(Pasteboard& pasteboard, const std::function<bool()>& condition,
                        std::chrono::milliseconds timeout, std::function<void()>* recheck) {
    if (condition()) {
        co_return true;
    }
    Wakeup wakeup;
    const int id = pasteboard.subscribe([&wakeup] { wakeup.wake(); });
    if (recheck != nullptr) {
        *recheck = [&wakeup] { wakeup.wake(); };
    }
    const auto unsubscribe = qScopeGuard([&] {
        pasteboard.unsubscribe(id);
        if (recheck != nullptr) {
            *recheck = nullptr;
        }
    });
    const QDeadlineTimer deadline(timeout, Qt::PreciseTimer);
    while (!condition()) {
        const auto left =
            std::chrono::ceil<std::chrono::milliseconds>(deadline.remainingTimeAsDuration());
        if (left <= std::chrono::milliseconds::zero()) {
            co_return false;
        }
        co_await wakeup.wait(left);
    }
    co_return true;
}

QCoro::Task<> modifiersReleased(Keystrokes& keystrokes, std::chrono::milliseconds timeout,
                                std::chrono::milliseconds poll) {
    const QDeadlineTimer deadline(timeout, Qt::PreciseTimer);
    while (co_await keystrokes.modifiersHeld() && !deadline.hasExpired()) {
        co_await sleep(poll);
    }
}

} // namespace PipelineWaits
