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
        Ending{"TerminalByClass",
               [](PipelineTest& f) {
                   f.workspace.active->className = QStringLiteral("XTerm");
                   f.editor.understands = Style::terminal;
               },
               "ABC", succeeded},
        Ending{"TerminalByRole",
               [](PipelineTest& f) {
                   f.workspace.active.reset();
                   f.accessibility.focus.role = TerminalApps::terminalRole;
                   f.editor.understands = Style::terminal;
               },
               "ABC", succeeded},
        Ending{"TerminalWithNothingSelected",
               [](PipelineTest& f) {
                   f.workspace.active->className = QStringLiteral("XTerm");
                   f.editor.understands = Style::terminal;
                   f.editor.setText(QStringLiteral("abc"));
               },
               "abc", nothingToRewrite, notAField(TerminalApps::terminalRole)}),
    endingName);

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
