#include "PipelineFixture.h"

#include <QRegularExpression>
#include <QTest>

TEST_F(PipelineTest, SelectionIsReplacedOnceAndPressesMeanwhileAreIgnored) {
    editor.setText(QStringLiteral("say hello world"), 4, 5);
    // The shortcut's modifiers are let go only by the fourth look; keys held for ever are the
    // pipeline system test's (there the run goes on after the deadline).
    editor.heldForQueries = 3;
    run(false, [this] {
        controller.triggerWithPrompt();
        controller.trigger();
    });
    EXPECT_EQ(home.logCount(QStringLiteral("Ignored hotkey: a rewrite is already running.")), 2);
    EXPECT_EQ(editor.text(), QStringLiteral("say HELLO world"));
    EXPECT_GE(editor.modifierQueries, 4);
    EXPECT_EQ(pasteboard.writes.size(), 2); // the answer once, then the user's clipboard
    EXPECT_EQ(requests.value(0).instructions, instructions);
    EXPECT_EQ(usage, (QList<std::tuple<QString, qint64, qint64>>{{"llama3.2", 12, 7}}));
    EXPECT_EQ(pasteboard.textTarget, 42u); // only that window's fetch is the paste
    for (const char* line : {"^OpenAI \\(llama3\\.2, defaultInstructions\\) replied in \\d+ ms, 12 "
                             "in / 7 out tokens\\.$",
                             "^Done in \\d+\\.\\d\\d s total\\.$"}) {
        EXPECT_EQ(home.logLines().filter(QRegularExpression(QString::fromLatin1(line))).size(), 1)
            << line;
    }
}

// A busy application may answer the Copy after its deadline. After the run gave up, its answer
// must not stay on the clipboard in place of the user's; a press while that is watched for still
// runs; an answer that comes while the capture goes on is the selection, not the whole field.
TEST_F(PipelineTest, ACopyAnsweredLate) {
    const auto firstCopyIgnored = [this](const std::function<void()>& later) {
        editor.onPost = [this, later, first = editor.posted.count(Command::copy) + 1](Command c) {
            const bool ignored = c == Command::copy && editor.posted.count(Command::copy) == first;
            if (ignored) {
                QTimer::singleShot(120ms, later);
            }
            return !ignored;
        };
    };
    const auto copies = [this](const QByteArray& text) {
        return [this, text] { pasteboard.copyFromApplication({{{"text/plain", text}}}); };
    };
    accessibility.focus.role = QStringLiteral("AXButton"); // one Copy only
    firstCopyIgnored(copies("abc"));
    run();
    ASSERT_TRUE(QTest::qWaitFor([this] { return pasteboard.foreignChanges == 2; }));
    EXPECT_EQ(pasteboard.items(), userClipboard);

    firstCopyIgnored([this] { controller.trigger(); });
    run();
    EXPECT_EQ(editor.text(), QStringLiteral("ABC")) << "the press made meanwhile was lost";

    // Answered while the focus is looked at, or soon after it while the field shows a selection.
    accessibility.focus.role = QStringLiteral("AXTextArea");
    for (const auto& [delay, selection] :
         {std::pair{100ms, std::optional<Accessibility::TextRange>()},
          std::pair{0ms, std::optional<Accessibility::TextRange>({4, 5})}}) {
        editor.setText(QStringLiteral("say hello"), 4, 5);
        accessibility.focusDelay = delay;
        accessibility.selection = selection;
        firstCopyIgnored(copies("hello"));
        run();
        EXPECT_EQ(editor.text(), QStringLiteral("say HELLO")) << delay.count();
        EXPECT_EQ(pasteboard.items(), userClipboard);
    }
}

// However a run ends, the text is replaced exactly when it should be, the pill hears of it, the
// Escape key is armed exactly for the model call and the user's clipboard is as it was.
TEST_P(PipelineEndings, TextFeedbackAndClipboard) {
    GetParam().setUp(*this);
    const QList<PasteboardItem> clipboard = pasteboard.items();
    const int foreignChanges = pasteboard.foreignChanges;
    run();
    EXPECT_EQ(editor.text(), GetParam().text);
    EXPECT_EQ(pasteboard.items(), GetParam().clipboard.value_or(clipboard));
    if (pasteboard.foreignChanges == foreignChanges) {
        EXPECT_TRUE(pasteboard.writes.isEmpty()) << "took a clipboard nothing had changed";
    }
    if (feedback) {
        EXPECT_EQ(feedback->calls, GetParam().feedback);
    }
    // Escape is armed from the capture on, whenever the run gets that far.
    EXPECT_EQ(cancelKey, editor.available ? (QList<bool>{true, false}) : QList<bool>());
    if (!GetParam().logLine.isEmpty()) {
        EXPECT_EQ(home.logCount(GetParam().logLine), 1) << home.logLines().join('\n').toStdString();
    }
    EXPECT_EQ(home.logCount(QStringLiteral("Rewrite failed")),
              GetParam().logLine.startsWith(QStringLiteral("Rewrite failed")) ? 1 : 0);
    const bool pasted = editor.posted.contains(Command::paste);
    EXPECT_EQ(pasted, home.logCount(QStringLiteral("Done in")) == 1 ||
                          GetParam().logLine.contains(QStringLiteral("did not fetch")))
        << "Paste only for a success";
    EXPECT_EQ(home.logCount(QStringLiteral("No selection captured")),
              GetParam().feedback == nothingToRewrite ? 1 : 0);
}

INSTANTIATE_TEST_SUITE_P(
    Controller, PipelineEndings,
    ::testing::Values(
        // A read-only field or a hung application: no "Done" for a paste that did not happen,
        // also when a clipboard manager fetched the text meanwhile.
        Ending{"TargetNeverPastes",
               [](PipelineTest& f) {
                   f.editor.onPost = [&f](Command c) {
                       if (c == Command::paste) {
                           f.pasteboard.fetchForPaste(false);
                       }
                       return c != Command::paste;
                   };
               },
               "abc", failedWith("The app did not take the rewritten text."),
               "Rewrite failed: the app did not fetch the rewritten text within 300 ms."},
        Ending{"FocusMovedDuringTheCall",
               [](PipelineTest& f) { f.duringCall = [&f] { f.workspace.active->window = 77; }; },
               "abc", failedWith("Another window became active, so nothing was pasted."),
               "Rewrite failed: another window became active during the rewrite"},
        // The server's failure is said; newer contents (here a password manager clearing its
        // secret) stay.
        Ending{"ClipboardChangedDuringAFailedCall",
               [](PipelineTest& f) {
                   f.modelError = {RewriteError::Kind::badResponse, 500, "boom", {}, {}};
                   f.duringCall = [&f] { f.pasteboard.copyFromApplication({}); };
               },
               "abc", failedWith("OpenAI returned an error (500)."),
               "Rewrite failed: OpenAI returned HTTP 500: boom", QList<PasteboardItem>()},
        // Restoring "nothing" would wipe the clipboard; the rewrite is left there instead.
        Ending{"ClipboardCouldNotBeRead", [](PipelineTest& f) { f.pasteboard.unreadable = true; },
               "ABC", succeeded, "The clipboard could not be read before the rewrite",
               QList<PasteboardItem>{{{QStringLiteral("text/plain"), "ABC"},
                                      {QStringLiteral("x-kde-passwordManagerHint"), "secret"}}}},
        Ending{"NoPill", [](PipelineTest& f) { f.feedback.reset(); }, "ABC", {}, "Done in"},
        Ending{"EscapeDuringTheCapture",
               [](PipelineTest& f) {
                   f.editor.onPost = [&f](Command) {
                       f.controller.apiCall()->cancel();
                       return true;
                   };
               },
               "abc", QStringList{"cancelled"}},
        Ending{"TooLongForOneAnswer",
               [](PipelineTest& f) {
                   f.editor.setText(QString(65'537, u'a'), 0, 65'537); // 16,385 tokens
               },
               QString(65'537, u'a'),
               QStringList{"failed: Too long: at most about 16384 tokens at once."},
               "Too long to rewrite in one answer: about 16385 tokens, and one answer holds at "
               "most 16384. Aborting."},
        Ending{"ClipboardCannotBeWritten",
               [](PipelineTest& f) { f.pasteboard.failTextWrites = true; }, "abc",
               failedWith("The rewrite failed. See the log for why."),
               "Rewrite failed: the rewritten text could not be put on the clipboard."},
        Ending{"NoKeystrokes", [](PipelineTest& f) { f.editor.available = false; }, "abc",
               QStringList{"failed: Palimo can't send keystrokes here."},
               "Keystrokes can't be sent in this session, so the copy is blocked. Palimo needs "
               "an X11 session with the XTest extension."}),
    ::testing::PrintToStringParamName());

TEST(RewriteControllerText, FailureLinesAndCharacterCount) {
    using K = RewriteError::Kind;
    for (const auto& [kind, server, text] : std::vector<std::tuple<K, QString, QString>>{
             {K::missingAPIKey, {}, "No API key yet. Add one in Settings."},
             {K::invalidAPIKey, {}, "OpenAI rejected your API key."},
             {K::emptyCompletion, {}, "OpenAI sent nothing back."},
             {K::timedOut, {}, "OpenAI took too long to answer."},
             {K::connectionLost, {}, "No internet connection."},
             {K::notConnected, {}, "No internet connection."},
             {K::notConnected, "http://127.0.0.1:8080", "Could not reach http://127.0.0.1:8080."},
             {K::refusedAddress, {}, "The rewrite failed. See the log for why."}}) {
        EXPECT_EQ(RewriteController::userMessage({kind, 429, {}, {}, server}), text);
    }
    // e + combining acute, a thumbs-up with a skin tone, a family emoji, CRLF.
    EXPECT_EQ(RewriteController::characterCount(QStringLiteral(
                  "e\u0301\U0001F44D\U0001F3FD\U0001F468\u200D\U0001F469\u200D\U0001F467\r\n")),
              4);
}

TEST_F(PipelineTest, PromptAnswerIsSentUntrimmedAfterReactivatingTheWindow) {
    qsizetype activatedAtWorking = -1;
    feedback->onWorking = [&] { activatedAtWorking = workspace.activated.size(); };
    controller.setCollectInstructions([](RewriteController::InstructionsCompletion done) {
        QTimer::singleShot(120, [done] { done(QStringLiteral("  shorter  ")); });
    });
    run(true);
    EXPECT_EQ(requests.value(0).instructions, QStringLiteral("  shorter  "));
    EXPECT_EQ(activatedAtWorking, 1);
    EXPECT_EQ(home.logCount(QStringLiteral("(llama3.2, customPrompt)")), 1);
    // The capture line covers the capture alone; the total includes the time the panel was open.
    const QString captured = home.logLines().filter(QStringLiteral("Captured")).value(0);
    const QString done = home.logLines().filter(QStringLiteral("Done in")).value(0);
    EXPECT_LT(captured.section(u' ', 4, 4).toInt(), 120) << captured.toStdString();
    EXPECT_GE(done.section(u' ', 2, 2).toDouble(), 0.12) << done.toStdString();
}

// A blank, unanswered or missing prompt ends the run quietly, a window gone by the answer with a
// failure: either way nothing is sent and the clipboard comes back.
TEST_F(PipelineTest, PromptRunEndsWithoutAnAnswerOrWithoutItsWindow) {
    workspace.activationWorks = false;
    const std::vector<std::function<void(RewriteController::InstructionsCompletion)>> panels = {
        [](auto done) { done(QStringLiteral(" \n\t ")); }, // blank
        [](auto) {},                                       // dropped unanswered
        nullptr,                                           // no panel at all
        [](auto done) { done(QStringLiteral("shorter")); },
    };
    for (const auto& panel : panels) {
        controller.setCollectInstructions(panel);
        run(true);
    }
    EXPECT_EQ(home.logCount(QStringLiteral("Prompt cancelled.")), 3);
    EXPECT_EQ(pasteboard.writes, QList<QList<PasteboardItem>>(4, userClipboard));
    EXPECT_TRUE(requests.isEmpty());
    EXPECT_EQ(feedback->calls, QStringList{"failed: Your window is gone, so nothing was pasted."});
    EXPECT_EQ(workspace.activated.size(), 1) << "a window activated without an answer";
    // Escape is armed for the capture and let go before the panel, which takes it itself.
    EXPECT_EQ(cancelKey, (QList<bool>{true, false, true, false, true, false, true, false}));
}
