#include "PipelineFixture.h"

#include "rewrite/TerminalApps.h"
#include "rewrite/TextCaptureService.h"

namespace {

const QList<PasteboardItem> copiedFile = {
    {{QStringLiteral("text/uri-list"), "file:///home/u/a.txt\r\n"},
     {QStringLiteral("text/plain"), "/home/u/a.txt"}}};

QString notAField(const QString& role) {
    return "Nothing selected and the focus is a " + role + ", not a text field. Aborting.";
}

} // namespace

// With nothing selected the focus decides: a text field is rewritten whole, anything else ends
// the run with its reason (the clipboard, even holding a copied file by then, comes back).
// Terminals get the Shift variants of Copy and Paste and never Select All.
INSTANTIATE_TEST_SUITE_P(
    Capture, PipelineEndings,
    ::testing::Values(
        Ending{"WholeTextField", [](PipelineTest& f) { f.nothingSelectedIn("AXTextField"); }, "ABC",
               succeeded, "Nothing selected \u2014 taking the whole field."},
        Ending{"WholeTextAreaAfterACopiedFile",
               [](PipelineTest& f) {
                   f.nothingSelectedIn("AXTextArea");
                   f.editor.copiedItems = copiedFile;
               },
               "ABC", succeeded, "What got copied was a file, not text. Aborting."},
        Ending{"WholeComboBox", [](PipelineTest& f) { f.nothingSelectedIn("AXComboBox"); }, "ABC",
               succeeded},
        Ending{"WhiteSpaceIsNothingSelected",
               [](PipelineTest& f) { f.editor.setText(QStringLiteral("a  \n  b"), 1, 5); },
               "A  \n  B", succeeded},
        Ending{"Button", [](PipelineTest& f) { f.nothingSelectedIn("AXButton"); }, "abc",
               nothingToRewrite, notAField("AXButton")},
        Ending{"PasswordFieldAfterACopiedFile",
               [](PipelineTest& f) {
                   f.nothingSelectedIn("AXSecureTextField");
                   f.editor.copiedItems = copiedFile;
               },
               "abc", nothingToRewrite, notAField("AXSecureTextField")},
        Ending{"NoFocusedElement",
               [](PipelineTest& f) {
                   f.nothingSelectedIn({});
                   f.accessibility.focus.status = Accessibility::FocusedElement::Status::noElement;
               },
               "abc", nothingToRewrite, "Nothing selected and no focused element. Aborting."},
        Ending{"FocusWithoutRole",
               [](PipelineTest& f) {
                   f.nothingSelectedIn({});
                   f.accessibility.focus.status = Accessibility::FocusedElement::Status::noRole;
               },
               "abc", nothingToRewrite,
               "Nothing selected and the focused element has no role. Aborting."},
        Ending{"TerminalRoleWithNothingSelected",
               [](PipelineTest& f) { f.nothingSelectedIn(TerminalApps::terminalRole); }, "abc",
               nothingToRewrite, notAField(TerminalApps::terminalRole)}),
    endingName);

// A terminal gets no key at all: its selection is read as it stands, and the rewrite stays on
// the clipboard for the user to paste; with nothing selected the clipboard is not touched.
TEST_F(PipelineTest, TerminalsGetNoKeystrokeAndKeepTheRewriteOnTheClipboard) {
    struct Case {
        QString windowClass;
        std::optional<QString> primary;
        QList<PasteboardItem> clipboardAfter;
        QStringList feedback;
    };
    const QList<PasteboardItem> rewrite = {
        {{QStringLiteral("text/plain"), "LS -L"},
         {QStringLiteral("x-kde-passwordManagerHint"), "secret"}}};
    const QStringList ready{"working", "ready: Ready: paste it with Ctrl+Shift+V."};
    for (const Case& c : {Case{"XTerm", "ls -l", rewrite, ready},
                          Case{"konsole", " \n ", userClipboard, nothingToRewrite},
                          Case{"Gnome-terminal", std::nullopt, userClipboard, nothingToRewrite}}) {
        pasteboard.copyFromApplication(userClipboard);
        workspace.active->className = c.windowClass;
        pasteboard.primary = c.primary;
        editor.posted.clear();
        feedback->calls.clear();
        run();
        EXPECT_TRUE(editor.posted.isEmpty()) << c.windowClass.toStdString();
        EXPECT_EQ(pasteboard.items(), c.clipboardAfter) << c.windowClass.toStdString();
        EXPECT_EQ(feedback->calls, c.feedback) << c.windowClass.toStdString();
    }
    ASSERT_EQ(requests.size(), 1);
    EXPECT_EQ(requests[0].text, QStringLiteral("ls -l"));
    EXPECT_EQ(logCount(QStringLiteral("The rewrite is on the clipboard: paste it with "
                                      "Ctrl+Shift+V.")),
              1);
    EXPECT_EQ(logCount(notAField(TerminalApps::terminalRole)), 2);
}

TEST(TextCapture, CopiedFilesAreToldFromLinks) {
    using TextCaptureService::isFileList;
    const QStringList uriList{QStringLiteral("text/uri-list")};
    EXPECT_TRUE(isFileList(uriList, "# copied\r\nFILE:///tmp/x\r\n"));
    EXPECT_FALSE(isFileList(uriList, "# file:///tmp/x\r\nhttps://example.org/\r\n"));
    EXPECT_TRUE(isFileList({QStringLiteral("x-special/gnome-copied-files")}, ""));
}

TEST_F(PipelineTest, KeysWaitForTheUserToLetGoOfTheModifiersButNotForEver) {
    editor.heldForQueries = 3;
    editor.setText(QStringLiteral("abc"), 0, 3);
    run();
    EXPECT_EQ(editor.text(), QStringLiteral("ABC"));
    EXPECT_GE(editor.modifierQueries, 4); // three "held" answers, then free before Copy and Paste

    editor.heldForQueries = 1'000'000; // never let go: the deadline passes and the run goes on
    editor.setText(QStringLiteral("xyz"), 0, 3);
    run();
    EXPECT_EQ(editor.text(), QStringLiteral("XYZ"));
}
