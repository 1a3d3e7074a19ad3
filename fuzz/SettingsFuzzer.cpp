// A settings file as a hand edit or another version may leave it: the reader, every setting
// read through the store, and each record decoder with its round trip.
#include "FuzzCheck.h"

#include "settings/HotkeyCombo.h"
#include "settings/Preferences.h"
#include "settings/SettingsStore.h"
#include "settings/StylePreset.h"
#include "settings/UsageStats.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

QTemporaryDir* folder = nullptr;

void decodeRecords(const QJsonValue& value) {
    if (const auto combo = HotkeyCombo::fromJson(value)) {
        const auto json = combo->toJson();
        fuzzCheck(json && HotkeyCombo::fromJson(*json) == combo, "a shortcut reads back as saved");
    }
    if (const auto presets = StylePreset::listFromJson(value)) {
        fuzzCheck(StylePreset::listFromJson(StylePreset::listToJson(*presets)) == presets,
                  "a style list reads back as saved");
    }
    if (const auto usage = UsageStats::fromJson(value)) {
        const auto json = usage->toJson();
        fuzzCheck(json.has_value(), "a readable usage record can be saved");
        const auto back = UsageStats::fromJson(*json);
        fuzzCheck(back && back->rewrites == usage->rewrites &&
                      back->promptTokens == usage->promptTokens &&
                      back->completionTokens == usage->completionTokens,
                  "usage counters read back as saved");
        usage
            ->adding(QStringLiteral("gpt-4o-mini"), usage->promptTokens, usage->completionTokens,
                     usage->periodStart)
            .summary();
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    folder = new QTemporaryDir();
    // The reader logs what it cannot read; keep that out of the user's own log.
    setenv("XDG_STATE_HOME", qPrintable(folder->path()), 1);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const QString path = folder->filePath(QStringLiteral("settings.json"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        file.write(bytes) != bytes.size()) {
        return 0;
    }
    file.close();

    Preferences preferences(path);
    const SettingsStore store(preferences);
    store.instructions();
    store.presets();
    store.rewriteHotkey();
    store.promptHotkey();
    store.soundEnabled();
    store.hasCompletedOnboarding();
    store.launchAtLogin();
    store.usage().summary();

    const QJsonDocument document = QJsonDocument::fromJson(bytes);
    for (const QJsonValue& value : document.object()) {
        decodeRecords(value);
    }
    for (const QJsonValue& value : document.array()) {
        decodeRecords(value);
    }
    return 0;
}
