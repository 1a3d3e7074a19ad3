#include "platform/atspi/AtspiAccessibility.h"

#include "base/Log.h"
#include "platform/atspi/AtspiFocusSearch.h"
#include "platform/atspi/AtspiRoles.h"
#include "platform/atspi/AtspiTextReads.h"

#include <QElapsedTimer>
#include <QFuture>
#include <QPromise>
#include <QTimer>

#include <atspi/atspi.h>

#include <qcoro/qcorofuture.h>
#include <qcoro/qcorotimer.h>

#include <chrono>
#include <functional>
#include <thread>

namespace {

// What desktop shells allow one accessibility call before they give up on an application.
constexpr int callTimeoutMs = 250;
// An application asked to build its accessible tree shows its focus within this long from the
// question: Chromium took 50 ms on an idle machine, and on a loaded one answered no call for over
// three seconds while it built. It is looked for again every poll meanwhile; no look starts
// after this long, and one takes at most its search budget and a call's time-out.
constexpr std::chrono::milliseconds buildPoll{150};
constexpr qint64 buildWaitMs = 5000;
constexpr int patientCallTimeoutMs = 1000;
// A look for the focus (none seen, or the one seen is gone) starts no new call after this long;
// one call may still take its time-out on top. A whole Chromium window is a few hundred elements
// of three calls each, which a loaded machine does not walk within the first look's budget, nor
// always reach: the other applications on the bus are walked first.
constexpr qint64 searchBudgetMs = 400;
constexpr qint64 patientSearchBudgetMs = 2000;

} // namespace

class AtspiAccessibility::Thread {
public:
    Thread() {
        m_thread = std::thread([this] { run(); });
    }
    ~Thread() {
        g_main_context_invoke(
            m_context,
            [](gpointer loop) -> gboolean {
                g_main_loop_quit(static_cast<GMainLoop*>(loop));
                return G_SOURCE_REMOVE;
            },
            m_loop);
        m_thread.join();
        g_main_loop_unref(m_loop);
        g_main_context_unref(m_context);
    }
    Thread(const Thread&) = delete;
    Thread& operator=(const Thread&) = delete;

    // The focused element; building says that its application was just asked to build its
    // accessible tree, so looking again shortly may find it.
    struct Answer {
        FocusedElement element;
        bool building = false;
    };
    // A first look waits the usual time for each answer. When it finds no usable focus and no
    // tree being built, a second look waits longer and walks longer, as a loaded or busy
    // application answers late; both may ask the application in front to build its tree. Looks
    // while it builds are as patient, as the built tree is large.
    enum class Look { first, again, whileBuilding };
    QFuture<Answer> query(Look look) {
        return call<Answer>([this, look] {
            const int timeout = look == Look::first ? callTimeoutMs : patientCallTimeoutMs;
            atspi_set_timeout(timeout, timeout);
            Answer answer = focusedElement(look);
            atspi_set_timeout(callTimeoutMs, callTimeoutMs);
            return answer;
        });
    }

    // Runs job on this thread, with the element the last query found (null when none).
    template <typename T> QFuture<T> call(std::function<T()> job) {
        auto* promise = new QPromise<T>();
        QFuture<T> future = promise->future();
        promise->start();
        struct Call {
            std::function<T()> job;
            QPromise<T>* promise;
        };
        g_main_context_invoke_full(
            m_context, G_PRIORITY_DEFAULT,
            [](gpointer data) -> gboolean {
                auto* c = static_cast<Call*>(data);
                c->promise->addResult(c->job());
                c->promise->finish();
                return G_SOURCE_REMOVE;
            },
            new Call{std::move(job), promise},
            [](gpointer data) {
                auto* c = static_cast<Call*>(data);
                delete c->promise; // finishes the future if the call never ran
                delete c;
            });
        return future;
    }

    // The element the last query found; only valid on this thread.
    AtspiAccessible* focus() const { return m_ready ? m_focus : nullptr; }

private:
    void run() {
        g_main_context_push_thread_default(m_context);
        m_ready = atspi_init() != 2;
        if (m_ready) {
            atspi_set_main_context(m_context);
            atspi_set_timeout(callTimeoutMs, callTimeoutMs);
            m_listener = atspi_event_listener_new(&Thread::onEvent, this, nullptr);
            for (const char* event : {"object:state-changed:focused", "focus:"}) {
                GError* error = nullptr;
                if (atspi_event_listener_register(m_listener, event, &error) == 0) {
                    Log::error(QStringLiteral("Could not follow the keyboard focus through "
                                              "AT-SPI: ") +
                               QString::fromUtf8(error != nullptr ? error->message : "unknown"));
                }
                g_clear_error(&error);
            }
        } else {
            Log::error(QStringLiteral("The AT-SPI accessibility bus is not available; Palimo "
                                      "cannot tell text fields from other controls."));
        }
        g_main_loop_run(m_loop);
        if (m_listener != nullptr) {
            g_object_unref(m_listener);
        }
        setFocus(nullptr);
        g_main_context_pop_thread_default(m_context);
    }

    // Holds a reference to the element (none for nullptr).
    void setFocus(AtspiAccessible* element) {
        if (element != nullptr) {
            g_object_ref(element);
        }
        if (m_focus != nullptr) {
            g_object_unref(m_focus);
        }
        m_focus = element;
    }

    static void onEvent(AtspiEvent* event, void* self) {
        auto* thread = static_cast<Thread*>(self);
        const bool gained = g_str_has_prefix(event->type, "focus:") || event->detail1 != 0;
        if (gained) {
            thread->setFocus(event->source);
        } else if (thread->m_focus == event->source) {
            thread->setFocus(nullptr);
        }
        g_boxed_free(ATSPI_TYPE_EVENT, event);
    }

    // Looks for the focus across the desktop (no focus event seen yet, or the one seen is gone)
    // and remembers what it finds.
    AtspiFocusSearch::Result searchFocus(qint64 budgetMs) {
        AtspiFocusSearch::Result found = AtspiFocusSearch::search(budgetMs);
        setFocus(found.focus);
        return found;
    }

    Answer focusedElement(Look look) {
        using Status = FocusedElement::Status;
        const bool mayAsk = look != Look::whileBuilding;
        const qint64 budgetMs = look == Look::first ? searchBudgetMs : patientSearchBudgetMs;
        if (!m_ready) {
            return {{Status::noElement, {}, 0}};
        }
        if (m_focus == nullptr || !AtspiFocusSearch::hasState(m_focus, ATSPI_STATE_FOCUSED)) {
            AtspiFocusSearch::Result found = searchFocus(budgetMs);
            Answer answer;
            if (found.focus == nullptr && found.activeApp == nullptr && found.complete) {
                answer.element.status = Status::notExposed;
            } else if (found.focus == nullptr && found.activeApp != nullptr) {
                // libatspi keeps what it read of the tree and learns of changes only from events
                // we do not listen to, so a tree built since would stay unseen.
                if (mayAsk) {
                    atspi_accessible_clear_cache(found.activeApp);
                    answer.building = AtspiFocusSearch::askToBuildTree(found.activeApp);
                }
            }
            AtspiFocusSearch::release(found);
            if (m_focus == nullptr) {
                return answer;
            }
        }
        GError* error = nullptr;
        AtspiRole role = atspi_accessible_get_role(m_focus, &error);
        if (error != nullptr) {
            // The remembered element may have gone stale, or its application may have been
            // busy for a moment (GTK builds its accessible tree lazily): look once more, within
            // a budget of its own, before giving up.
            g_clear_error(&error);
            AtspiFocusSearch::Result found = searchFocus(budgetMs);
            AtspiFocusSearch::release(found);
            if (m_focus != nullptr) {
                role = atspi_accessible_get_role(m_focus, &error);
            }
            if (m_focus == nullptr || error != nullptr) {
                g_clear_error(&error);
                return {{Status::noRole, {}, 0}};
            }
        }
        AtspiRoles::Element element;
        element.role = role;
        element.multiLine = AtspiFocusSearch::hasState(m_focus, ATSPI_STATE_MULTI_LINE);
        element.editable = AtspiFocusSearch::hasState(m_focus, ATSPI_STATE_EDITABLE);
        element.readOnly = AtspiFocusSearch::hasState(m_focus, ATSPI_STATE_READ_ONLY);
        gchar* name = atspi_role_get_name(role);
        element.roleName = QString::fromUtf8(name != nullptr ? name : "");
        g_free(name);
        const qint64 pid = atspi_accessible_get_process_id(m_focus, &error);
        g_clear_error(&error);
        return {{Status::found, AtspiRoles::axRole(element), pid}};
    }

    GMainContext* m_context = g_main_context_new();
    GMainLoop* m_loop = g_main_loop_new(m_context, FALSE);
    bool m_ready = false;
    AtspiEventListener* m_listener = nullptr;
    AtspiAccessible* m_focus = nullptr;
    std::thread m_thread;
};

AtspiAccessibility::AtspiAccessibility()
    : m_thread(std::make_unique<Thread>()) {}

AtspiAccessibility::~AtspiAccessibility() = default;

QCoro::Task<Accessibility::FocusedElement> AtspiAccessibility::focusedElement() {
    using Look = Thread::Look;
    using Status = FocusedElement::Status;
    QElapsedTimer waited;
    waited.start();
    QFuture<Thread::Answer> first = m_thread->query(Look::first);
    Thread::Answer answer = co_await first;
    // No role means a call timed out or the element went stale, as happens while Chromium
    // answers late: worth the patient look too.
    if (!answer.building && answer.element.status != Status::found) {
        QFuture<Thread::Answer> again = m_thread->query(Look::again);
        answer = co_await again;
    }
    while (answer.building && answer.element.status != Status::found &&
           waited.elapsed() < buildWaitMs) {
        QTimer poll;
        poll.setSingleShot(true);
        poll.start(buildPoll);
        co_await poll;
        QFuture<Thread::Answer> again = m_thread->query(Look::whileBuilding);
        answer.element = (co_await again).element;
        if (answer.element.status == Status::notExposed) {
            // It showed its window a moment ago: it is busy building, not hiding its tree.
            answer.element.status = Status::noElement;
        }
    }
    co_return answer.element;
}

// The reads below run on the accessibility thread, against the element it last found.

QCoro::Task<std::optional<Accessibility::TextRange>> AtspiAccessibility::selectedTextRange() {
    Thread& thread = *m_thread;
    QFuture<std::optional<TextRange>> future = thread.call<std::optional<TextRange>>(
        [&thread] { return AtspiTextReads::selectedTextRange(thread.focus()); });
    co_return co_await future;
}

QCoro::Task<std::optional<QRectF>> AtspiAccessibility::boundsForRange(TextRange range) {
    Thread& thread = *m_thread;
    QFuture<std::optional<QRectF>> future = thread.call<std::optional<QRectF>>(
        [&thread, range] { return AtspiTextReads::boundsForRange(thread.focus(), range); });
    co_return co_await future;
}

QCoro::Task<std::optional<QRectF>> AtspiAccessibility::frame() {
    Thread& thread = *m_thread;
    QFuture<std::optional<QRectF>> future = thread.call<std::optional<QRectF>>(
        [&thread] { return AtspiTextReads::frame(thread.focus()); });
    co_return co_await future;
}

QCoro::Task<std::optional<QStringList>> AtspiAccessibility::interfaceNames() {
    Thread& thread = *m_thread;
    QFuture<std::optional<QStringList>> future = thread.call<std::optional<QStringList>>(
        [&thread] { return AtspiTextReads::interfaceNames(thread.focus()); });
    co_return co_await future;
}
