#include "PipelineFixture.h"

#include "rewrite/TerminalApps.h"
#include "rewrite/TextCaptureService.h"

namespace {

using Status = Accessibility::FocusedElement::Status;

QString notAField(const QString& role) {
    return "Nothing selected and the focus is a " + role + ", not a text field. Aborting.";
}

// Nothing is selected in "abc", and the focus is an element of this role; Copy may yet put a
// file on the clipboard.
std::function<void(PipelineTest&)> nothingSelectedIn(const QString& role, bool copiesAFile = false,
                                                     Status status = Status::found) {
    return [=](PipelineTest& f) {
        f.editor.setText(QStringLiteral("abc"));
        f.accessibility.focus.role = role;
        f.accessibility.focus.status = status;
        if (copiesAFile) {
            f.editor.copiedItems = {{{QStringLiteral("text/uri-list"), "file:///home/u/a.txt\r\n"},
                                     {QStringLiteral("text/plain"), "/home/u/a.txt"}}};
        }
    };
}

} // namespace

// With nothing selected the focus decides: a text field is rewritten whole, anything else ends
// the run with its reason (the clipboard, even holding a copied file by then, comes back).
INSTANTIATE_TEST_SUITE_P(
    Capture, PipelineEndings,
    ::testing::Values(
        Ending{"WholeTextAreaAfterACopiedFile", nothingSelectedIn("AXTextArea", true), "ABC",
               succeeded, "What got copied was a file, not text. Aborting."},
        Ending{"WholeComboBox", nothingSelectedIn("AXComboBox"), "ABC", succeeded},
        Ending{"WhiteSpaceIsNothingSelected",
               [](PipelineTest& f) { f.editor.setText(QStringLiteral("a  \n  b"), 1, 5); },
               "A  \n  B", succeeded},
        Ending{"PasswordFieldAfterACopiedFile", nothingSelectedIn("AXSecureTextField", true), "abc",
               nothingToRewrite, notAField("AXSecureTextField")},
        Ending{"NoFocusedElement", nothingSelectedIn({}, false, Status::noElement), "abc",
               nothingToRewrite, "Nothing selected and no focused element. Aborting."},
        Ending{"FocusWithoutRole", nothingSelectedIn({}, false, Status::noRole), "abc",
               nothingToRewrite, "Nothing selected and the focused element has no role. Aborting."},
        Ending{"TerminalRoleWithNothingSelected", nothingSelectedIn(TerminalApps::terminalRole),
               "abc", nothingToRewrite, notAField(TerminalApps::terminalRole)}),
    ::testing::PrintToStringParamName());

// Where keys cannot be pressed, what the user copied is rewritten; a terminal gets no key at all
// and its selection is read as it stands. Either way the rewrite is left on the clipboard for the
// user to paste, and with nothing to rewrite the clipboard is not touched.
TEST_F(PipelineTest, WithoutKeystrokesTheRewriteIsLeftOnTheClipboard) {
    const QList<PasteboardItem> blank{{{QStringLiteral("text/plain"), " \n"}}};
    const QList<PasteboardItem> rewrite{{{QStringLiteral("text/plain"), "LS -L"},
                                         {QStringLiteral("x-kde-passwordManagerHint"), "secret"}}};
    const QString ready = QStringLiteral("Ready: paste it with Ctrl+Shift+V.");
    const struct {
        QString windowClass; // "editor" is where keys cannot be pressed at all
        QList<PasteboardItem> copied;
        std::optional<QString> primary;
        QList<PasteboardItem> clipboardAfter;
        QStringList feedback;
    } cases[] = {
        {"editor", blank, {}, blank, {"failed: Copy some text first."}},
        {"XTerm", userClipboard, "ls -l", rewrite, {"working", "ready: " + ready}},
        {"konsole", userClipboard, " \n ", userClipboard, nothingToRewrite},
        {"Gnome-terminal", userClipboard, std::nullopt, userClipboard, nothingToRewrite},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.windowClass.toStdString());
        editor.available = c.windowClass != u"editor";
        controller.setClipboardOnly(!editor.available);
        pasteboard.copyFromApplication(c.copied);
        workspace.active->className = c.windowClass;
        pasteboard.primary = c.primary;
        feedback->calls.clear();
        run();
        EXPECT_TRUE(editor.posted.isEmpty());
        EXPECT_EQ(pasteboard.items(), c.clipboardAfter);
        EXPECT_EQ(feedback->calls, c.feedback);
    }
    EXPECT_EQ(requests.size(), 1);
    EXPECT_EQ(home.logCount(notAField(TerminalApps::terminalRole)), 2);
}

TEST(TextCapture, CopiedFilesAreToldFromLinks) {
    using TextCaptureService::isFileList;
    const QStringList uriList{QStringLiteral("text/uri-list")};
    EXPECT_TRUE(isFileList(uriList, "# copied\r\nFILE:///tmp/x\r\n"));
    EXPECT_FALSE(isFileList(uriList, "# file:///tmp/x\r\nhttps://example.org/\r\n"));
    EXPECT_TRUE(isFileList({QStringLiteral("x-special/gnome-copied-files")}, ""));
}
