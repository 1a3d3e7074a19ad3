#pragma once

#include "platform/Pasteboard.h"
#include "platform/x11/ClipboardOwner.h"
#include "platform/x11/SerialWorker.h"

#include <QObject>

#include <map>
#include <memory>

class ClipboardReader;

// The CLIPBOARD selection as Palimo's pasteboard. Reads go through a connection of their own on a
// worker thread with bounded waits; contents Palimo puts there are served by a thread of their
// own, byte for byte per format, so the main thread never blocks on another application and a
// late paste is still answered. The change count follows Qt's clipboard notifications. Main
// thread only.
class X11Pasteboard final : public QObject, public Pasteboard {
    Q_OBJECT
public:
    // Null when there is no X display to talk to.
    static std::unique_ptr<X11Pasteboard> create();
    ~X11Pasteboard() override;

    std::uint64_t changeCount() const override { return m_changeCount; }
    std::uint64_t fetchCount() const override { return m_fetchCount; }
    int subscribe(std::function<void()> callback) override;
    void unsubscribe(int id) override;

    QCoro::Task<QStringList> formats() override;
    QCoro::Task<std::optional<QByteArray>> data(QString format) override;
    QCoro::Task<std::optional<QString>> text() override;
    QCoro::Task<QList<PasteboardItem>> readAll() override;
    QCoro::Task<std::optional<QString>> selectedText() override;
    QCoro::Task<bool> writeAll(QList<PasteboardItem> items) override;
    QCoro::Task<bool> writeText(QString text) override;

private:
    X11Pasteboard();
    QCoro::Task<bool> put(ClipboardOwner::Contents contents);
    // Created on first use, on the worker.
    ClipboardReader& reader();
    void notify();

    std::unique_ptr<ClipboardReader> m_reader;        // used on the worker only
    std::unique_ptr<ClipboardReader> m_primaryReader; // likewise, for PRIMARY
    std::unique_ptr<ClipboardOwner> m_owner;
    SerialWorker m_worker; // declared last: finishes its work before the reader goes
    std::uint64_t m_changeCount = 0;
    std::uint64_t m_fetchCount = 0;
    std::map<int, std::function<void()>> m_subscribers;
    int m_nextId = 0;
};
