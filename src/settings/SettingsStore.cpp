#include "settings/SettingsStore.h"

#include "base/Log.h"
#include "settings/DefaultInstructions.h"
#include "settings/Preferences.h"

namespace {

const QString instructionsKey = QStringLiteral("instructions");
const QString presetsKey = QStringLiteral("presets");
const QString rewriteHotkeyKey = QStringLiteral("rewriteHotkey");
const QString promptHotkeyKey = QStringLiteral("promptHotkey");
const QString soundEnabledKey = QStringLiteral("soundEnabled");
const QString usageKey = QStringLiteral("usage");
const QString onboardingKey = QStringLiteral("hasCompletedOnboarding");
const QString launchAtLoginKey = QStringLiteral("launchAtLogin");

// Lets decode<> treat the presets list like the single records.
struct PresetList {
    static std::optional<QList<StylePreset>> fromJson(const QJsonValue& json) {
        return StylePreset::listFromJson(json);
    }
};

} // namespace

SettingsStore::SettingsStore(Preferences& preferences)
    : m_preferences(preferences)
    , m_clock([] { return QDateTime::currentDateTime(); }) {}

SettingsStore& SettingsStore::shared() {
    static Preferences applicationPreferences(Preferences::defaultFilePath());
    static SettingsStore store(applicationPreferences);
    return store;
}

void SettingsStore::setClock(Clock clock) {
    m_clock = std::move(clock);
}

template <typename Record> auto SettingsStore::decode(const QString& key) const {
    const auto json = m_preferences.record(key);
    return json ? Record::fromJson(*json) : std::nullopt;
}

void SettingsStore::encode(const QString& key, const std::optional<QJsonValue>& json) {
    if (!json) {
        Log::error(QStringLiteral("Could not save setting ") + key + QStringLiteral("."));
        return;
    }
    m_preferences.setRecord(key, *json);
}

QString SettingsStore::instructions() const {
    return m_preferences.text(instructionsKey).value_or(DefaultInstructions::text());
}

void SettingsStore::setInstructions(const QString& instructions) {
    m_preferences.setText(instructionsKey, instructions);
}

QList<StylePreset> SettingsStore::presets() const {
    return decode<PresetList>(presetsKey).value_or(StylePreset::builtIns());
}

void SettingsStore::setPresets(const QList<StylePreset>& presets) {
    encode(presetsKey, StylePreset::listToJson(presets));
}

HotkeyCombo SettingsStore::rewriteHotkey() const {
    return decode<HotkeyCombo>(rewriteHotkeyKey).value_or(HotkeyCombo::defaultRewrite());
}

void SettingsStore::setRewriteHotkey(const HotkeyCombo& combo) {
    encode(rewriteHotkeyKey, combo.toJson());
}

HotkeyCombo SettingsStore::promptHotkey() const {
    return decode<HotkeyCombo>(promptHotkeyKey).value_or(HotkeyCombo::defaultPrompt());
}

void SettingsStore::setPromptHotkey(const HotkeyCombo& combo) {
    encode(promptHotkeyKey, combo.toJson());
}

bool SettingsStore::soundEnabled() const {
    return m_preferences.boolean(soundEnabledKey).value_or(true);
}

void SettingsStore::setSoundEnabled(bool enabled) {
    m_preferences.setBoolean(soundEnabledKey, enabled);
}

bool SettingsStore::hasCompletedOnboarding() const {
    return m_preferences.boolean(onboardingKey).value_or(false);
}

void SettingsStore::setHasCompletedOnboarding(bool completed) {
    m_preferences.setBoolean(onboardingKey, completed);
}

std::optional<bool> SettingsStore::launchAtLogin() const {
    return m_preferences.boolean(launchAtLoginKey);
}

void SettingsStore::setLaunchAtLogin(bool enabled) {
    m_preferences.setBoolean(launchAtLoginKey, enabled);
}

UsageStats SettingsStore::usage() const {
    return decode<UsageStats>(usageKey).value_or(UsageStats::fresh(m_clock()));
}

void SettingsStore::recordUsage(const QString& model, qint64 promptTokens,
                                qint64 completionTokens) {
    const QDateTime now = m_clock();
    const UsageStats current = decode<UsageStats>(usageKey).value_or(UsageStats::fresh(now));
    encode(usageKey, current.adding(model, promptTokens, completionTokens, now).toJson());
}
