#include "rewrite/ClipboardKeeper.h"

#include "base/Log.h"

QCoro::Task<ClipboardKeeper> ClipboardKeeper::save(Pasteboard& pasteboard) {
    ClipboardKeeper keeper(pasteboard);
    keeper.m_savedAt = pasteboard.changeCount();
    keeper.m_snapshot = co_await PasteboardSnapshot::capture(pasteboard);
    co_return keeper;
}

QCoro::Task<bool> ClipboardKeeper::writeText(QString text, std::uint64_t targetWindow) {
    if (m_capturedAt && m_pasteboard->changeCount() != *m_capturedAt) {
        Log::info(QStringLiteral("The clipboard changed during the rewrite; its newer contents "
                                 "come back after the paste."));
        m_savedAt = m_pasteboard->changeCount();
        m_snapshot = co_await PasteboardSnapshot::capture(*m_pasteboard);
        m_capturedAt = m_savedAt;
    }
    m_wrote = co_await m_pasteboard->writeText(std::move(text), targetWindow);
    co_return m_wrote;
}

QCoro::Task<> ClipboardKeeper::putBack() const {
    const std::uint64_t now = m_pasteboard->changeCount();
    if (!m_wrote && now == m_savedAt) {
        co_return; // the run never changed it
    }
    const bool ours = m_wrote ? m_pasteboard->holdsOwnWrite() : now == m_capturedAt;
    if (!ours) {
        Log::info(QStringLiteral("The clipboard changed during the rewrite, so its newer "
                                 "contents stay."));
        co_return;
    }
    if (!m_snapshot.isReadable()) {
        Log::info(QStringLiteral("The clipboard could not be read before the rewrite, so it is "
                                 "left as it is."));
        co_return;
    }
    co_await m_snapshot.restore(*m_pasteboard);
}

QCoro::Task<> ClipboardKeeper::putBackOverLateCopy() const {
    Log::info(QStringLiteral("The application answered the Copy after the rewrite gave up; the "
                             "clipboard is put back."));
    co_await m_snapshot.restore(*m_pasteboard);
}
