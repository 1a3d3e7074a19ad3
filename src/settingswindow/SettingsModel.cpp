#include "settingswindow/SettingsModel.h"

#include "base/Log.h"
#include "client/OpenAIClient.h"
#include "platform/LoginItems.h"
#include "settings/KeychainStore.h"
#include "settings/SettingsStore.h"

#include <QPointer>

SettingsModel::SettingsModel(SettingsStore& store, KeychainStore& keychain, OpenAIClient& client,
                             LoginItems& loginItems, QObject* parent)
    : QObject(parent)
    , m_store(store)
    , m_keychain(keychain)
    , m_client(client)
    , m_loginItems(loginItems)
    , m_launchAtLogin(loginItems.isEnabled()) {
    reloadFromStore();
    loadKey();
}

void SettingsModel::reloadFromStore() {
    m_soundEnabled = m_store.soundEnabled();
    m_instructions = m_store.instructions();
    m_presets = m_store.presets();
    m_rewriteHotkey = m_store.rewriteHotkey();
    m_promptHotkey = m_store.promptHotkey();
    m_usage = m_store.usage();
    Q_EMIT soundEnabledChanged();
    Q_EMIT instructionsChanged();
    Q_EMIT presetsChanged();
    Q_EMIT hotkeysChanged();
    Q_EMIT usageChanged();
}

QCoro::Task<> SettingsModel::loadKey() {
    const QPointer<SettingsModel> self(this);
    const std::optional<QString> key = co_await m_keychain.apiKey();
    // The keyring may answer late; what the user typed meanwhile wins.
    if (self && key && !self->m_apiKeyEdited) {
        self->m_apiKey = *key;
        Q_EMIT self->apiKeyChanged();
    }
}

void SettingsModel::recordingChanged(bool recording) {
    if (m_onRecordingChanged) {
        m_onRecordingChanged(recording);
    }
}

void SettingsModel::setApiKey(const QString& key) {
    m_apiKeyEdited = true;
    if (key == m_apiKey) {
        return;
    }
    m_apiKey = key;
    Q_EMIT apiKeyChanged();
}

void SettingsModel::setKeyState(KeyState state) {
    m_keyState = std::move(state);
    Q_EMIT keyStateChanged();
}

QCoro::Task<> SettingsModel::saveAndTestKey() {
    const QPointer<SettingsModel> self(this);
    // The field keeps what was typed; only the stored and tested key is trimmed.
    const QString key = m_apiKey.trimmed();
    if (key.isEmpty()) {
        setKeyState(KeyState::failed(emptyKeyProblem));
        co_return;
    }
    const std::optional<KeychainError> saveError = co_await m_keychain.setAPIKey(key);
    if (!self) {
        co_return;
    }
    if (saveError) {
        setKeyState(KeyState::failed(saveError->description()));
        co_return;
    }
    setKeyState(KeyState::checking());
    const std::optional<RewriteError> refused = co_await m_client.validateKey(key);
    if (self) {
        self->setKeyState(refused ? KeyState::failed(refused->description()) : KeyState::valid());
    }
}

void SettingsModel::setSoundEnabled(bool enabled) {
    if (enabled == m_soundEnabled) {
        return;
    }
    m_soundEnabled = enabled;
    m_store.setSoundEnabled(enabled);
    Q_EMIT soundEnabledChanged();
}

void SettingsModel::setLaunchAtLogin(bool enabled) {
    m_launchAtLogin = enabled;
    Q_EMIT launchAtLoginChanged();
    applyLaunchAtLogin();
}

void SettingsModel::applyLaunchAtLogin() {
    if (m_applyingLaunchAtLogin) {
        return;
    }
    if (const std::optional<QString> failure = m_loginItems.setEnabled(m_launchAtLogin)) {
        Log::error(QStringLiteral("Could not change launch at login: ") + *failure);
        m_launchAtLoginProblem = launchAtLoginRefused;
        m_applyingLaunchAtLogin = true;
        setLaunchAtLogin(m_loginItems.isEnabled());
        m_applyingLaunchAtLogin = false;
        return;
    }
    m_store.setLaunchAtLogin(m_launchAtLogin);
    m_launchAtLoginProblem.reset();
    Q_EMIT launchAtLoginChanged();
}

void SettingsModel::setInstructions(const QString& instructions) {
    if (instructions == m_instructions) {
        return;
    }
    m_instructions = instructions;
    m_store.setInstructions(instructions);
    Q_EMIT instructionsChanged();
}

void SettingsModel::setPresets(const QList<StylePreset>& presets) {
    m_presets = presets;
    m_store.setPresets(presets);
    Q_EMIT presetsChanged();
}

void SettingsModel::addPreset() {
    QList<StylePreset> next = m_presets;
    next.append(StylePreset{QUuid::createUuid(), newPresetName, QString()});
    setPresets(next);
}

qsizetype SettingsModel::indexOf(const QUuid& id) const {
    for (qsizetype index = 0; index < m_presets.size(); ++index) {
        if (m_presets.at(index).id == id) {
            return index;
        }
    }
    return -1;
}

void SettingsModel::removePreset(const QUuid& id) {
    const qsizetype index = indexOf(id);
    if (index < 0) {
        return;
    }
    QList<StylePreset> next = m_presets;
    next.removeAt(index);
    setPresets(next);
}

void SettingsModel::renamePreset(const QUuid& id, const QString& name) {
    const qsizetype index = indexOf(id);
    if (index < 0 || m_presets.at(index).name == name) {
        return;
    }
    QList<StylePreset> next = m_presets;
    next[index].name = name;
    setPresets(next);
}

void SettingsModel::setPresetInstructions(const QUuid& id, const QString& instructions) {
    const qsizetype index = indexOf(id);
    if (index < 0 || m_presets.at(index).instructions == instructions) {
        return;
    }
    QList<StylePreset> next = m_presets;
    next[index].instructions = instructions;
    setPresets(next);
}

void SettingsModel::movePreset(int from, int to) {
    if (from < 0 || from >= m_presets.size() || to < 0 || to >= m_presets.size() || from == to) {
        return;
    }
    QList<StylePreset> next = m_presets;
    next.move(from, to);
    setPresets(next);
}

void SettingsModel::changeHotkey(HotkeyCombo& field, const HotkeyCombo& combo, bool rewrite) {
    field = combo;
    if (rewrite) {
        m_store.setRewriteHotkey(combo);
    } else {
        m_store.setPromptHotkey(combo);
    }
    Q_EMIT hotkeysChanged();
    if (m_onHotkeyChanged) {
        m_onHotkeyChanged();
    }
}

void SettingsModel::setRewriteHotkey(const HotkeyCombo& combo) {
    changeHotkey(m_rewriteHotkey, combo, true);
}

void SettingsModel::setPromptHotkey(const HotkeyCombo& combo) {
    changeHotkey(m_promptHotkey, combo, false);
}

void SettingsModel::refreshUsage() {
    m_usage = m_store.usage();
    Q_EMIT usageChanged();
}
