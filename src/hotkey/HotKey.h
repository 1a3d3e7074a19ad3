#pragma once

#include "hotkey/Key.h"
#include "hotkey/KeyCombo.h"
#include "hotkey/ModifierFlags.h"
#include "platform/HotKeyService.h"

#include <QString>
#include <QUuid>

#include <cstdint>
#include <functional>
#include <memory>

// A system-wide shortcut that is live exactly while this object exists and is not paused:
// constructing it registers the combination, destroying it unregisters it.
// Main thread only. Identity matters, so it can be neither copied nor moved.
class HotKey {
public:
    using Handler = std::function<void()>;

    explicit HotKey(KeyCombo keyCombo, Handler keyDownHandler = {}, Handler keyUpHandler = {});
    HotKey(std::uint32_t carbonKeyCode, std::uint32_t carbonModifiers, Handler keyDownHandler = {},
           Handler keyUpHandler = {});
    HotKey(Key key, ModifierFlags modifiers, Handler keyDownHandler = {},
           Handler keyUpHandler = {});
    ~HotKey();

    HotKey(const HotKey&) = delete;
    HotKey& operator=(const HotKey&) = delete;

    const QUuid& identifier() const { return m_identifier; }
    const KeyCombo& keyCombo() const { return m_keyCombo; }

    const Handler& keyDownHandler() const { return m_keyDownHandler; }
    void setKeyDownHandler(Handler handler) { m_keyDownHandler = std::move(handler); }
    const Handler& keyUpHandler() const { return m_keyUpHandler; }
    void setKeyUpHandler(Handler handler) { m_keyUpHandler = std::move(handler); }

    bool isPaused() const { return m_isPaused; }
    // True unregisters, false registers again (under a new id); the old value is not compared.
    void setPaused(bool paused);

    // Whether the desktop accepted the latest registration; a refused hot key never fires.
    bool isRegistered() const;
    HotKeyService::Status registrationStatus() const { return m_registrationStatus; }
    // The desktop's reason when registration failed, e.g. "another application already uses it".
    const QString& registrationFailure() const { return m_registrationFailure; }

private:
    friend class HotKeysController;

    QUuid m_identifier;
    KeyCombo m_keyCombo;
    Handler m_keyDownHandler;
    Handler m_keyUpHandler;
    bool m_isPaused = false;
    HotKeyService::Status m_registrationStatus = HotKeyService::Status::failed;
    QString m_registrationFailure;
    // The registry holds this weakly, so it can tell a destroyed hot key from a live one
    // without ever keeping one alive.
    std::shared_ptr<HotKey*> m_liveness;
};
