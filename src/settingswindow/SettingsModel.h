#pragma once

#include "settings/HotkeyCombo.h"
#include "settings/StylePreset.h"
#include "settings/UsageStats.h"
#include "settingswindow/KeyCheck.h"
#include "settingswindow/KeyState.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QUuid>

#include <qcoro/qcorotask.h>

#include <functional>
#include <optional>

class KeychainStore;
class LoginItems;
class OpenAIClient;
class SettingsStore;

// Everything the settings window shows and edits. Each change is written straight through to
// where it lives: the settings file, the keyring (only by saveAndTestKey()) or the desktop's
// autostart. Loaded once at creation; main thread only.
class SettingsModel final : public QObject {
    Q_OBJECT
public:
    static inline const QString& emptyKeyProblem = KeyCheck::emptyKeyProblem;
    static inline const QString launchAtLoginRefused =
        QStringLiteral("Your system refused this. Check your desktop's autostart settings.");
    static inline const QString newPresetName = QStringLiteral("New style");
    static inline const QString& serverWantsKey = KeyCheck::serverWantsKey;

    SettingsModel(SettingsStore& store, KeychainStore& keychain, OpenAIClient& client,
                  LoginItems& loginItems, QObject* parent = nullptr);

    SettingsStore& store() const { return m_store; }

    // Called after either shortcut changed, and with true/false when a recorder starts or
    // stops listening; the application connects them to the hotkey manager.
    void setOnHotkeyChanged(std::function<void()> callback) {
        m_onHotkeyChanged = std::move(callback);
    }
    void setOnRecordingChanged(std::function<void(bool)> callback) {
        m_onRecordingChanged = std::move(callback);
    }
    void recordingChanged(bool recording);

    // The key field as typed; editing it stores nothing and leaves the key state alone.
    const QString& apiKey() const { return m_apiKey; }
    void setApiKey(const QString& key);
    const KeyState& keyState() const { return m_keyState; }
    // Stores the trimmed key in the keyring, then asks the provider whether it accepts it.
    // A second call while one runs starts another; the last to finish sets the state.
    QCoro::Task<> saveAndTestKey();

    // The server's base address and the model as stored, empty for the defaults. Each edit is
    // saved at once, except an address that could leak the key: serverProblem() says why.
    const QString& serverAddress() const { return m_serverAddress; }
    // Where the key goes: the server the environment or the address names, else OpenAI.
    QString keyRecipient() const;
    void setServerAddress(const QString& address);
    const std::optional<QString>& serverProblem() const { return m_serverProblem; }
    const QString& modelName() const { return m_modelName; }
    void setModelName(const QString& model);
    // The models the server listed at the last key test, to pick from.
    const QStringList& offeredModels() const { return m_offeredModels; }
    // Sentences naming the environment variables that override the two settings.
    QStringList environmentOverrides() const;

    bool soundEnabled() const { return m_soundEnabled; }
    void setSoundEnabled(bool enabled);

    // Assigning asks the desktop at once; a refusal puts the switch back to what the desktop
    // reports and sets the problem text, which only a later success clears.
    bool launchAtLogin() const { return m_launchAtLogin; }
    void setLaunchAtLogin(bool enabled);
    const std::optional<QString>& launchAtLoginProblem() const { return m_launchAtLoginProblem; }

    const QString& instructions() const { return m_instructions; }
    void setInstructions(const QString& instructions);

    // Every edit replaces the whole list and saves it. Edits that name a preset find it by its
    // identifier at that moment and do nothing when it is gone.
    const QList<StylePreset>& presets() const { return m_presets; }
    void setPresets(const QList<StylePreset>& presets);
    void addPreset();
    void removePreset(const QUuid& id);
    void renamePreset(const QUuid& id, const QString& name);
    void setPresetInstructions(const QUuid& id, const QString& instructions);
    void movePreset(int from, int to);

    const HotkeyCombo& rewriteHotkey() const { return m_rewriteHotkey; }
    void setRewriteHotkey(const HotkeyCombo& combo);
    const HotkeyCombo& promptHotkey() const { return m_promptHotkey; }
    void setPromptHotkey(const HotkeyCombo& combo);
    bool hotkeysClash() const { return m_rewriteHotkey == m_promptHotkey; }

    const UsageStats& usage() const { return m_usage; }
    void refreshUsage();

    // What this session does not let Palimo do, one sentence each; set once at start.
    const QStringList& sessionLimits() const { return m_sessionLimits; }
    void setSessionLimits(QStringList lines) { m_sessionLimits = std::move(lines); }

    // Everything that lives in the settings file, read again (after a hand edit and SIGHUP).
    void reloadFromStore();

Q_SIGNALS:
    void apiKeyChanged();
    void keyStateChanged();
    void serverChanged();
    void soundEnabledChanged();
    void launchAtLoginChanged();
    void instructionsChanged();
    void presetsChanged();
    void hotkeysChanged();
    void usageChanged();

private:
    QCoro::Task<> loadKey();
    void setKeyState(KeyState state);
    // Saves a text setting, or removes it when blank so that its default applies.
    void storeText(const char* key, const QString& value);
    void applyLaunchAtLogin();
    void changeHotkey(HotkeyCombo& field, const HotkeyCombo& combo, bool rewrite);
    // The preset's position now, or -1.
    qsizetype indexOf(const QUuid& id) const;

    SettingsStore& m_store;
    KeychainStore& m_keychain;
    OpenAIClient& m_client;
    LoginItems& m_loginItems;
    std::function<void()> m_onHotkeyChanged;
    std::function<void(bool)> m_onRecordingChanged;
    QString m_apiKey;
    bool m_apiKeyEdited = false;
    KeyState m_keyState;
    QString m_serverAddress;
    std::optional<QString> m_serverProblem;
    QString m_modelName;
    QStringList m_offeredModels;
    bool m_soundEnabled = true;
    bool m_launchAtLogin = false;
    std::optional<QString> m_launchAtLoginProblem;
    QString m_instructions;
    QList<StylePreset> m_presets;
    HotkeyCombo m_rewriteHotkey;
    HotkeyCombo m_promptHotkey;
    UsageStats m_usage;
    QStringList m_sessionLimits;
    bool m_applyingLaunchAtLogin = false;
};
