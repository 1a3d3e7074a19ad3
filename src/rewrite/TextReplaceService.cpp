#include "rewrite/TextReplaceService.h"

#include "rewrite/PipelineWaits.h"

#include <QElapsedTimer>

#include <algorithm>

namespace TextReplaceService {

QCoro::Task<bool> paste(RewritePlatform platform, QString text, PasteboardSnapshot snapshot,
                        Keystrokes::Style style, PipelineTiming timing) {
    using std::chrono::milliseconds;
    Pasteboard& pasteboard = platform.pasteboard;

    if (!co_await pasteboard.writeText(text)) {
        // Pasting now would put the user's copied text (or something older) in place.
        co_await snapshot.restore(pasteboard);
        co_return false;
    }

    // On X11 the target reads the clipboard only when it handles the Paste, possibly well after
    // the key event; restoring before that would paste the user's old clipboard instead.
    co_await PipelineWaits::modifiersReleased(platform.keystrokes, timing.modifierRelease,
                                              timing.modifierPoll);
    const std::uint64_t fetchesBefore = pasteboard.fetchCount();
    QElapsedTimer sincePaste;
    sincePaste.start();
    co_await platform.keystrokes.post(Keystrokes::Command::paste, style);
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

    co_await snapshot.restore(pasteboard);
    co_return true;
}

} // namespace TextReplaceService
