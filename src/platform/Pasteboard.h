#pragma once

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

#include <qcoro/qcorotask.h>

#include <cstdint>
#include <functional>
#include <optional>

// One item of the clipboard: every format it offers, keyed by the format's name ("text/plain",
// "UTF8_STRING", "image/png", ...), with that format's bytes exactly as the owner gave them.
using PasteboardItem = QMap<QString, QByteArray>;

// The system clipboard as the rewrite pipeline needs it. Reads may wait on another application,
// so they are awaited and never hold up the main thread; a format that cannot be read in time is
// left out. Everything is called and answered on the main thread.
class Pasteboard {
public:
    Pasteboard() = default;
    Pasteboard(const Pasteboard&) = delete;
    Pasteboard& operator=(const Pasteboard&) = delete;
    virtual ~Pasteboard() = default;

    // Moves whenever any application (Palimo included) puts something new on the clipboard or
    // clears it.
    virtual std::uint64_t changeCount() const = 0;
    // Moves whenever another application fetches the text Palimo put there with writeText().
    virtual std::uint64_t fetchCount() const = 0;
    // Called on the main thread after changeCount() or fetchCount() moved. Returns an id for
    // unsubscribe(); unknown ids are ignored.
    virtual int subscribe(std::function<void()> callback) = 0;
    virtual void unsubscribe(int id) = 0;

    // The formats on offer now; empty when the clipboard is empty or its owner does not answer.
    virtual QCoro::Task<QStringList> formats() = 0;
    // The bytes of one format; nothing when it is not offered or cannot be read.
    virtual QCoro::Task<std::optional<QByteArray>> data(QString format) = 0;
    // The plain text on offer, decoded; nothing when there is no text format.
    virtual QCoro::Task<std::optional<QString>> text() = 0;
    // Every item with every data format (protocol-only formats left out); empty when the
    // clipboard is empty.
    virtual QCoro::Task<QList<PasteboardItem>> readAll() = 0;
    // The text selected right now in any application, read without a Copy (X's PRIMARY
    // selection, which terminals fill); nothing when no text is selected.
    virtual QCoro::Task<std::optional<QString>> selectedText() = 0;

    // Replaces the contents with exactly these items; no items clears the clipboard.
    // Finishes once the clipboard holds them; false when it could not be done (logged).
    virtual QCoro::Task<bool> writeAll(QList<PasteboardItem> items) = 0;
    // Replaces the contents with this plain text, marked as sensitive so that clipboard history
    // tools leave it out. Fetches of it move fetchCount(). False when it could not be done.
    virtual QCoro::Task<bool> writeText(QString text) = 0;
};
