#include "PipelineFixture.h"

#include "rewrite/TerminalApps.h"
#include "rewrite/TextCaptureService.h"

namespace {

using Command = Keystrokes::Command;
using Style = Keystrokes::Style;

QList<Command> commands(const QList<std::pair<Command, Style>>& posted) {
    QList<Command> result;
    for (const auto& [command, style] : posted) {
        result.append(command);
    }
    return result;
}

const QString nothingCaptured = QStringLiteral("failed: Nothing to rewrite.");

} // namespace

TEST_F(PipelineTest, NothingSelectedInATextFieldRewritesTheWholeField) {
    editor.setText(QStringLiteral("the whole field"));
    run();
    EXPECT_EQ(editor.text(), QStringLiteral("THE WHOLE FIELD"));
    EXPECT_EQ(commands(keys.posted),
              (QList<Command>{Command::copy, Command::selectAll, Command::copy, Command::paste}));
    EXPECT_TRUE(logHas(QStringLiteral("Nothing selected \u2014 taking the whole field.")));
    EXPECT_EQ(pasteboard.items(), userClipboard);
}

TEST_F(PipelineTest, WhitespaceSelectionCountsAsNothingSelected) {
    editor.setText(QStringLiteral("a  \n  b"), 1, 5);
    run();
    EXPECT_EQ(editor.text(), QStringLiteral("A  \n  B"));
}

TEST_F(PipelineTest, EveryEditableRoleGetsTheWholeFieldAndNoOtherDoes) {
    for (const char* role : {"AXTextField", "AXTextArea", "AXComboBox", "AXSearchField"}) {
        EXPECT_TRUE(TextCaptureService::editableRoles.contains(QString::fromLatin1(role)));
    }
    for (const char* role : {"AXSecureTextField", "AXButton", "AXStaticText", "textField"}) {
        EXPECT_FALSE(TextCaptureService::editableRoles.contains(QString::fromLatin1(role))) << role;
    }
}

TEST_F(PipelineTest, NothingSelectedOnAButtonGivesTheRoleLineAndRestores) {
    accessibility.focusRole(QStringLiteral("AXButton"));
    editor.setText(QStringLiteral("not a field"));
    run();
    EXPECT_TRUE(logHas(QStringLiteral(
        "Nothing selected and the focus is a AXButton, not a text field. Aborting.")));
    const QStringList aborted = logLines().filter(
        QRegularExpression(QStringLiteral("^No selection captured \\(\\d+ ms\\)\\. Aborting\\.$")));
    EXPECT_EQ(aborted.size(), 1);
    EXPECT_EQ(feedback->calls, QStringList{nothingCaptured});
    EXPECT_EQ(commands(keys.posted), QList<Command>{Command::copy});
    EXPECT_TRUE(model.requests.isEmpty());
    EXPECT_TRUE(cancelKey.isEmpty());
    EXPECT_EQ(pasteboard.writes.size(), 1); // the restore
    EXPECT_EQ(pasteboard.items(), userClipboard);
}

TEST_F(PipelineTest, FocusWithoutElementOrRoleGivesItsOwnLine) {
    accessibility.focus = {Accessibility::FocusedElement::Status::noElement, {}, 0};
    run();
    EXPECT_TRUE(logHas(QStringLiteral("Nothing selected and no focused element. Aborting.")));
    accessibility.focus = {Accessibility::FocusedElement::Status::noRole, {}, 0};
    run();
    EXPECT_TRUE(
        logHas(QStringLiteral("Nothing selected and the focused element has no role. Aborting.")));
    EXPECT_EQ(feedback->calls, (QStringList{nothingCaptured, nothingCaptured}));
    EXPECT_TRUE(model.requests.isEmpty());
}

TEST_F(PipelineTest, ACopiedFileIsNotTextButTheFieldStillIs) {
    editor.copiedItems = QList<PasteboardItem>{PasteboardItem{
        {QStringLiteral("text/uri-list"), QByteArrayLiteral("file:///home/u/a.txt\r\n")},
        {QStringLiteral("text/plain"), QByteArrayLiteral("/home/u/a.txt")}}};
    editor.setText(QStringLiteral("search"));
    // The first Copy yields the file; after Select All the field's own text is copied.
    keys.onPost = [this, react = keys.onPost](Command c, Style s) {
        if (c == Command::selectAll) {
            editor.copiedItems.reset();
        }
        react(c, s);
    };
    run();
    EXPECT_TRUE(logHas(QStringLiteral("What got copied was a file, not text. Aborting.")));
    EXPECT_EQ(editor.text(), QStringLiteral("SEARCH"));
    EXPECT_EQ(pasteboard.items(), userClipboard);
}

TEST_F(PipelineTest, FileListRecognition) {
    const QStringList uri{QStringLiteral("text/uri-list")};
    EXPECT_TRUE(TextCaptureService::isFileList(uri, "# comment\r\nfile:///tmp/x\r\n"));
    EXPECT_TRUE(TextCaptureService::isFileList(uri, "FILE:///tmp/x"));
    EXPECT_FALSE(TextCaptureService::isFileList(uri, "https://example.org/\r\n"));
    EXPECT_FALSE(TextCaptureService::isFileList(uri, ""));
    EXPECT_TRUE(
        TextCaptureService::isFileList({QStringLiteral("x-special/gnome-copied-files")}, ""));
}

TEST_F(PipelineTest, AnEmptyClipboardIsEmptyAgainAfterTheRun) {
    pasteboard.copyFromApplication({});
    editor.setText(QStringLiteral("abc"), 0, 3);
    run();
    EXPECT_EQ(editor.text(), QStringLiteral("ABC"));
    EXPECT_TRUE(pasteboard.items().isEmpty());
    ASSERT_FALSE(pasteboard.writes.isEmpty());
    EXPECT_TRUE(pasteboard.writes.last().isEmpty());
}

TEST_F(PipelineTest, ALatePasteStillGetsTheRewrittenText) {
    // The target reads the clipboard long after the minimum wait: restoring on the minimum
    // would paste the user's own clipboard.
    editor.pasteDelay = std::chrono::milliseconds(120);
    editor.setText(QStringLiteral("late"), 0, 4);
    run();
    EXPECT_EQ(editor.text(), QStringLiteral("LATE"));
    EXPECT_EQ(pasteboard.items(), userClipboard);
}

TEST_F(PipelineTest, ATargetThatNeverPastesGetsItsClipboardBackAtTheDeadline) {
    editor.understands = Style::standard;
    keys.onPost = [this, react = keys.onPost](Command c, Style s) {
        if (c != Command::paste) {
            react(c, s);
        }
    };
    editor.setText(QStringLiteral("abc"), 0, 3);
    run();
    EXPECT_EQ(editor.text(), QStringLiteral("abc"));
    EXPECT_EQ(pasteboard.items(), userClipboard);
    EXPECT_EQ(feedback->calls.last(), QStringLiteral("succeeded"));
}

TEST_F(PipelineTest, TerminalsGetShiftedKeysAndNeverSelectAll) {
    workspace.active->instanceName = QStringLiteral("xterm");
    workspace.active->className = QStringLiteral("XTerm");
    editor.understands = Style::terminal;
    editor.setText(QStringLiteral("$ ls"), 2, 2);
    run();
    EXPECT_EQ(editor.text(), QStringLiteral("$ LS"));
    for (const auto& [command, style] : keys.posted) {
        EXPECT_EQ(style, Style::terminal);
    }

    keys.posted.clear();
    editor.setText(QStringLiteral("$ ls"));
    run();
    EXPECT_EQ(commands(keys.posted), QList<Command>{Command::copy});
    EXPECT_TRUE(logHas(QStringLiteral(
        "Nothing selected and the focus is a AXTerminal, not a text field. Aborting.")));
}

TEST_F(PipelineTest, TerminalsAreRecognisedByClassOrRole) {
    using W = Workspace::ActiveWindow;
    EXPECT_TRUE(
        TerminalApps::isTerminalWindow(W{1, 1, "gnome-terminal-server", "Gnome-terminal", 0}));
    EXPECT_TRUE(TerminalApps::isTerminalWindow(W{1, 1, "konsole", "konsole", 0}));
    EXPECT_TRUE(TerminalApps::isTerminalWindow(W{1, 1, "Alacritty", "Alacritty", 0}));
    EXPECT_FALSE(TerminalApps::isTerminalWindow(W{1, 1, "mousepad", "Mousepad", 0}));
    EXPECT_FALSE(TerminalApps::isTerminalWindow(std::nullopt));

    workspace.active = std::nullopt;
    accessibility.focusRole(TerminalApps::terminalRole);
    editor.understands = Style::terminal;
    editor.setText(QStringLiteral("$ ls"), 0, 1);
    run();
    EXPECT_EQ(editor.text(), QStringLiteral("$ ls"));
    EXPECT_EQ(model.requests.value(0).text, QStringLiteral("$"));
}

TEST_F(PipelineTest, KeysWaitForTheUserToLetGoOfTheModifiersButNotForEver) {
    keys.heldForQueries = 3;
    editor.setText(QStringLiteral("abc"), 0, 3);
    run();
    EXPECT_EQ(editor.text(), QStringLiteral("ABC"));
    EXPECT_GE(keys.modifierQueries, 4); // three "held" answers, then free before Copy and Paste

    keys.heldForQueries = 1'000'000; // never let go: the deadline passes and the run goes on
    editor.setText(QStringLiteral("xyz"), 0, 3);
    run();
    EXPECT_EQ(editor.text(), QStringLiteral("XYZ"));
}
