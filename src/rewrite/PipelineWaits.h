#pragma once

#include "platform/Keystrokes.h"
#include "platform/Pasteboard.h"

#include <qcoro/qcorotask.h>

#include <chrono>
#include <functional>

// Awaited waits of a run: the main thread keeps serving events (the clipboard among them)
// while a run waits.
namespace PipelineWaits {

// Resumes after the given time, measured with a precise timer.
QCoro::Task<> sleep(std::chrono::milliseconds duration);

// Resumes as soon as condition() holds, checking it now and after every clipboard activity,
// or once timeout has passed. Returns condition() at that moment. While it waits, *recheck (when
// given) is a function that has condition() checked again soon; it is cleared when the wait ends.
// (condition is taken by reference: pass a named function. GCC 12 destroys class-type prvalue
// arguments of a coroutine twice, GCC PR 100611.)
QCoro::Task<bool> until(Pasteboard& pasteboard, const std::function<bool()>& condition,
                        std::chrono::milliseconds timeout,
                        std::function<void()>* recheck = nullptr);

// Resumes once the user holds no modifier key, or after timeout (checked every poll).
QCoro::Task<> modifiersReleased(Keystrokes& keystrokes, std::chrono::milliseconds timeout,
                                std::chrono::milliseconds poll);

} // namespace PipelineWaits
