#include "settingswindow/SettingsModel.h"

#include "base/Log.h"
#include "client/ModelSetting.h"
#include "client/OpenAIClient.h"
#include "client/ProviderAddress.h"
#include "platform/LoginItems.h"
#include "settings/KeychainStore.h"
#include "settings/Preferences.h"
#include "settings/SettingsStore.h"
#include "settingswindow/KeyCheck.h"

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
    const Preferences& preferences = m_store.preferences();
    m_serverAddress =
        preferences.text(QString::fromLatin1(ProviderAddress::preferenceKey)).value_or(QString());
    m_serverProblem.reset();
    m_modelName =
        preferences.text(QString::fromLatin1(ModelSetting::preferenceKey)).value_or(QString());
    m_soundEnabled = m_store.soundEnabled();
    m_instructions = m_store.instructions();
    m_presets = m_store.presets();
    m_rewriteHotkey = m_store.rewriteHotkey();
    m_promptHotkey = m_store.promptHotkey();
    m_usage = m_store.usage();
    Q_EMIT serverChanged();
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
    // The field keeps what was typed; only the stored and tested key is trimmed.
    return KeyCheck::saveAndTest(m_apiKey, m_keychain, m_client, QPointer<QObject>(this),
                                 {[this](KeyState state) { setKeyState(std::move(state)); },
                                  [this](QStringList offered) {
                                      if (offered != m_offeredModels) {
                                          m_offeredModels = std::move(offered);
                                          Q_EMIT serverChanged();
                                      }
                                  }});
}

void SettingsModel::storeText(const char* key, const QString& value) {
    const QString name = QString::fromLatin1(key);
    if (value.isEmpty()) {
        m_store.preferences().remove(name);
    } else {
        m_store.preferences().setText(name, value);
    }
}

void SettingsModel::setServerAddress(const QString& address) {
    const QString trimmed = address.trimmed();
    m_serverProblem.reset();
    if (!trimmed.isEmpty()) {
        const auto url =
            ProviderAddress::endpoint(trimmed, QString::fromLatin1(OpenAIClient::modelsPath));
        if (const QString* refused = std::get_if<QString>(&url)) {
            m_serverProblem = QStringLiteral("Not saved: ") + *refused + QLatin1Char('.');
        }
    }
    if (!m_serverProblem && trimmed != m_serverAddress) {
        m_serverAddress = trimmed;
        storeText(ProviderAddress::preferenceKey, trimmed);
        // Another server has other models.
        m_offeredModels.clear();
    }
    Q_EMIT serverChanged();
}

void SettingsModel::setModelName(const QString& model) {
    const QString trimmed = model.trimmed();
    if (trimmed == m_modelName) {
        return;
    }
    m_modelName = trimmed;
    storeText(ModelSetting::preferenceKey, trimmed);
    Q_EMIT serverChanged();
}

QString SettingsModel::keyRecipient() const {
    const QString environment = qEnvironmentVariable(ProviderAddress::environmentVariable);
    return ProviderAddress::keyRecipient(ProviderAddress::choose(environment, m_serverAddress));
}

QStringList SettingsModel::environmentOverrides() const {
    QStringList sentences;
    for (const char* variable :
         {ProviderAddress::environmentVariable, ModelSetting::environmentVariable}) {
        const QString value = qEnvironmentVariable(variable).trimmed();
        if (!value.isEmpty()) {
            sentences.append(QStringLiteral("%1 is set, so Palimo uses %2 instead.")
                                 .arg(QString::fromLatin1(variable), value));
        }
    }
    return sentences;
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
