#pragma once

#include "platform/HotKeyService.h"

#include <QAbstractNativeEventFilter>
#include <QTimer>

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

struct xcb_connection_t;

// System-wide hot keys on X11: passive key grabs on the root window of Qt's own X connection,
// events picked out of Qt's event stream by a native event filter (so they arrive on the main
// thread).
//
// - Every combination is grabbed once per state of Num Lock, Caps Lock and Scroll Lock, since
//   X matches the lock bits too; which modifier Num Lock and Scroll Lock sit on is read from the
//   server's modifier map and read again when the mapping changes.
// - A grab the server refuses in any variant releases the others and fails the registration.
// - A press turns the passive grab into an active keyboard grab that lasts until the key is up,
//   during which X would route even synthetic (XTest) keys to us. The grab is ended as soon as
//   the press is seen, so keystrokes the handler posts reach the focused window.
// - Because the grab ends at the press, the release usually goes to the focused window; the key's
//   state is followed by polling the keymap while it is down. A press that arrives while the key
//   is still down is auto-repeat and is dropped, so a held shortcut fires once. So is a press
//   the server sent before the poll that found the key up (the event's sequence number tells),
//   which happens when the main thread was busy while the key was held.
class X11HotKeyService final : public HotKeyService, public QAbstractNativeEventFilter {
public:
    // Null when the application does not run on an X11 (xcb) connection.
    static std::unique_ptr<X11HotKeyService> create();
    ~X11HotKeyService() override;

    Registration registerHotKey(std::uint32_t carbonKeyCode, std::uint32_t carbonModifiers,
                                HotKeyId hotKeyId) override;
    void unregisterHotKey(Handle handle) override;
    void setEventHandler(EventHandler handler) override;

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

    // The modifier bits Num Lock and Scroll Lock are on now (0 when a lock has no modifier).
    std::uint16_t numLockMask() const { return m_numLockMask; }
    std::uint16_t scrollLockMask() const { return m_scrollLockMask; }
    // Presses dropped as auto-repeat of a held hot key, since start.
    int droppedRepeats() const { return m_droppedRepeats; }

private:
    struct Grab {
        Handle handle = 0;
        std::uint8_t keyCode = 0;
        std::uint16_t modifiers = 0;
        std::uint32_t carbonKeyCode = 0; // as registered, for messages
        std::uint32_t carbonModifiers = 0;
        HotKeyId hotKeyId;
        std::vector<std::uint16_t> variants; // the modifier sets actually grabbed
        bool isDown = false;
        // The request after which the key was last seen up; presses the server sent before it
        // are repeats that were still queued.
        std::optional<std::uint32_t> upSinceSequence;
    };

    X11HotKeyService(xcb_connection_t* connection, std::uint32_t root);

    void readLockMasks();
    std::vector<std::uint16_t> variantsOf(std::uint16_t modifiers) const;
    // Grabs every variant or none; returns the failed registration otherwise.
    Registration grabAll(std::uint8_t keyCode, std::uint16_t modifiers,
                         std::vector<std::uint16_t>& grabbed);
    void ungrabAll(std::uint8_t keyCode, const std::vector<std::uint16_t>& variants);
    void handlePress(std::uint8_t keyCode, std::uint16_t state, std::uint32_t time,
                     std::uint32_t sequence);
    void handleRelease(std::uint8_t keyCode);
    void handleMappingChange();
    void pollHeldKeys();
    void deliver(std::uint32_t kind, HotKeyId hotKeyId);
    Grab* findGrab(std::uint8_t keyCode, std::uint16_t modifiers);

    xcb_connection_t* m_connection;
    std::uint32_t m_root;
    std::uint16_t m_numLockMask = 0;
    std::uint16_t m_scrollLockMask = 0;
    std::vector<Grab> m_grabs;
    Handle m_nextHandle = 1;
    int m_droppedRepeats = 0;
    EventHandler m_handler;
    QTimer m_heldKeyPoll;
};
