#include "rewrite/PasteboardSnapshot.h"

QCoro::Task<PasteboardSnapshot> PasteboardSnapshot::capture(Pasteboard& pasteboard) {
    PasteboardSnapshot snapshot;
    snapshot.contents = co_await pasteboard.readAll();
    co_return snapshot;
}

QCoro::Task<> PasteboardSnapshot::restore(Pasteboard& pasteboard) const {
    co_await pasteboard.writeAll(contents);
}
