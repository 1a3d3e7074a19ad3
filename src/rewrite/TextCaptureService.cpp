#include "rewrite/TextCaptureService.h"

#include "base/Log.h"
#include "rewrite/PipelineWaits.h"
#include "rewrite/TerminalApps.h"

namespace {

const QString uriListFormat = QStringLiteral("text/uri-list");

// What file managers put on the clipboard for copied or cut files, next to (or instead of) a
// URI list.
const QStringList fileListFormats = {
    QStringLiteral("x-special/gnome-copied-files"),
    QStringLiteral("application/x-kde-cutselection"),
    QStringLiteral("x-special/nautilus-clipboard"),
};

QString notATextField(const QString& role) {
    return QStringLiteral("Nothing selected and the focus is a ") + role +
           QStringLiteral(", not a text field. Aborting.");
}

// Posts Copy; whether the clipboard changed before the deadline.
QCoro::Task<bool> postCopy(RewritePlatform platform, PipelineTiming timing) {
    Pasteboard& pasteboard = platform.pasteboard;
    const std::uint64_t before = pasteboard.changeCount();
    co_await platform.keystrokes.post(Keystrokes::Command::copy);
    const std::function<bool()> clipboardChanged = [&] {
        return pasteboard.changeCount() != before;
    };
    co_return co_await PipelineWaits::until(pasteboard, clipboardChanged, timing.copyDeadline);
}

// The text a Copy put on the clipboard; nothing for copied files or blank text.
QCoro::Task<std::optional<QString>> copiedText(Pasteboard& pasteboard) {
    const QStringList formats = co_await pasteboard.formats();
    QByteArray uriList;
    if (formats.contains(uriListFormat)) {
        uriList = (co_await pasteboard.data(uriListFormat)).value_or(QByteArray());
    }
    if (TextCaptureService::isFileList(formats, uriList)) {
        Log::info(QStringLiteral("What got copied was a file, not text. Aborting."));
        co_return std::nullopt;
    }

    std::optional<QString> text = co_await pasteboard.text();
    if (!text || text->trimmed().isEmpty()) {
        co_return std::nullopt;
    }
    co_return text;
}

// Whether a busy application answered the Copy after its deadline after all: often while it was
// asked about its focus, or, when its focused field shows selected text, within one more deadline.
QCoro::Task<bool> answeredLate(RewritePlatform platform, PipelineTiming timing,
                               const Accessibility::FocusedElement& focus,
                               std::uint64_t beforeCopy) {
    Pasteboard& pasteboard = platform.pasteboard;
    const std::function<bool()> changed = [&] { return pasteboard.changeCount() != beforeCopy; };
    if (changed()) {
        co_return true;
    }
    if (focus.status != Accessibility::FocusedElement::Status::found ||
        !TextCaptureService::editableRoles.contains(focus.role)) {
        co_return false;
    }
    const std::optional<Accessibility::TextRange> selection =
        co_await platform.accessibility.selectedTextRange();
    co_return selection && selection->length > 0 &&
        co_await PipelineWaits::until(pasteboard, changed, timing.copyDeadline);
}

bool isEditableText(const Accessibility::FocusedElement& focus) {
    switch (focus.status) {
    case Accessibility::FocusedElement::Status::noElement:
        Log::info(QStringLiteral("Nothing selected and no focused element. Aborting."));
        return false;
    case Accessibility::FocusedElement::Status::notExposed:
        Log::info(QStringLiteral(
            "Nothing selected, and the application in front shows no text fields to "
            "accessibility tools: select the text first, or start the application with "
            "GNOME_ACCESSIBILITY=1 (Chromium, Electron and Firefox need it). Aborting."));
        return false;
    case Accessibility::FocusedElement::Status::noRole:
        Log::info(
            QStringLiteral("Nothing selected and the focused element has no role. Aborting."));
        return false;
    case Accessibility::FocusedElement::Status::found:
        break;
    }
    if (TextCaptureService::editableRoles.contains(focus.role)) {
        return true;
    }
    Log::info(notATextField(focus.role));
    return false;
}

} // namespace

namespace TextCaptureService {

QCoro::Task<std::optional<QString>> captureSelection(RewritePlatform platform,
                                                     PipelineTiming timing) {
    Pasteboard& pasteboard = platform.pasteboard;
    co_await PipelineWaits::modifiersReleased(platform.keystrokes, timing.modifierRelease,
                                              timing.modifierPoll);
    const std::uint64_t beforeCopy = pasteboard.changeCount();
    const bool answered = co_await postCopy(platform, timing);
    if (answered) {
        if (std::optional<QString> selected = co_await copiedText(pasteboard)) {
            co_return selected;
        }
    }
    // Asked only now: the hotkey's keyboard grab has just taken the focus from the application
    // and given it back, and a question asked during that moment finds no focus at all.
    const Accessibility::FocusedElement focus = co_await platform.accessibility.focusedElement();
    if (!answered && co_await answeredLate(platform, timing, focus, beforeCopy)) {
        // What it copied is the selection: taking the whole field would rewrite too much.
        Log::info(QStringLiteral("The application answered the Copy late; taking what it "
                                 "copied."));
        co_return co_await copiedText(pasteboard);
    }
    if (!isEditableText(focus)) {
        co_return std::nullopt;
    }
    Log::info(QStringLiteral("Nothing selected \u2014 taking the whole field."));
    co_await platform.keystrokes.post(Keystrokes::Command::selectAll);
    co_await PipelineWaits::sleep(timing.afterSelectAll);
    if (!co_await postCopy(platform, timing)) {
        co_return std::nullopt;
    }
    co_return co_await copiedText(pasteboard);
}

QCoro::Task<std::optional<QString>> terminalSelection(RewritePlatform platform) {
    std::optional<QString> selected = co_await platform.pasteboard.selectedText();
    if (!selected || selected->trimmed().isEmpty()) {
        // A terminal has no field to take whole: its screen is output, not the user's text.
        Log::info(notATextField(TerminalApps::terminalRole));
        co_return std::nullopt;
    }
    co_return selected;
}

bool isFileList(const QStringList& formats, const QByteArray& uriList) {
    for (const QString& format : fileListFormats) {
        if (formats.contains(format)) {
            return true;
        }
    }
    for (const QByteArray& rawLine : uriList.split('\n')) {
        const QByteArray line = rawLine.trimmed();
        // RFC 2483: lines starting with # are comments.
        if (line.startsWith('#') || line.isEmpty()) {
            continue;
        }
        if (line.toLower().startsWith("file:")) {
            return true;
        }
    }
    return false;
}

} // namespace TextCaptureService
