#include "settings/SettingsStore.h"
#include "settings/DefaultInstructions.h"
#include "settings/Log.h"
#include "settings/Preferences.h"
#include "support/TempHome.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

#include <gtest/gtest.h>

namespace {

class SettingsStoreTest : public testing::Test {
protected:
    void handEdit(const QByteArray& json) {
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(json);
    }
    QJsonObject onDisk() const {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? QJsonDocument::fromJson(file.readAll()).object()
                                              : QJsonObject();
    }

    TempHome home;
    QString path = Preferences::defaultFilePath();
    Preferences preferences{path};
    SettingsStore store{preferences};
};

QStringList names(const QList<StylePreset>& presets) {
    QStringList result;
    for (const StylePreset& preset : presets) {
        result << preset.name;
    }
    return result;
}

TEST_F(SettingsStoreTest, FreshHomeReadsTheDefaultsWithoutWriting) {
    const QString instructions = store.instructions();
    EXPECT_EQ(instructions, DefaultInstructions::text());
    EXPECT_EQ(instructions.toUtf8().size(), 839);
    EXPECT_EQ(instructions.split(QStringLiteral("\n\n")).size(), 7);
    EXPECT_EQ(instructions.count(QChar(0x2014)), 2);
    EXPECT_FALSE(instructions.endsWith(u'\n'));

    const QList<StylePreset> presets = store.presets();
    EXPECT_EQ(names(presets), (QStringList{QStringLiteral("Shorter"), QStringLiteral("Friendlier"),
                                           QStringLiteral("Fix grammar only")}));
    EXPECT_EQ(presets.first().instructions,
              QStringLiteral("Rewrite the text so it says the same thing in fewer words. Keep the "
                             "same language and tone."));
    EXPECT_EQ(store.presets(), presets) << "built-in ids must hold for the whole process";
    EXPECT_NE(presets[0].id, presets[1].id);

    EXPECT_EQ(store.rewriteHotkey(), (HotkeyCombo{15, 0xC0000}));
    EXPECT_EQ(store.promptHotkey(), (HotkeyCombo{35, 0xC0000}));
    EXPECT_TRUE(store.soundEnabled());
    EXPECT_FALSE(store.hasCompletedOnboarding());
    EXPECT_EQ(store.launchAtLogin(), std::nullopt);
    EXPECT_FALSE(QFile::exists(path));
}

TEST_F(SettingsStoreTest, ValuesRoundTripInTheirStoredForms) {
    store.setInstructions(QString());
    EXPECT_EQ(store.instructions(), QString());
    store.setPresets({});
    EXPECT_TRUE(store.presets().isEmpty());
    EXPECT_EQ(onDisk().value(QStringLiteral("presets")), QJsonValue(QJsonArray()));

    const StylePreset mine{QUuid::createUuid(), QStringLiteral("Pirate"), QStringLiteral("Arr.")};
    store.setPresets({mine});
    EXPECT_EQ(store.presets(), QList<StylePreset>{mine});
    const QString storedId =
        onDisk().value(QStringLiteral("presets"))[0][QStringLiteral("id")].toString();
    EXPECT_EQ(storedId, mine.id.toString(QUuid::WithoutBraces).toUpper());

    store.setRewriteHotkey({7, 0x100000});
    EXPECT_EQ(onDisk().value(QStringLiteral("rewriteHotkey")),
              QJsonValue(QJsonObject{{QStringLiteral("keyCode"), 7},
                                     {QStringLiteral("modifiers"), 0x100000}}));
    EXPECT_EQ(store.rewriteHotkey(), (HotkeyCombo{7, 0x100000}));
    store.setSoundEnabled(false);
    store.setHasCompletedOnboarding(true);
    EXPECT_EQ(onDisk().value(QStringLiteral("soundEnabled")), QJsonValue(false));
    EXPECT_FALSE(store.soundEnabled());
    EXPECT_TRUE(store.hasCompletedOnboarding());
}

TEST_F(SettingsStoreTest, UnreadableEntriesFallBackAndStayUntilWritten) {
    handEdit(R"({"presets": [{"id": "0f8fad5b-d9cb-469f-a165-70867728950e", "name": "A",
                              "instructions": "a"}, {"name": "B", "instructions": "b"}],
                 "rewriteHotkey": {"keyCode": 3},
                 "promptHotkey": {"keyCode": "35", "modifiers": 786432},
                 "soundEnabled": "no"})");
    const QJsonValue storedPresets = onDisk().value(QStringLiteral("presets"));
    EXPECT_EQ(store.presets(), StylePreset::builtIns());
    EXPECT_EQ(store.rewriteHotkey(), HotkeyCombo::defaultRewrite());
    EXPECT_EQ(store.promptHotkey(), HotkeyCombo::defaultPrompt());
    EXPECT_TRUE(store.soundEnabled());

    store.setSoundEnabled(false);
    EXPECT_EQ(onDisk().value(QStringLiteral("presets")), storedPresets);
    store.setPresets(store.presets());
    EXPECT_EQ(store.presets(), StylePreset::builtIns());
}

TEST(StylePresetJson, DecodesOnlyCompleteWellTypedRecords) {
    const auto preset = [](const char* id, QJsonValue name = QStringLiteral("N")) {
        return StylePreset::fromJson(QJsonObject{{QStringLiteral("id"), QString::fromLatin1(id)},
                                                 {QStringLiteral("name"), name},
                                                 {QStringLiteral("instructions"), QString()},
                                                 {QStringLiteral("colour"), 3}});
    };
    const auto lower = preset("0f8fad5b-d9cb-469f-a165-70867728950e");
    ASSERT_TRUE(lower);
    EXPECT_EQ(lower, preset("0F8FAD5B-D9CB-469F-A165-70867728950E"));
    EXPECT_EQ(StylePreset::idText(lower->id),
              QStringLiteral("0F8FAD5B-D9CB-469F-A165-70867728950E"));
    EXPECT_FALSE(preset("{0f8fad5b-d9cb-469f-a165-70867728950e}"));
    EXPECT_FALSE(preset("0f8fad5b-d9cb-469f-a165-70867728950g"));
    EXPECT_FALSE(preset("Shorter"));
    EXPECT_FALSE(preset("0f8fad5b-d9cb-469f-a165-70867728950e", 5));
    EXPECT_FALSE(StylePreset::listFromJson(QJsonObject()));
}

TEST(HotkeyComboJson, NeedsBothMembersAsWholeNumbersInRange) {
    const auto combo = [](QJsonValue keyCode, QJsonValue modifiers) {
        return HotkeyCombo::fromJson(QJsonObject{{QStringLiteral("keyCode"), keyCode},
                                                 {QStringLiteral("modifiers"), modifiers}});
    };
    EXPECT_EQ(combo(15, 786432), (HotkeyCombo{15, 0xC0000}));
    EXPECT_EQ(combo(15.0, 786432), (HotkeyCombo{15, 0xC0000}));
    EXPECT_FALSE(combo(15.5, 786432));
    EXPECT_FALSE(combo(-1, 786432));
    EXPECT_FALSE(combo(qint64(1) << 32, 786432));
    EXPECT_FALSE(combo(15, QJsonValue()));
}

TEST_F(SettingsStoreTest, ComboThatJsonCannotHoldIsLoggedAndNotStored) {
    store.setRewriteHotkey({9, 0x40000});
    store.setRewriteHotkey({15, std::uint64_t(1) << 63});
    EXPECT_EQ(store.rewriteHotkey(), (HotkeyCombo{9, 0x40000}));
    QFile log(Log::filePath());
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    EXPECT_TRUE(log.readAll().contains("Could not save setting rewriteHotkey.\n"));
}

QStringList presetIdsOfANewLaunch(bool save = false) {
    QProcess launch;
    launch.start(QStringLiteral(SETTINGS_TEST_CHILD),
                 save ? QStringList{QStringLiteral("preset-ids"), QStringLiteral("save")}
                      : QStringList{QStringLiteral("preset-ids")});
    launch.waitForFinished();
    return QString::fromUtf8(launch.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
}

TEST(SettingsLaunches, BuiltInIdsChangeBetweenLaunchesUntilSaved) {
    TempHome home;
    const QStringList first = presetIdsOfANewLaunch();
    ASSERT_EQ(first.size(), 3);
    EXPECT_NE(presetIdsOfANewLaunch(), first);
    const QStringList saved = presetIdsOfANewLaunch(true);
    ASSERT_EQ(saved.size(), 3);
    EXPECT_EQ(presetIdsOfANewLaunch(), saved);
}

} // namespace
