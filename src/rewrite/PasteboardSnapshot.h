#pragma once

#include "platform/Pasteboard.h"

#include <QList>

#include <qcoro/qcorotask.h>

// The user's clipboard as it was before a run touched it: every item with every format's bytes.
// No items means the clipboard was empty, and restoring that empties it again.
struct PasteboardSnapshot {
    QList<PasteboardItem> items;

    static QCoro::Task<PasteboardSnapshot> capture(Pasteboard& pasteboard);
    // Puts exactly the saved contents back (clears the clipboard for an empty snapshot).
    QCoro::Task<> restore(Pasteboard& pasteboard) const;
};
