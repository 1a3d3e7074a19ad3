#pragma once

#include "platform/Pasteboard.h"

#include <QList>
#include <QString>

#include <map>

// An in-memory clipboard that records what the pipeline wrote. Other applications are
// simulated by calling copyFromApplication() / fetchForPaste().
class FakePasteboard : public Pasteboard {
public:
    std::uint64_t changeCount() const override { return m_changeCount; }
    std::uint64_t fetchCount() const override { return m_fetchCount; }

    int subscribe(std::function<void()> callback) override {
        m_subscribers.emplace(++m_nextId, std::move(callback));
        return m_nextId;
    }
    void unsubscribe(int id) override { m_subscribers.erase(id); }

    QCoro::Task<QStringList> formats() override {
        co_return m_items.isEmpty() ? QStringList() : QStringList(m_items.first().keys());
    }
    QCoro::Task<std::optional<QByteArray>> data(QString format) override {
        if (m_items.isEmpty() || !m_items.first().contains(format)) {
            co_return std::nullopt;
        }
        co_return m_items.first().value(format);
    }
    QCoro::Task<std::optional<QString>> text() override { co_return currentText(); }
    QCoro::Task<QList<PasteboardItem>> readAll() override {
        ++readAllCalls;
        co_return QList<PasteboardItem>(m_items); // a copy: QCoro 0.8 moves from lvalues
    }

    QCoro::Task<bool> writeAll(QList<PasteboardItem> items) override {
        writes.append(items);
        if (failWrites) {
            co_return false;
        }
        m_palimoText = false;
        replace(std::move(items));
        co_return true;
    }
    QCoro::Task<bool> writeText(QString text) override {
        textWrites.append(text);
        if (failWrites) {
            co_return false;
        }
        replace({PasteboardItem{
            {QStringLiteral("text/plain"), text.toUtf8()},
            {QStringLiteral("x-kde-passwordManagerHint"), QByteArrayLiteral("secret")}}});
        m_palimoText = true;
        co_return true;
    }

    // Another application took the clipboard with these contents.
    void copyFromApplication(QList<PasteboardItem> items) {
        m_palimoText = false;
        replace(std::move(items));
    }
    // Another application read the clipboard's text to paste it.
    std::optional<QString> fetchForPaste() {
        if (m_palimoText) {
            ++m_fetchCount;
            notify();
        }
        return currentText();
    }

    const QList<PasteboardItem>& items() const { return m_items; }

    // Observations and switches for tests.
    QList<QList<PasteboardItem>> writes; // every writeAll(), in order
    QStringList textWrites;              // every writeText(), in order
    int readAllCalls = 0;
    bool failWrites = false;

private:
    std::optional<QString> currentText() const {
        if (m_items.isEmpty()) {
            return std::nullopt;
        }
        for (const char* format : {"text/plain;charset=utf-8", "UTF8_STRING", "text/plain"}) {
            const auto it = m_items.first().constFind(QString::fromLatin1(format));
            if (it != m_items.first().constEnd()) {
                return QString::fromUtf8(*it);
            }
        }
        return std::nullopt;
    }
    void replace(QList<PasteboardItem> items) {
        m_items = std::move(items);
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
    std::map<int, std::function<void()>> m_subscribers;
    int m_nextId = 0;
};
