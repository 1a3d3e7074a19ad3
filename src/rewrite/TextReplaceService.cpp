#include "rewrite/TextReplaceService.h"

#include "rewrite/PipelineWaits.h"

#include <QElapsedTimer>

#include <algorithm>

namespace TextReplaceService {

QCoro::Task<std::optional<Failure>> paste(RewritePlatform platform, QString text,
                                          ClipboardKeeper& keeper,
                                          std::optional<Workspace::ActiveWindow> target,
                                          PipelineTiming timing) {
    using std::chrono::milliseconds;
    Pasteboard& pasteboard = platform.pasteboard;

    if (target) {
        // Ctrl+V goes wherever the focus is now; the rewrite belongs in the window it came from.
        const std::optional<Workspace::ActiveWindow> now =
            co_await platform.workspace.activeWindow();
        if (!now || now->window != target->window) {
            co_await keeper.putBack();
            co_return Failure{QStringLiteral("another window became active during the rewrite, "
                                             "so nothing was pasted."),
                              QStringLiteral("Another window became active, so nothing was "
                                             "pasted.")};
        }
    }
    if (!co_await keeper.writeText(text, target ? target->window : 0)) {
        // Pasting now would put the user's copied text (or something older) in place.
        co_await keeper.putBack();
        co_return Failure{QStringLiteral("the rewritten text could not be put on the clipboard."),
                          QStringLiteral("The rewrite failed. See the log for why.")};
    }

    // On X11 the target reads the clipboard only when it handles the Paste, possibly well after
    // the key event; restoring before that would paste the user's old clipboard instead.
    co_await PipelineWaits::modifiersReleased(platform.keystrokes, timing.modifierRelease,
                                              timing.modifierPoll);
    const std::uint64_t fetchesBefore = pasteboard.fetchCount();
    QElapsedTimer sincePaste;
    sincePaste.start();
    co_await platform.keystrokes.post(Keystrokes::Command::paste);
    const std::function<bool()> textFetched = [&] {
        return pasteboard.fetchCount() != fetchesBefore;
    };
    const bool fetched =
        co_await PipelineWaits::until(pasteboard, textFetched, timing.pasteDeadline);
    const milliseconds elapsed(sincePaste.elapsed());
    milliseconds wait = timing.pasteMinimum - elapsed;
    if (fetched) {
        wait = std::max(wait, timing.pasteSettle);
    }
    co_await PipelineWaits::sleep(std::max(wait, milliseconds::zero()));

    co_await keeper.putBack();
    if (!fetched) {
        // A read-only field, a hung application or a focus that moved inside it: the rewrite
        // is not in place, whatever the key did.
        co_return Failure{QStringLiteral("the app did not fetch the rewritten text within %1 ms.")
                              .arg(timing.pasteDeadline.count()),
                          QStringLiteral("The app did not take the rewritten text.")};
    }
    co_return std::nullopt;
}

} // namespace TextReplaceService
