#include "rewrite/RewriteController.h"

#include "base/Log.h"
#include "rewrite/PipelineWaits.h"
#include "rewrite/TerminalApps.h"
#include "rewrite/TextCaptureService.h"
#include "rewrite/TextReplaceService.h"
#include "rewrite/Wakeup.h"

#include <QTextBoundaryFinder>

namespace {

QString milliseconds(qint64 elapsedMs) {
    return QString::number(static_cast<double>(elapsedMs), 'f', 0);
}

// The answer of the prompt, delivered once. Delivery resumes the waiting run from the event
// loop, never from inside the caller of the completion.
struct PromptAnswer {
    std::optional<QString> value;
    bool delivered = false;
    Wakeup* waker = nullptr; // the waiting run's; cleared before it goes

    void deliver(std::optional<QString> answer) {
        if (delivered) {
            return;
        }
        delivered = true;
        value = std::move(answer);
        if (waker != nullptr) {
            waker->wake();
        }
    }
};

// Owned by the completion handed out: when the last copy of it is dropped unanswered, the run
// gets "nothing" instead of waiting for ever.
class CompletionGuard {
public:
    explicit CompletionGuard(std::shared_ptr<PromptAnswer> answer)
        : m_answer(std::move(answer)) {}
    CompletionGuard(const CompletionGuard&) = delete;
    CompletionGuard& operator=(const CompletionGuard&) = delete;
    ~CompletionGuard() { m_answer->deliver(std::nullopt); }

    void deliver(std::optional<QString> value) { m_answer->deliver(std::move(value)); }

private:
    std::shared_ptr<PromptAnswer> m_answer;
};

} // namespace

RewriteController::RewriteController(const RewritePlatform& platform, Model model,
                                     Settings settings, PipelineTiming timing)
    : m_platform(platform)
    , m_model(std::move(model))
    , m_settings(std::move(settings))
    , m_timing(timing) {}

void RewriteController::setCollectInstructions(
    std::function<void(InstructionsCompletion)> collect) {
    m_collectInstructions = std::move(collect);
}

void RewriteController::setFeedback(std::weak_ptr<RewriteFeedback> feedback) {
    m_feedback = std::move(feedback);
}

void RewriteController::setCancelKeyActive(std::function<void(bool)> setActive) {
    m_setCancelKeyActive = std::move(setActive);
}

void RewriteController::setOnRunFinished(std::function<void()> onFinished) {
    m_onRunFinished = std::move(onFinished);
}

void RewriteController::trigger() {
    press(false);
}

void RewriteController::triggerWithPrompt() {
    press(true);
}

void RewriteController::press(bool withPrompt) {
    if (m_endLateCopyWatch) {
        // The last run has already told the user how it ended: only its watch is left.
        m_queuedPress = withPrompt;
        m_endLateCopyWatch();
        return;
    }
    if (m_isRunning) {
        Log::info(QStringLiteral("Ignored hotkey: a rewrite is already running."));
        return;
    }
    m_isRunning = true;
    runGuarded(withPrompt); // runs on by itself; it clears m_isRunning when it ends
}

QCoro::Task<> RewriteController::runGuarded(bool withPrompt) {
    for (std::optional<bool> next = withPrompt; next;
         next = std::exchange(m_queuedPress, std::nullopt)) {
        if (*next) {
            co_await runWithTypedInstructions();
        } else {
            co_await runWithSettingsInstructions();
        }
    }
    m_isRunning = false;
    if (m_onRunFinished) {
        m_onRunFinished();
    }
    if (const std::function<void()> ended = std::exchange(m_onRunEndedOnce, nullptr)) {
        ended();
    }
    co_return;
}

QCoro::Task<> RewriteController::finishRun() {
    if (!m_isRunning) {
        co_return;
    }
    if (m_apiCall) {
        m_apiCall->cancel();
    }
    if (m_dismissPrompt) {
        m_dismissPrompt();
    }
    m_quitting = true;
    m_queuedPress.reset();
    if (m_endLateCopyWatch) {
        m_endLateCopyWatch();
    }
    Wakeup ended;
    m_onRunEndedOnce = [&ended] { ended.wake(); };
    // Paste and restore are bounded; the bound here only keeps a quit from hanging on a bug.
    co_await ended.wait(std::chrono::seconds(10));
    m_onRunEndedOnce = nullptr;
}

bool RewriteController::accessibilityIsGranted() {
    if (m_platform.keystrokes.isAvailable()) {
        return true;
    }
    Log::error(QStringLiteral("Keystrokes can't be sent in this session, so the copy is blocked. "
                              "Palimo needs an X11 session with the XTest extension."));
    feedback(
        [](RewriteFeedback& f) { f.failed(QStringLiteral("Palimo can't send keystrokes here.")); });
    return false;
}

QCoro::Task<> RewriteController::runWithSettingsInstructions() {
    if (!m_clipboardOnly && !accessibilityIsGranted()) {
        co_return;
    }
    QElapsedTimer start;
    start.start();
    const CancellationToken escape = armCancelKey();
    const std::optional<Workspace::ActiveWindow> window =
        co_await m_platform.workspace.activeWindow();
    std::optional<Captured> captured = co_await capture(start, window);
    if (!captured || !co_await acceptable(*captured, escape)) {
        endModelCall();
        co_return;
    }
    feedback([](RewriteFeedback& f) { f.working(); });
    RewriteRequest request;
    request.text = captured->text;
    request.instructions = m_settings.instructions ? m_settings.instructions() : QString();
    request.origin = RewriteRequest::Origin::defaultInstructions;
    co_await finish(std::move(request), std::move(*captured), start, escape);
}

QCoro::Task<> RewriteController::runWithTypedInstructions() {
    if (!m_clipboardOnly && !accessibilityIsGranted()) {
        co_return;
    }
    QElapsedTimer start;
    start.start();
    const CancellationToken captureEscape = armCancelKey();
    const std::optional<Workspace::ActiveWindow> frontmost =
        co_await m_platform.workspace.activeWindow();
    std::optional<Captured> captured = co_await capture(start, frontmost);
    const bool accepted = captured && co_await acceptable(*captured, captureEscape);
    endModelCall(); // the panel takes Escape itself
    if (!accepted) {
        co_return;
    }
    const std::optional<QString> answer = co_await askForInstructions();
    if (!answer || answer->trimmed().isEmpty()) {
        Log::info(QStringLiteral("Prompt cancelled."));
        co_await restore(*captured);
        co_return;
    }
    if (frontmost && !co_await m_platform.workspace.activate(*frontmost)) {
        fail(QStringLiteral("the window the text came from is gone, so nothing was pasted."),
             QStringLiteral("Your window is gone, so nothing was pasted."));
        co_await restore(*captured);
        co_return;
    }
    co_await PipelineWaits::sleep(m_timing.afterReactivate);
    feedback([](RewriteFeedback& f) { f.working(); });
    RewriteRequest request;
    request.text = captured->text;
    request.instructions = *answer;
    request.origin = RewriteRequest::Origin::customPrompt;
    const CancellationToken escape = armCancelKey();
    co_await finish(std::move(request), std::move(*captured), start, escape);
}

QCoro::Task<std::optional<RewriteController::Captured>>
RewriteController::capture(QElapsedTimer start, std::optional<Workspace::ActiveWindow> window) {
    Captured captured;
    captured.window = window;
    std::optional<QString> text;
    if (m_clipboardOnly) {
        // Nothing is pressed and nothing of the user's is overwritten but the copy they made
        // for this very purpose.
        text = co_await m_platform.pasteboard.text();
        if (text && text->trimmed().isEmpty()) {
            text.reset();
        }
        captured.pasteKeys = QStringLiteral("Ctrl+V");
    } else if (TerminalApps::isTerminalWindow(window)) {
        text = co_await TextCaptureService::terminalSelection(m_platform);
    } else {
        // The user is often still letting go of the shortcut's keys: the clipboard is saved
        // meanwhile. Copy waits for both, so the saved clipboard is the one before any Copy.
        QCoro::Task<> released = PipelineWaits::modifiersReleased(
            m_platform.keystrokes, m_timing.modifierRelease, m_timing.modifierPoll);
        captured.clipboard = co_await ClipboardKeeper::save(m_platform.pasteboard);
        co_await released;
        text = co_await TextCaptureService::captureSelection(m_platform, m_timing);
        captured.clipboard->captureEnded();
    }
    const qint64 elapsed = start.elapsed();
    if (text) {
        Log::info(QStringLiteral("Captured %1 chars in %2 ms.")
                      .arg(characterCount(*text))
                      .arg(milliseconds(elapsed)));
        captured.text = *text;
        co_return captured;
    }
    if (m_clipboardOnly) {
        Log::info(QStringLiteral("No text on the clipboard. Aborting."));
        feedback([](RewriteFeedback& f) { f.failed(QStringLiteral("Copy some text first.")); });
        co_return std::nullopt;
    }
    Log::info(
        QStringLiteral("No selection captured (%1 ms). Aborting.").arg(milliseconds(elapsed)));
    feedback([](RewriteFeedback& f) { f.failed(QStringLiteral("Nothing to rewrite.")); });
    co_await restore(captured);
    if (captured.clipboard) {
        co_await undoLateCopy(*captured.clipboard);
    }
    co_return std::nullopt;
}

QCoro::Task<> RewriteController::undoLateCopy(const ClipboardKeeper& keeper) {
    if (!keeper.copyUnanswered()) {
        co_return;
    }
    endModelCall(); // Escape is the user's again while this waits
    const std::function<bool()> watchEnds = [&] {
        return keeper.changedSinceSaved() || m_queuedPress || m_quitting;
    };
    co_await PipelineWaits::until(m_platform.pasteboard, watchEnds, m_timing.lateCopyWatch,
                                  &m_endLateCopyWatch);
    if (keeper.changedSinceSaved()) {
        co_await keeper.putBackOverLateCopy();
    }
}

QCoro::Task<bool> RewriteController::acceptable(const Captured& captured,
                                                const CancellationToken& escape) {
    if (escape.isCancelled()) {
        // The Escape handler has already logged the cancellation.
        feedback([](RewriteFeedback& f) { f.cancelled(); });
        co_await restore(captured);
        co_return false;
    }
    const qint64 tokens = estimatedTokens(captured.text);
    if (tokens <= m_model.maxAnswerTokens) {
        co_return true;
    }
    Log::info(QStringLiteral("Too long to rewrite in one answer: about %1 tokens, and one answer "
                             "holds at most %2. Aborting.")
                  .arg(tokens)
                  .arg(m_model.maxAnswerTokens));
    const QString message =
        QStringLiteral("Too long: at most about %1 tokens at once.").arg(m_model.maxAnswerTokens);
    feedback([&message](RewriteFeedback& f) { f.failed(message); });
    co_await restore(captured);
    co_return false;
}

QCoro::Task<> RewriteController::restore(const Captured& captured) {
    if (captured.clipboard) {
        co_await captured.clipboard->putBack();
    }
}

QCoro::Task<std::optional<TextReplaceService::Failure>>
RewriteController::deliver(QString text, Captured& captured) {
    if (captured.clipboard) {
        QCoro::Task<std::optional<TextReplaceService::Failure>> paste = TextReplaceService::paste(
            m_platform, text, *captured.clipboard, captured.window, m_timing);
        co_return co_await std::move(paste);
    }
    if (!co_await m_platform.pasteboard.writeText(text, 0)) {
        co_return TextReplaceService::Failure{
            QStringLiteral("the rewritten text could not be put on the clipboard."),
            QStringLiteral("The rewrite failed. See the log for why.")};
    }
    Log::info(QStringLiteral("The rewrite is on the clipboard: paste it with %1.")
                  .arg(captured.pasteKeys));
    co_return std::nullopt;
}

QCoro::Task<std::optional<QString>> RewriteController::askForInstructions() {
    if (!m_collectInstructions) {
        co_return std::nullopt;
    }
    Wakeup answered;
    auto answer = std::make_shared<PromptAnswer>();
    answer->waker = &answered;
    {
        auto guard = std::make_shared<CompletionGuard>(answer);
        m_collectInstructions(
            [guard](std::optional<QString> value) { guard->deliver(std::move(value)); });
    }
    m_dismissPrompt = [answer] { answer->deliver(std::nullopt); };
    while (!answer->delivered) {
        co_await answered.wait();
    }
    m_dismissPrompt = nullptr;
    answer->waker = nullptr; // a completion kept alive elsewhere must not reach this frame
    co_return std::optional<QString>(answer->value);
}

CancellationToken RewriteController::armCancelKey() {
    CancellationToken token;
    m_apiCall = token;
    if (m_setCancelKeyActive) {
        m_setCancelKeyActive(true);
    }
    return token;
}

QCoro::Task<> RewriteController::finish(RewriteRequest request, Captured captured,
                                        QElapsedTimer start, CancellationToken escape) {
    QElapsedTimer callStart;
    callStart.start();
    const RewriteRequest::Origin origin = request.origin;
    QCoro::Task<Outcome> call = m_model.rewrite(std::move(request), escape);
    Outcome outcome = co_await std::move(call);
    // Escape belongs to the model call: after it, a press is the user's again.
    endModelCall();

    if (auto* result = std::get_if<RewriteResult>(&outcome)) {
        Log::info(QStringLiteral("OpenAI (%1, %2) replied in %3 ms, %4 in / %5 out tokens.")
                      .arg(result->model, RewriteRequest::rawValue(origin),
                           milliseconds(callStart.elapsed()))
                      .arg(result->promptTokens)
                      .arg(result->completionTokens));
        if (m_settings.recordUsage) {
            m_settings.recordUsage(result->model, result->promptTokens, result->completionTokens);
        }
        // A named task: GCC 12 destroys class-type arguments inside a co_await expression
        // twice (GCC PR 100611).
        QCoro::Task<std::optional<TextReplaceService::Failure>> delivery =
            deliver(result->text, captured);
        const std::optional<TextReplaceService::Failure> failure = co_await std::move(delivery);
        if (failure) {
            fail(failure->reason, failure->userMessage);
            co_return;
        }
        if (captured.leaveOnClipboard()) {
            const QString note = QStringLiteral("Ready: paste it with %1.").arg(captured.pasteKeys);
            feedback([&note](RewriteFeedback& f) { f.readyToPaste(note); });
        } else {
            feedback([](RewriteFeedback& f) { f.succeeded(); });
        }
        Log::info(QStringLiteral("Done in %1 s total.")
                      .arg(QString::number(static_cast<double>(start.elapsed()) / 1000.0, 'f', 2)));
        co_return;
    }

    const RewriteError& error = std::get<RewriteError>(outcome);
    if (wasCancelled(error)) {
        // The Escape handler has already logged the cancellation.
        feedback([](RewriteFeedback& f) { f.cancelled(); });
    } else {
        fail(error.description(), userMessage(error));
    }
    co_await restore(captured);
}

void RewriteController::endModelCall() {
    if (!std::exchange(m_apiCall, std::nullopt)) {
        return;
    }
    if (m_setCancelKeyActive) {
        m_setCancelKeyActive(false);
    }
}

void RewriteController::fail(const QString& reason, const QString& userMessage) {
    Log::error(QStringLiteral("Rewrite failed: ") + reason);
    feedback([&userMessage](RewriteFeedback& f) { f.failed(userMessage); });
}

void RewriteController::feedback(const std::function<void(RewriteFeedback&)>& call) const {
    if (const std::shared_ptr<RewriteFeedback> receiver = m_feedback.lock()) {
        call(*receiver);
    }
}

QString RewriteController::userMessage(const RewriteError& error) {
    switch (error.kind) {
    case RewriteError::Kind::missingAPIKey:
        return QStringLiteral("No API key yet. Add one in Settings.");
    case RewriteError::Kind::invalidAPIKey:
        return QStringLiteral("OpenAI rejected your API key.");
    case RewriteError::Kind::emptyCompletion:
        return QStringLiteral("OpenAI sent nothing back.");
    case RewriteError::Kind::badResponse:
        return QStringLiteral("OpenAI returned an error (") + QString::number(error.status) +
               QStringLiteral(").");
    case RewriteError::Kind::timedOut:
        return QStringLiteral("OpenAI took too long to answer.");
    case RewriteError::Kind::notConnected:
        if (!error.server.isEmpty()) {
            return QStringLiteral("Could not reach ") + error.server + QStringLiteral(".");
        }
        return QStringLiteral("No internet connection.");
    case RewriteError::Kind::connectionLost:
        return QStringLiteral("No internet connection.");
    case RewriteError::Kind::cancelled:
    case RewriteError::Kind::refusedAddress:
    case RewriteError::Kind::bodyTooLarge:
    case RewriteError::Kind::decoding:
    case RewriteError::Kind::other:
        break;
    }
    return QStringLiteral("The rewrite failed. See the log for why.");
}

bool RewriteController::wasCancelled(const RewriteError& error) {
    return error.isCancellation();
}

qint64 RewriteController::estimatedTokens(const QString& text) {
    qint64 ascii = 0;
    qint64 other = 0;
    for (const QChar c : text) {
        if (c.isLowSurrogate()) {
            continue; // counted with its high half
        }
        (c.unicode() < 0x80 ? ascii : other) += 1;
    }
    return (ascii + 3) / 4 + other;
}

int RewriteController::characterCount(const QString& text) {
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    int count = 0;
    while (finder.toNextBoundary() != -1) {
        ++count;
    }
    return count;
}
