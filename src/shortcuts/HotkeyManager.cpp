#include "shortcuts/HotkeyManager.h"

#include "base/Log.h"
#include "hotkey/Key.h"
#include "hotkey/KeyCombo.h"
#include "hotkey/ModifierFlags.h"
#include "settings/HotkeyCombo.h"
#include "settings/SettingsStore.h"
#include "shortcuts/ComboText.h"

#include <QStringList>

namespace {

KeyCombo keyComboOf(const HotkeyCombo& combo) {
    return KeyCombo(combo.keyCode, ModifierFlags(combo.modifiers).carbonFlags());
}

// A global grab of a key with only Shift, or none, would swallow that key from all typing.
// The recorder never makes one; a hand-edited settings file can.
bool isSafeToGrab(const HotkeyCombo& combo, const QString& description, const QString& role) {
    const ModifierFlags modifiers(combo.modifiers);
    if (modifiers.contains(ModifierFlag::control) || modifiers.contains(ModifierFlag::option) ||
        modifiers.contains(ModifierFlag::command)) {
        return true;
    }
    Log::error(QStringLiteral("Did not register the ") + role + QStringLiteral(" shortcut ") +
               description +
               QStringLiteral(": without Ctrl, Alt or Super it would take that key from all "
                              "typing. Record a new one in Settings."));
    return false;
}

} // namespace

HotkeyManager::HotkeyManager(SettingsStore& settings)
    : m_settings(settings) {}

HotkeyManager::~HotkeyManager() = default;

void HotkeyManager::reload() {
    // Both go before anything new is registered, so re-registering the same combination
    // never meets its own old registration.
    m_rewriteHotKey.reset();
    m_promptHotKey.reset();
    if (m_suspended) {
        return;
    }
    const HotkeyCombo rewrite = m_settings.rewriteHotkey();
    const QString rewriteText = ComboText::of(rewrite);
    if (m_onRewrite && isSafeToGrab(rewrite, rewriteText, QStringLiteral("rewrite"))) {
        m_rewriteHotKey = makeHotKey(keyComboOf(rewrite), rewriteText, m_onRewrite);
    }
    const HotkeyCombo prompt = m_settings.promptHotkey();
    const QString promptText = ComboText::of(prompt);
    // The same combination for both: the rewrite shortcut wins.
    if (prompt != rewrite && m_onPrompt &&
        isSafeToGrab(prompt, promptText, QStringLiteral("prompt"))) {
        m_promptHotKey = makeHotKey(keyComboOf(prompt), promptText, m_onPrompt);
    }
    // Only what the desktop took is named: a refused or skipped shortcut must not read as one
    // that works.
    QStringList registered;
    if (m_rewriteHotKey && m_rewriteHotKey->isRegistered()) {
        registered << rewriteText + QStringLiteral(" rewrite");
    }
    if (m_promptHotKey && m_promptHotKey->isRegistered()) {
        registered << promptText + QStringLiteral(" prompt");
    }
    Log::info(
        QStringLiteral("Hotkeys registered: ") +
        (registered.isEmpty() ? QStringLiteral("none") : registered.join(QStringLiteral(", "))) +
        QStringLiteral("."));
}

void HotkeyManager::setSuspended(bool suspended) {
    if (suspended == m_suspended) {
        return;
    }
    m_suspended = suspended;
    reload();
}

void HotkeyManager::setCancelKeyActive(bool active) {
    if (!active) {
        m_escapeHotKey.reset();
        return;
    }
    if (m_escapeHotKey || !m_onEscape) {
        return;
    }
    const KeyCombo escape(Key::escape, ModifierFlags());
    m_escapeHotKey = makeHotKey(escape, escape.description(), m_onEscape);
}

std::unique_ptr<HotKey> HotkeyManager::makeHotKey(const KeyCombo& combo, const QString& description,
                                                  const Callback& onPress) const {
    auto hotKey = std::make_unique<HotKey>(combo);
    hotKey->setKeyDownHandler(onPress);
    if (!hotKey->isRegistered()) {
        Log::error(QStringLiteral("Could not register ") + description + QStringLiteral(": ") +
                   hotKey->registrationFailure() + QStringLiteral("."));
    }
    return hotKey;
}
