#pragma once

#include "platform/Pasteboard.h"

#include <qcoro/qcorotask.h>

// The user's clipboard as it was before a run touched it: every item with every format's bytes,
// or the knowledge that it was empty, or that it could not be read.
struct PasteboardSnapshot {
    PasteboardContents contents;

    static QCoro::Task<PasteboardSnapshot> capture(Pasteboard& pasteboard);
    bool isReadable() const { return contents.state != PasteboardContents::State::unreadable; }
    // Puts exactly the saved contents back (clears the clipboard for an empty snapshot). Never
    // call it for one that could not be read.
    QCoro::Task<> restore(Pasteboard& pasteboard) const;
};
