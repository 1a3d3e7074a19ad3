#pragma once

#include "platform/Pasteboard.h"
#include "platform/x11/XcbSupport.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <chrono>
#include <optional>

// Reads an X selection (CLIPBOARD, or PRIMARY when asked) over a connection of its own, the way
// any X client asks the owner for each format. Every wait is bounded: an owner that does not
// answer costs at most perFormat for one format (and at most total for a whole snapshot), and a
// format larger than maxFormatBytes is left out rather than read without end. Each format is
// asked for through a requestor window of its own, so a late answer to an abandoned request can
// never fill another format. Blocking: use it on a worker thread, one call at a time.
class ClipboardReader {
public:
    using Limits = PasteboardReadLimits;
    // A whole clipboard, and the formats left out of it with why, for the log.
    struct Snapshot {
        PasteboardContents contents;
        QList<std::pair<QString, QString>> dropped;
    };

    ClipboardReader();
    // selection: the X selection to read, CLIPBOARD unless PRIMARY is wanted.
    explicit ClipboardReader(Limits limits, const QByteArray& selection = "CLIPBOARD");
    ~ClipboardReader();
    ClipboardReader(const ClipboardReader&) = delete;
    ClipboardReader& operator=(const ClipboardReader&) = delete;

    // False once the connection to the display is gone: make a new reader.
    bool isConnected() const;

    // The formats on offer, protocol targets included; empty without an owner.
    QStringList targets();
    std::optional<QByteArray> read(const QString& target);
    // The plain text, preferring UTF-8 forms; nothing when none is offered.
    std::optional<QString> readText();
    // Every data format of the current owner with the type it was answered with.
    Snapshot readAll();

    // Targets that describe the selection rather than hold its data, and so are never saved.
    static bool isProtocolTarget(const QByteArray& name);

private:
    struct Session;
    struct Answer;
    // Whether event is the owner's answer to a request for target made through requestor.
    bool isAnswer(const void* event, XcbSupport::Window requestor, XcbSupport::Atom target) const;
    // Asks for target and waits for its bytes.
    Answer convert(Session& session, XcbSupport::Atom target, std::chrono::milliseconds timeout,
                   qint64 maxBytes);
    // Takes the bytes the owner's answer left on requestor, following an INCR transfer to its
    // end; other events that arrive meanwhile go to others when given.
    Answer fetch(Session& session, XcbSupport::Window requestor, XcbSupport::Atom target,
                 std::chrono::milliseconds timeout, qint64 maxBytes,
                 std::vector<XcbSupport::Event>* others);
    std::optional<std::vector<XcbSupport::Atom>> targetAtoms(Session& session);
    std::optional<bool> hasOwner();

    Limits m_limits;
    XcbSupport::Connection m_connection;
    XcbSupport::Atom m_clipboard = 0;
    XcbSupport::Atom m_targets = 0;
    XcbSupport::Atom m_incr = 0;
    XcbSupport::Atom m_property = 0;
};
