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

QCoro::Task<std::optional<QString>>
copyCurrentSelection(RewritePlatform platform, Keystrokes::Style style, PipelineTiming timing) {
    Pasteboard& pasteboard = platform.pasteboard;
    const std::uint64_t before = pasteboard.changeCount();
    co_await platform.keystrokes.post(Keystrokes::Command::copy, style);
    const std::function<bool()> clipboardChanged = [&] {
        return pasteboard.changeCount() != before;
    };
    const bool changed =
        co_await PipelineWaits::until(pasteboard, clipboardChanged, timing.copyDeadline);
    if (!changed) {
        co_return std::nullopt;
    }

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

QCoro::Task<bool> focusIsEditableText(RewritePlatform platform, Keystrokes::Style style) {
    if (style == Keystrokes::Style::terminal) {
        // A terminal has no field to select: Select All there would not mean "the text I typed".
        Log::info(QStringLiteral("Nothing selected and the focus is a ") +
                  TerminalApps::terminalRole + QStringLiteral(", not a text field. Aborting."));
        co_return false;
    }
    const Accessibility::FocusedElement focus = co_await platform.accessibility.focusedElement();
    switch (focus.status) {
    case Accessibility::FocusedElement::Status::noElement:
        Log::info(QStringLiteral("Nothing selected and no focused element. Aborting."));
        co_return false;
    case Accessibility::FocusedElement::Status::noRole:
        Log::info(
            QStringLiteral("Nothing selected and the focused element has no role. Aborting."));
        co_return false;
    case Accessibility::FocusedElement::Status::found:
        break;
    }
    if (TextCaptureService::editableRoles.contains(focus.role)) {
        co_return true;
    }
    Log::info(QStringLiteral("Nothing selected and the focus is a ") + focus.role +
              QStringLiteral(", not a text field. Aborting."));
    co_return false;
}

} // namespace

namespace TextCaptureService {

QCoro::Task<Keystrokes::Style> keystrokeStyle(RewritePlatform platform,
                                              std::optional<Workspace::ActiveWindow> window) {
    if (TerminalApps::isTerminalWindow(window)) {
        co_return Keystrokes::Style::terminal;
    }
    // Terminals that are not known by name still say what they are through accessibility.
    const Accessibility::FocusedElement focus = co_await platform.accessibility.focusedElement();
    const bool terminalRole = focus.status == Accessibility::FocusedElement::Status::found &&
                              focus.role == TerminalApps::terminalRole;
    co_return terminalRole ? Keystrokes::Style::terminal : Keystrokes::Style::standard;
}

QCoro::Task<std::optional<QString>>
captureSelection(RewritePlatform platform, Keystrokes::Style style, PipelineTiming timing) {
    co_await PipelineWaits::sleep(timing.beforeCopy);
    co_await PipelineWaits::modifiersReleased(platform.keystrokes, timing.modifierRelease,
                                              timing.modifierPoll);
    if (std::optional<QString> selected = co_await copyCurrentSelection(platform, style, timing)) {
        co_return selected;
    }
    if (!co_await focusIsEditableText(platform, style)) {
        co_return std::nullopt;
    }
    Log::info(QStringLiteral("Nothing selected \u2014 taking the whole field."));
    co_await platform.keystrokes.post(Keystrokes::Command::selectAll, style);
    co_await PipelineWaits::sleep(timing.afterSelectAll);
    co_return co_await copyCurrentSelection(platform, style, timing);
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
