#pragma once

#include "rewrite/PasteboardSnapshot.h"

#include <QString>

#include <qcoro/qcorotask.h>

#include <cstdint>
#include <optional>

// Keeps the user's clipboard through one run. It knows which contents on the clipboard are the
// run's own (what the Copy produced, or the text Palimo put there to paste) and puts the saved
// contents back only over those: what another application put there meanwhile is newer and
// stays. A clipboard the run never changed is left alone, so Palimo takes no ownership of it.
class ClipboardKeeper {
public:
    // Saves the clipboard as it is now, before the Copy.
    static QCoro::Task<ClipboardKeeper> save(Pasteboard& pasteboard);

    // The capture is over: whatever is on the clipboard now is the run's own.
    void captureEnded() { m_capturedAt = m_pasteboard->changeCount(); }
    // Puts the text on the clipboard for the paste. When another application changed the
    // clipboard since the capture, its newer contents are saved first and come back instead.
    QCoro::Task<bool> writeText(QString text, std::uint64_t targetWindow);
    // Puts the saved contents back, unless the run never changed the clipboard, the clipboard
    // now holds newer contents, or the saved ones could not be read (each logged).
    QCoro::Task<> putBack() const;

    // Whether the capture's Copy left the clipboard untouched: the application may still answer
    // it after the run gave up, and the answer would then replace the user's clipboard.
    bool copyUnanswered() const {
        return !m_wrote && m_capturedAt == m_savedAt && m_snapshot.isReadable();
    }
    bool changedSinceSaved() const { return m_pasteboard->changeCount() != m_savedAt; }
    // Puts the saved contents back over such a late answer.
    QCoro::Task<> putBackOverLateCopy() const;

private:
    explicit ClipboardKeeper(Pasteboard& pasteboard)
        : m_pasteboard(&pasteboard) {}

    Pasteboard* m_pasteboard;
    PasteboardSnapshot m_snapshot;
    std::uint64_t m_savedAt = 0;               // the change count the snapshot belongs to
    std::optional<std::uint64_t> m_capturedAt; // the change count the capture left
    bool m_wrote = false;                      // the clipboard holds Palimo's text
};
