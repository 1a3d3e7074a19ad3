#pragma once

#include "client/CancellationToken.h"
#include "client/RewriteError.h"
#include "client/RewriteRequest.h"
#include "rewrite/ClipboardKeeper.h"
#include "rewrite/PipelineTiming.h"
#include "rewrite/RewriteFeedback.h"
#include "rewrite/RewritePlatform.h"
#include "rewrite/TextReplaceService.h"

#include <QElapsedTimer>
#include <QString>

#include <qcoro/qcorotask.h>

#include <functional>
#include <memory>
#include <optional>
#include <variant>

// Runs one rewrite from a shortcut press to the pasted result: the single-run guard, the
// permission check, capture, the optional prompt, the model call, paste and restore, feedback
// and the timing lines. Main thread only; a run is one coroutine, and every wait in it is
// awaited. There is one controller for the life of the application.
class RewriteController {
public:
    using Outcome = std::variant<RewriteResult, RewriteError>;

    // The model call behind the rewrite, which ends with kind cancelled soon after its token is
    // cancelled. Its result names the model that answered, for the log line and the usage.
    struct Model {
        std::function<QCoro::Task<Outcome>(RewriteRequest, CancellationToken)> rewrite;
        // The longest answer the model writes; a text whose rewrite would need more is refused
        // before the call (gpt-4o-mini's limit).
        qint64 maxAnswerTokens = 16'384;
    };

    // What the controller reads and writes in the settings.
    struct Settings {
        std::function<QString()> instructions; // the stored default instructions
        // the model, its prompt and its completion tokens
        std::function<void(const QString&, qint64, qint64)> recordUsage;
    };

    // Delivers the prompt's answer, or nothing when the user dismissed it. Call it once.
    using InstructionsCompletion = std::function<void(std::optional<QString>)>;

    RewriteController(const RewritePlatform& platform, Model model, Settings settings,
                      PipelineTiming timing = {});
    RewriteController(const RewriteController&) = delete;
    RewriteController& operator=(const RewriteController&) = delete;

    // Start a rewrite with the default instructions; returns at once.
    void trigger();
    // Start a rewrite whose instructions come from collectInstructions; returns at once.
    void triggerWithPrompt();

    bool isRunning() const { return m_isRunning; }
    // What Escape cancels, from the start of the capture to the end of the model call (not while
    // the prompt panel is open, which takes Escape itself). Cancelled during the capture, the
    // run ends as cancelled before the call.
    std::optional<CancellationToken> apiCall() const { return m_apiCall; }

    // Asks for one-off instructions (the prompt panel). Unset means the prompt path always
    // ends as "Prompt cancelled.".
    void setCollectInstructions(std::function<void(InstructionsCompletion)> collect);
    void setFeedback(std::weak_ptr<RewriteFeedback> feedback);
    // Switches the Escape hotkey on while apiCall() is set.
    void setCancelKeyActive(std::function<void(bool)> setActive);
    // Called when a run has completely finished, whatever its exit.
    void setOnRunFinished(std::function<void()> onFinished);
    // Where Copy and Paste cannot be pressed but the clipboard can be reached: a run rewrites
    // the text the user copied and leaves the result on the clipboard for them to paste.
    void setClipboardOnly(bool clipboardOnly) { m_clipboardOnly = clipboardOnly; }
    // Before quitting: ends the run in progress soon (its model call cancelled, its prompt
    // dismissed) and resumes once it has put the user's clipboard back.
    QCoro::Task<> finishRun();

    // The pill's line for a failed model call.
    static QString userMessage(const RewriteError& error);
    static bool wasCancelled(const RewriteError& error);

    // User-perceived characters (grapheme clusters), as the capture line counts them.
    static int characterCount(const QString& text);
    // A generous guess at the tokens a text takes: a quarter per ASCII character (English runs
    // about four to a token), one for any other (CJK and the like take one or more each).
    static qint64 estimatedTokens(const QString& text);

private:
    struct Captured {
        QString text;
        // The user's clipboard, kept through the run; none for a terminal's selection: the
        // clipboard was never touched, and the rewrite is left on it for the user to paste
        // (pasting into a terminal could run a command).
        std::optional<ClipboardKeeper> clipboard;
        std::optional<Workspace::ActiveWindow> window; // where the text came from
        // How the user pastes a rewrite left on the clipboard.
        QString pasteKeys = QStringLiteral("Ctrl+Shift+V");
        bool leaveOnClipboard() const { return !clipboard; }
    };

    void press(bool withPrompt);
    QCoro::Task<> runGuarded(bool withPrompt);
    QCoro::Task<> runWithSettingsInstructions();
    QCoro::Task<> runWithTypedInstructions();
    bool accessibilityIsGranted();
    QCoro::Task<std::optional<Captured>> capture(QElapsedTimer start,
                                                 std::optional<Workspace::ActiveWindow> window);
    // Whether the captured text can be sent; otherwise the run ends here, told and restored.
    QCoro::Task<bool> acceptable(const Captured& captured, const CancellationToken& escape);
    QCoro::Task<std::optional<QString>> askForInstructions();
    QCoro::Task<> finish(RewriteRequest request, Captured captured, QElapsedTimer start,
                         CancellationToken escape);
    QCoro::Task<std::optional<TextReplaceService::Failure>> deliver(QString text,
                                                                    Captured& captured);
    QCoro::Task<> restore(const Captured& captured);
    // A Copy the application answers only after the capture gave up would leave the selection
    // on the clipboard instead of the user's contents: waits a while for that and puts them back.
    QCoro::Task<> undoLateCopy(const ClipboardKeeper& keeper);
    CancellationToken armCancelKey();
    void endModelCall();
    void fail(const QString& reason, const QString& userMessage);
    void feedback(const std::function<void(RewriteFeedback&)>& call) const;

    RewritePlatform m_platform;
    Model m_model;
    Settings m_settings;
    PipelineTiming m_timing;
    bool m_isRunning = false;
    bool m_clipboardOnly = false;
    std::function<void(InstructionsCompletion)> m_collectInstructions;
    std::weak_ptr<RewriteFeedback> m_feedback;
    std::function<void(bool)> m_setCancelKeyActive;
    std::optional<CancellationToken> m_apiCall;
    std::function<void()> m_onRunFinished;
    std::function<void()> m_dismissPrompt;    // while the prompt is open
    std::function<void()> m_onRunEndedOnce;   // for finishRun()
    std::function<void()> m_endLateCopyWatch; // while undoLateCopy() waits
    std::optional<bool> m_queuedPress;        // withPrompt of a press made during that wait
    bool m_quitting = false;
};
