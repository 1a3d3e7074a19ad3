#pragma once

#include "hotkey/HotKey.h"

#include <functional>
#include <memory>

class SettingsStore;
struct HotkeyCombo;

// Keeps the application's global shortcuts alive: the rewrite and prompt shortcuts from the
// settings, and a bare Escape only while a model call runs. Holding a HotKey keeps it
// registered; dropping it unregisters it. Main thread only.
class HotkeyManager {
public:
    using Callback = std::function<void()>;

    explicit HotkeyManager(SettingsStore& settings);
    HotkeyManager(const HotkeyManager&) = delete;
    HotkeyManager& operator=(const HotkeyManager&) = delete;
    ~HotkeyManager();

    // Set before the first reload(); a shortcut whose callback is missing is not registered.
    void setOnRewrite(Callback callback) { m_onRewrite = std::move(callback); }
    void setOnPrompt(Callback callback) { m_onPrompt = std::move(callback); }
    void setOnEscape(Callback callback) { m_onEscape = std::move(callback); }

    // Rebuilds the rewrite and prompt hot keys from the settings (the prompt one only when it
    // differs from the rewrite one) and logs what it registered. Escape is left as it is.
    void reload();

    bool isSuspended() const { return m_suspended; }
    // While recording a new shortcut no rewrite or prompt hot key exists. Reloads only when
    // the value changes.
    void setSuspended(bool suspended);

    // Arms (true) or disarms (false) the Escape hot key; independent of reload() and suspension.
    void setCancelKeyActive(bool active);

    const HotKey* rewriteHotKey() const { return m_rewriteHotKey.get(); }
    const HotKey* promptHotKey() const { return m_promptHotKey.get(); }
    const HotKey* escapeHotKey() const { return m_escapeHotKey.get(); }

private:
    // A hot key whose press runs the callback; a refusal by the desktop is logged, not hidden.
    std::unique_ptr<HotKey> makeHotKey(const KeyCombo& combo, const QString& description,
                                       const Callback& onPress) const;

    SettingsStore& m_settings;
    std::unique_ptr<HotKey> m_rewriteHotKey;
    std::unique_ptr<HotKey> m_promptHotKey;
    std::unique_ptr<HotKey> m_escapeHotKey;
    Callback m_onRewrite;
    Callback m_onPrompt;
    bool m_suspended = false;
    Callback m_onEscape;
};
