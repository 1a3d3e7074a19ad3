#pragma once

#include "settings/HotkeyCombo.h"
#include "settings/StylePreset.h"
#include "settings/UsageStats.h"

#include <QDateTime>
#include <QList>
#include <QString>

#include <functional>
#include <optional>

class Preferences;

// The user's choices between launches, one preferences entry per setting. Nothing is cached:
// every read goes to the preferences, so a change written by the settings window is seen by
// the next rewrite or hotkey reload. An entry that is missing or cannot be decoded reads as its
// default and stays on disk until that setting is next written. Main thread only.
class SettingsStore {
public:
    using Clock = std::function<QDateTime()>;

    explicit SettingsStore(Preferences& preferences);
    SettingsStore(const SettingsStore&) = delete;
    SettingsStore& operator=(const SettingsStore&) = delete;

    // The application's store over Preferences::defaultFilePath(), created on first use.
    static SettingsStore& shared();

    // For settings outside this store's table (the model client's "apiBaseURL" and "model").
    Preferences& preferences() const { return m_preferences; }

    // Where "now" comes from for the usage period; the system clock unless replaced.
    void setClock(Clock clock);

    // "instructions": the stored text, even when empty; the default instructions otherwise.
    QString instructions() const;
    void setInstructions(const QString& instructions);

    // "presets": the user's styles in display order (possibly none); the built-ins when the
    // entry is missing or unreadable.
    QList<StylePreset> presets() const;
    void setPresets(const QList<StylePreset>& presets);

    // "rewriteHotkey" / "promptHotkey": control-option-R / control-option-P by default.
    HotkeyCombo rewriteHotkey() const;
    void setRewriteHotkey(const HotkeyCombo& combo);
    HotkeyCombo promptHotkey() const;
    void setPromptHotkey(const HotkeyCombo& combo);

    // "soundEnabled": true unless a boolean false is stored.
    bool soundEnabled() const;
    void setSoundEnabled(bool enabled);

    // "hasCompletedOnboarding": false by default.
    bool hasCompletedOnboarding() const;
    void setHasCompletedOnboarding(bool completed);

    // "launchAtLogin": the last choice the login-item service accepted. Kept for the record;
    // the service's own status is what the program shows.
    std::optional<bool> launchAtLogin() const;
    void setLaunchAtLogin(bool enabled);

    // "usage": the stored record as it is, even from an earlier month, or zero counters
    // starting now. Never writes.
    UsageStats usage() const;
    // Counts one successful rewrite by `model`, starting a new period at the first one of a
    // new month.
    void recordUsage(const QString& model, qint64 promptTokens, qint64 completionTokens);

private:
    // Record::fromJson applied to the entry, or nothing when the entry is not a record.
    template <typename Record> auto decode(const QString& key) const;
    void encode(const QString& key, const std::optional<QJsonValue>& json);

    Preferences& m_preferences;
    Clock m_clock;
};
