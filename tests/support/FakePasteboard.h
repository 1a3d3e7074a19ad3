#pragma once

#include "platform/Pasteboard.h"

#include <map>

// An in-memory clipboard that records what the pipeline wrote. Other applications are
// simulated by calling copyFromApplication() / fetchForPaste().
class FakePasteboard : public Pasteboard {
public:
    std::uint64_t changeCount() const override { return m_changeCount; }
    std::uint64_t fetchCount() const override { return m_fetchCount; }
    bool holdsOwnWrite() const override { return m_ownWrite; }
    int subscribe(std::function<void()> callback) override {
        m_subscribers.emplace(++m_nextId, std::move(callback));
        return m_nextId;
    }
    void unsubscribe(int id) override { m_subscribers.erase(id); }

    QCoro::Task<QStringList> formats() override { co_return QStringList(first().keys()); }
    QCoro::Task<std::optional<QByteArray>> data(QString format) override {
        co_return first().contains(format) ? std::optional(first().value(format)) : std::nullopt;
    }
    QCoro::Task<std::optional<QString>> text() override { co_return currentText(); }
    QCoro::Task<PasteboardContents> readAll() override {
        using State = PasteboardContents::State;
        // A temporary holding a copy: QCoro 0.8 moves from lvalues.
        co_return PasteboardContents{unreadable          ? State::unreadable
                                     : m_items.isEmpty() ? State::empty
                                                         : State::data,
                                     m_items,
                                     {}};
    }
    QCoro::Task<std::optional<QString>> selectedText() override {
        co_return std::optional<QString>(primary);
    }
    QCoro::Task<bool> writeAll(PasteboardContents contents) override {
        co_return contents.state !=
            PasteboardContents::State::unreadable&& write(std::move(contents.items), false, true);
    }
    QCoro::Task<bool> writeText(QString text, std::uint64_t targetWindow) override {
        textTarget = targetWindow;
        co_return write({PasteboardItem{{QStringLiteral("text/plain"), text.toUtf8()},
                                        {QStringLiteral("x-kde-passwordManagerHint"), "secret"}}},
                        true, !failTextWrites);
    }

    // Another application took the clipboard with these contents.
    void copyFromApplication(QList<PasteboardItem> items) {
        ++foreignChanges;
        replace(std::move(items), false, false);
    }
    // The application the text is for read the clipboard's text to paste it (any other, such as
    // a clipboard manager, with byTarget false).
    std::optional<QString> fetchForPaste(bool byTarget = true) {
        if (m_palimoText && byTarget) {
            ++m_fetchCount;
            notify();
        }
        return currentText();
    }
    const QList<PasteboardItem>& items() const { return m_items; }

    QList<QList<PasteboardItem>> writes; // everything the pipeline wrote, in order
    bool failTextWrites = false;         // writeText() fails
    bool unreadable = false;             // readAll() cannot read the clipboard
    int foreignChanges = 0;              // copyFromApplication() calls
    std::uint64_t textTarget = 0;        // the window writeText() was told of
    std::optional<QString> primary;      // what selectedText() answers

private:
    bool write(QList<PasteboardItem> items, bool palimoText, bool works) {
        writes.append(items);
        if (works) {
            replace(std::move(items), palimoText, true);
        }
        return works;
    }
    PasteboardItem first() const { return m_items.value(0); }
    std::optional<QString> currentText() const {
        const PasteboardItem item = first();
        const auto text = item.constFind(QStringLiteral("text/plain"));
        return text == item.constEnd() ? std::nullopt : std::optional(QString::fromUtf8(*text));
    }
    void replace(QList<PasteboardItem> items, bool palimoText, bool ownWrite) {
        m_items = std::move(items);
        m_palimoText = palimoText;
        m_ownWrite = ownWrite && !m_items.isEmpty();
        ++m_changeCount;
        notify();
    }
    void notify() {
        const auto subscribers = m_subscribers; // a callback may unsubscribe
        for (const auto& [id, callback] : subscribers) {
            callback();
        }
    }

    QList<PasteboardItem> m_items;
    std::uint64_t m_changeCount = 0;
    std::uint64_t m_fetchCount = 0;
    bool m_palimoText = false;
    bool m_ownWrite = false;
    std::map<int, std::function<void()>> m_subscribers;
    int m_nextId = 0;
};
