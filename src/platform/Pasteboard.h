#pragma once

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

#include <qcoro/qcorotask.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>

// One item of the clipboard: every format it offers, keyed by the format's name ("text/plain",
// "UTF8_STRING", "image/png", ...), with that format's bytes exactly as the owner gave them.
using PasteboardItem = QMap<QString, QByteArray>;

// The whole clipboard as read for safekeeping. A clipboard that could not be read is not the
// same as an empty one: putting "nothing" back would wipe what the user had.
struct PasteboardContents {
    enum class State {
        empty,      // nobody owned the clipboard, or its owner offered no data
        unreadable, // its owner did not answer, or the display could not be asked
        data,       // items holds what could be read
    };
    State state = State::empty;
    QList<PasteboardItem> items;
    // The type the owner labelled a format of the first item with, where that is not the
    // format's own name (X11 answers TEXT as STRING or UTF8_STRING); writing it back keeps it.
    QMap<QString, QString> types;

    friend bool operator==(const PasteboardContents&, const PasteboardContents&) = default;
};

// How long and how much saving the clipboard may take, per format and in all: a format past
// either is left out (and logged), so an owner that stalls or floods never holds a run up.
struct PasteboardReadLimits {
    std::chrono::milliseconds perFormat{500};
    std::chrono::milliseconds total{2000};
    qint64 maxFormatBytes = 64 * 1024 * 1024;
    qint64 maxTotalBytes = 128 * 1024 * 1024;
};

// The system clipboard as the rewrite pipeline needs it. Reads may wait on another application,
// so they are awaited and never hold up the main thread; a format that cannot be read in time is
// left out (and logged). Everything is called and answered on the main thread.
class Pasteboard {
public:
    Pasteboard() = default;
    Pasteboard(const Pasteboard&) = delete;
    Pasteboard& operator=(const Pasteboard&) = delete;
    virtual ~Pasteboard() = default;

    // Moves whenever any application (Palimo included) puts something new on the clipboard or
    // clears it.
    virtual std::uint64_t changeCount() const = 0;
    // Moves whenever the application named with writeText() fetches the text Palimo put there.
    virtual std::uint64_t fetchCount() const = 0;
    // Whether the clipboard still holds what Palimo last wrote: false once any other
    // application has taken it (or cleared it) since, and after a write that cleared it.
    virtual bool holdsOwnWrite() const = 0;
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
    // Every item with every data format (protocol-only formats left out).
    virtual QCoro::Task<PasteboardContents> readAll() = 0;
    // The text selected right now in any application, read without a Copy (X's PRIMARY
    // selection, which terminals fill); nothing when no text is selected.
    virtual QCoro::Task<std::optional<QString>> selectedText() = 0;

    // Replaces the contents with exactly these items (an empty state clears the clipboard;
    // unreadable contents are refused). Finishes once the clipboard holds them; false when it
    // could not be done (logged).
    virtual QCoro::Task<bool> writeAll(PasteboardContents contents) = 0;
    // Replaces the contents with this plain text, marked as sensitive so that clipboard history
    // tools leave it out. Only fetches by the application that owns window targetWindow move
    // fetchCount() (0: fetches by anyone). False when it could not be done.
    virtual QCoro::Task<bool> writeText(QString text, std::uint64_t targetWindow) = 0;
};
