#pragma once

#include "platform/x11/XcbSupport.h"

#include <QByteArray>
#include <QList>
#include <QMap>

#include <chrono>
#include <functional>
#include <memory>

// Owns the CLIPBOARD selection on a thread and connection of its own and serves every format
// byte for byte, however busy the main thread is: the contents Palimo restores keep being served
// after a run ends, and a paste the target requests late is still answered. Large formats go
// out in ICCCM INCR chunks; MULTIPLE requests are answered format by format.
class ClipboardOwner {
public:
    struct Format {
        QByteArray target; // the format's name, as requestors ask for it
        QByteArray type;   // the type the data is labelled with in the answer
        QByteArray data;
    };
    struct Contents {
        QList<Format> formats; // none: clear the clipboard
        // Report each time another client fetches one of these text formats...
        bool reportFetches = false;
        // ...when that client also owns this window (0: any client).
        XcbSupport::Window fetchingWindow = 0;
    };
    // Called on the owner's thread with whether the contents are now on the clipboard.
    using Done = std::function<void(bool)>;
    enum class HandOver { nothingToHand, noManager, handedOver, failed };

    // onFetch runs on the owner's thread whenever a reported format is fetched.
    explicit ClipboardOwner(std::function<void()> onFetch);
    ~ClipboardOwner();
    ClipboardOwner(const ClipboardOwner&) = delete;
    ClipboardOwner& operator=(const ClipboardOwner&) = delete;

    bool isConnected() const;
    // Takes the clipboard with these contents, or clears it for no formats.
    void set(Contents contents, Done done);
    // Whether the clipboard still holds the contents of the last set() (no other client has
    // taken it since). Any thread.
    bool isOwner() const;
    // At quit: asks a running clipboard manager (freedesktop CLIPBOARD_MANAGER) to save the
    // contents Palimo owns, serving its requests until it answers or timeout passes. Blocking.
    HandOver handOver(std::chrono::milliseconds timeout);

private:
    class Thread;
    std::unique_ptr<Thread> m_thread;
};
