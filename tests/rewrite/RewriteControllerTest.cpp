#include "PipelineFixture.h"

#include <QRegularExpression>

namespace {

RewriteError errorOf(RewriteError::Kind kind, int status = 0) {
    return RewriteError{kind, status, QStringLiteral("{\"error\":\"boom\"}"), QStringLiteral("x")};
}

} // namespace

TEST_F(PipelineTest, SelectionIsReplacedAndClipboardComesBackWithEveryFormat) {
    editor.setText(QStringLiteral("say hello world"), 4, 5);
    run();

    EXPECT_EQ(editor.text(), QStringLiteral("say HELLO world"));
    EXPECT_EQ(pasteboard.items(), userClipboard);
    ASSERT_EQ(model.requests.size(), 1);
    EXPECT_EQ(model.requests[0].text, QStringLiteral("hello"));
    EXPECT_EQ(model.requests[0].instructions, instructions);
    EXPECT_EQ(model.requests[0].origin, RewriteRequest::Origin::defaultInstructions);
    EXPECT_EQ(pasteboard.textWrites, QStringList{QStringLiteral("HELLO")});
    EXPECT_EQ(feedback->calls,
              (QStringList{QStringLiteral("working"), QStringLiteral("succeeded")}));
    EXPECT_EQ(usage, (QList<std::pair<qint64, qint64>>{{12, 7}}));
    EXPECT_EQ(cancelKey, (QList<bool>{true, false}));
    EXPECT_EQ(apiCallSetWhenArmed.value(0), true);
    EXPECT_FALSE(controller.apiCall().has_value());
    EXPECT_FALSE(controller.isRunning());

    const QStringList log = logLines();
    const QRegularExpression captured(QStringLiteral("^Captured 5 chars in \\d+ ms\\.$"));
    const QRegularExpression replied(
        QStringLiteral("^OpenAI \\(gpt-4o-mini, defaultInstructions\\) replied in \\d+ ms, 12 in / "
                       "7 out tokens\\.$"));
    const QRegularExpression done(QStringLiteral("^Done in \\d+\\.\\d\\d s total\\.$"));
    EXPECT_EQ(log.filter(captured).size(), 1) << log.join('\n').toStdString();
    EXPECT_EQ(log.filter(replied).size(), 1) << log.join('\n').toStdString();
    EXPECT_EQ(log.filter(done).size(), 1) << log.join('\n').toStdString();
}

TEST_F(PipelineTest, SecondTriggerDuringARunIsIgnoredAndAcceptedAfterwards) {
    editor.setText(QStringLiteral("abc"), 0, 3);
    controller.trigger();
    controller.triggerWithPrompt();
    EXPECT_TRUE(logHas(QStringLiteral("Ignored hotkey: a rewrite is already running.")));
    waitForRuns(1);
    EXPECT_EQ(model.requests.size(), 1);

    editor.setText(QStringLiteral("xyz"), 0, 3);
    run();
    EXPECT_EQ(model.requests.size(), 2);
    EXPECT_EQ(editor.text(), QStringLiteral("XYZ"));
}

TEST_F(PipelineTest, WithoutKeystrokesNothingIsTouched) {
    keys.available = false;
    editor.setText(QStringLiteral("abc"), 0, 3);
    run();
    EXPECT_TRUE(logHas(QStringLiteral(
        "Keystrokes can't be sent in this session, so the copy is blocked. Palimo needs an X11 "
        "session with the XTest extension.")));
    EXPECT_EQ(feedback->calls,
              QStringList{QStringLiteral("failed: Palimo can't send keystrokes here.")});
    EXPECT_EQ(pasteboard.readAllCalls, 0);
    EXPECT_TRUE(pasteboard.writes.isEmpty());
    EXPECT_TRUE(keys.posted.isEmpty());
    EXPECT_TRUE(cancelKey.isEmpty());
}

TEST_F(PipelineTest, ModelFailuresRestoreTheClipboardAndTellTheUser) {
    const std::vector<std::pair<RewriteError, QString>> table = {
        {errorOf(RewriteError::Kind::missingAPIKey), "No API key yet. Add one in Settings."},
        {errorOf(RewriteError::Kind::invalidAPIKey), "OpenAI rejected your API key."},
        {errorOf(RewriteError::Kind::emptyCompletion), "OpenAI sent nothing back."},
        {errorOf(RewriteError::Kind::badResponse, 500), "OpenAI returned an error (500)."},
        {errorOf(RewriteError::Kind::timedOut), "OpenAI took too long to answer."},
        {errorOf(RewriteError::Kind::notConnected), "No internet connection."},
        {errorOf(RewriteError::Kind::connectionLost), "No internet connection."},
        {errorOf(RewriteError::Kind::decoding), "The rewrite failed. See the log for why."},
        {errorOf(RewriteError::Kind::bodyTooLarge), "The rewrite failed. See the log for why."},
        {errorOf(RewriteError::Kind::other), "The rewrite failed. See the log for why."},
    };
    for (const auto& [error, message] : table) {
        SCOPED_TRACE(message.toStdString());
        feedback->calls.clear();
        cancelKey.clear();
        model.error = error;
        editor.setText(QStringLiteral("keep me"), 0, 7);
        run();
        EXPECT_EQ(editor.text(), QStringLiteral("keep me"));
        EXPECT_EQ(pasteboard.items(), userClipboard);
        EXPECT_EQ(feedback->calls, (QStringList{QStringLiteral("working"), "failed: " + message}));
        EXPECT_TRUE(logHas(QStringLiteral("Rewrite failed: ") + error.description()));
        EXPECT_EQ(cancelKey, (QList<bool>{true, false}));
    }
    EXPECT_TRUE(usage.isEmpty());
    EXPECT_TRUE(pasteboard.textWrites.isEmpty());
}

TEST_F(PipelineTest, CancellingTheModelCallRestoresWithoutAFailureLine) {
    model.waitForCancel = true;
    model.onCall = [this] {
        QTimer::singleShot(10, [this] {
            ASSERT_TRUE(controller.apiCall().has_value());
            controller.apiCall()->cancel();
        });
    };
    editor.setText(QStringLiteral("keep me"), 0, 4);
    run();
    EXPECT_EQ(feedback->calls,
              (QStringList{QStringLiteral("working"), QStringLiteral("cancelled")}));
    EXPECT_EQ(editor.text(), QStringLiteral("keep me"));
    EXPECT_EQ(pasteboard.items(), userClipboard);
    EXPECT_TRUE(logLines().filter(QStringLiteral("Rewrite failed")).isEmpty());
    EXPECT_EQ(cancelKey, (QList<bool>{true, false}));
    EXPECT_FALSE(controller.apiCall().has_value());
}

TEST_F(PipelineTest, CancellingAfterTheReplyStillEndsAsSuccess) {
    editor.pasteDelay = std::chrono::milliseconds(10);
    keys.onPost = [this, react = keys.onPost](Keystrokes::Command c, Keystrokes::Style s) {
        react(c, s);
        if (c == Keystrokes::Command::paste && controller.apiCall()) {
            controller.apiCall()->cancel(); // Escape while pasting
        }
    };
    editor.setText(QStringLiteral("abc"), 0, 3);
    run();
    EXPECT_EQ(editor.text(), QStringLiteral("ABC"));
    EXPECT_EQ(feedback->calls.last(), QStringLiteral("succeeded"));
}

TEST_F(PipelineTest, RunWithoutFeedbackReceiverStillPastesAndRestores) {
    feedback.reset();
    editor.setText(QStringLiteral("abc"), 0, 3);
    run();
    EXPECT_EQ(editor.text(), QStringLiteral("ABC"));
    EXPECT_EQ(pasteboard.items(), userClipboard);
    EXPECT_EQ(logLines().filter(QStringLiteral("Done in")).size(), 1);
}

TEST_F(PipelineTest, AClipboardThatCannotBeWrittenIsAFailureNotASuccess) {
    editor.setText(QStringLiteral("abc"), 0, 3);
    pasteboard.failWrites = true;
    run();
    EXPECT_EQ(editor.text(), QStringLiteral("abc"));
    EXPECT_EQ(editor.pastes, 0);
    EXPECT_EQ(feedback->calls.last(),
              QStringLiteral("failed: The rewrite failed. See the log for why."));
    EXPECT_EQ(cancelKey, (QList<bool>{true, false}));
}

TEST_F(PipelineTest, PromptAnswerIsSentUntrimmedAfterReactivatingTheWindow) {
    int reactivationsAtWorking = -1;
    struct Watch : RecordingFeedback {
        std::function<void()> onWorking;
        void working() override {
            onWorking();
            RecordingFeedback::working();
        }
    };
    auto watch = std::make_shared<Watch>();
    watch->onWorking = [&] {
        reactivationsAtWorking = static_cast<int>(workspace.activated.size());
    };
    controller.setFeedback(watch);
    controller.setCollectInstructions([](RewriteController::InstructionsCompletion done) {
        QTimer::singleShot(120, [done] { done(QStringLiteral("  shorter  ")); });
    });
    editor.setText(QStringLiteral("abc"), 0, 3);
    run(true);

    ASSERT_EQ(model.requests.size(), 1);
    EXPECT_EQ(model.requests[0].instructions, QStringLiteral("  shorter  "));
    EXPECT_EQ(model.requests[0].origin, RewriteRequest::Origin::customPrompt);
    EXPECT_EQ(workspace.activated, QList<std::uint64_t>{42});
    EXPECT_EQ(reactivationsAtWorking, 1);
    EXPECT_EQ(editor.text(), QStringLiteral("ABC"));
    EXPECT_EQ(logLines().filter(QStringLiteral("(gpt-4o-mini, customPrompt)")).size(), 1);
    // The capture line covers the capture alone; the total includes the time the panel was open.
    const QString capturedLine = logLines().filter(QStringLiteral("Captured")).value(0);
    const QString doneLine = logLines().filter(QStringLiteral("Done in")).value(0);
    EXPECT_LT(capturedLine.section(' ', 4, 4).toInt(), 120) << capturedLine.toStdString();
    EXPECT_GE(doneLine.section(' ', 2, 2).toDouble(), 0.12) << doneLine.toStdString();
}

TEST_F(PipelineTest, BlankOrMissingPromptAnswerEndsTheRun) {
    const std::vector<std::function<void(RewriteController::InstructionsCompletion)>> panels = {
        [](auto done) { done(QStringLiteral(" \n\t ")); },                        // blank
        [](auto done) { QTimer::singleShot(5, [done] { done(std::nullopt); }); }, // dismissed
        [](auto) {}, // dropped unanswered
    };
    for (const auto& panel : panels) {
        controller.setCollectInstructions(panel);
        feedback->calls.clear();
        editor.setText(QStringLiteral("abc"), 0, 3);
        run(true);
        EXPECT_TRUE(model.requests.isEmpty());
        EXPECT_TRUE(feedback->calls.isEmpty());
        EXPECT_EQ(pasteboard.items(), userClipboard);
        EXPECT_TRUE(workspace.activated.isEmpty());
        EXPECT_TRUE(cancelKey.isEmpty());
    }
    EXPECT_EQ(logLines().filter(QStringLiteral("Prompt cancelled.")).size(), 3);
    controller.setCollectInstructions(nullptr);
    run(true);
    EXPECT_EQ(logLines().filter(QStringLiteral("Prompt cancelled.")).size(), 4);
}

TEST_F(PipelineTest, ErrorTableAndCharacterCount) {
    EXPECT_TRUE(RewriteController::wasCancelled(errorOf(RewriteError::Kind::cancelled)));
    EXPECT_FALSE(RewriteController::wasCancelled(errorOf(RewriteError::Kind::timedOut)));
    EXPECT_EQ(RewriteController::userMessage(errorOf(RewriteError::Kind::refusedAddress)),
              QStringLiteral("The rewrite failed. See the log for why."));
    // e + combining acute, a thumbs-up with a skin tone, a family emoji, CRLF.
    EXPECT_EQ(RewriteController::characterCount(QStringLiteral(
                  "e\u0301\U0001F44D\U0001F3FD\U0001F468\u200D\U0001F469\u200D\U0001F467\r\n")),
              4);
    EXPECT_EQ(RewriteController::characterCount(QString()), 0);
}
