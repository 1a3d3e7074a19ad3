#include "SettingsFixture.h"
#include "settings/DefaultInstructions.h"

#include <QJsonArray>

namespace {

using SettingsStoreTest = SettingsFixture;

// (The default shortcuts, sound and guide are the system tests'; that reading writes nothing is
// SettingsModelTest's.)
TEST_F(SettingsStoreTest, DefaultsThenValuesInTheirFileForms) {
    EXPECT_EQ(store.instructions().toUtf8().size(), 839);
    const QList<StylePreset> presets = store.presets();
    EXPECT_EQ(presets.size(), 3);
    EXPECT_EQ(store.presets(), presets) << "built-in ids must hold for the whole process";
    EXPECT_NE(presets[0].id, presets[1].id);

    // Emptied by the user is not the same as never set.
    store.setInstructions(QString());
    EXPECT_EQ(store.instructions(), QString());
    store.setPresets({});
    EXPECT_TRUE(store.presets().isEmpty());
    const StylePreset mine{QUuid::createUuid(), u"Pirate"_s, u"Arr."_s};
    store.setPresets({mine});
    store.setRewriteHotkey({7, 0x100000});
    store.setSoundEnabled(false);
    EXPECT_EQ(onDisk().value(u"presets"_s)[0][u"id"_s],
              mine.id.toString(QUuid::WithoutBraces).toUpper());
    EXPECT_EQ(onDisk().value(u"rewriteHotkey"_s),
              (QJsonObject{{u"keyCode"_s, 7}, {u"modifiers"_s, 0x100000}}));
    EXPECT_EQ(onDisk().value(u"soundEnabled"_s), false);

    // A combination JSON cannot hold exactly is refused and logged, never stored rounded.
    store.setRewriteHotkey({15, std::uint64_t(1) << 63});
    EXPECT_EQ(store.rewriteHotkey(), (HotkeyCombo{7, 0x100000}));
    EXPECT_EQ(TempHome::logCount(u"Could not save setting rewriteHotkey."_s), 1);
}

TEST_F(SettingsStoreTest, UnreadableEntriesFallBackAndStayUntilWritten) {
    handEdit(R"({"presets": [{"id": "0f8fad5b-d9cb-469f-a165-70867728950e", "name": "A",
                              "instructions": "a"}, {"name": "B", "instructions": "b"}],
                 "rewriteHotkey": {"keyCode": 3},
                 "promptHotkey": {"keyCode": "35", "modifiers": 786432},
                 "soundEnabled": "no",
                 "usage": {"rewrites": 9, "promptTokens": 1, "completionTokens": 1}})");
    const QJsonValue storedPresets = onDisk().value(u"presets"_s);
    EXPECT_EQ(store.presets(), StylePreset::builtIns());
    EXPECT_EQ(store.rewriteHotkey(), HotkeyCombo::defaultRewrite());
    EXPECT_EQ(store.promptHotkey(), HotkeyCombo::defaultPrompt());
    EXPECT_TRUE(store.soundEnabled());
    EXPECT_EQ(store.usage().rewrites, 0);

    store.setSoundEnabled(false);
    EXPECT_EQ(onDisk().value(u"presets"_s), storedPresets);
    store.recordUsage(mini, 10, 20);
    EXPECT_EQ(store.usage().rewrites, 1);
}

TEST(SettingsRecordsTest, DecodeOnlyCompleteWellTypedRecords) {
    const auto preset = [](const char* id, QJsonValue name = u"N"_s) {
        return StylePreset::fromJson(QJsonObject{{u"id"_s, QString::fromLatin1(id)},
                                                 {u"name"_s, name},
                                                 {u"instructions"_s, QString()},
                                                 {u"colour"_s, 3}});
    };
    const auto lower = preset("0f8fad5b-d9cb-469f-a165-70867728950e");
    ASSERT_TRUE(lower);
    EXPECT_EQ(lower, preset("0F8FAD5B-D9CB-469F-A165-70867728950E"));
    for (const char* id : {"{0f8fad5b-d9cb-469f-a165-70867728950e}",
                           "0f8fad5b-d9cb-469f-a165-70867728950g", "Shorter"}) {
        EXPECT_FALSE(preset(id)) << id;
    }
    EXPECT_FALSE(preset("0f8fad5b-d9cb-469f-a165-70867728950e", 5));
    EXPECT_FALSE(StylePreset::listFromJson(QJsonObject()));

    const auto combo = [](QJsonValue keyCode, QJsonValue modifiers) {
        return HotkeyCombo::fromJson(
            QJsonObject{{u"keyCode"_s, keyCode}, {u"modifiers"_s, modifiers}});
    };
    EXPECT_EQ(combo(15.0, 786432), (HotkeyCombo{15, 0xC0000}));
    EXPECT_FALSE(combo(15.5, 786432));
    EXPECT_FALSE(combo(-1, 786432));
    EXPECT_FALSE(combo(qint64(1) << 32, 786432));
    EXPECT_FALSE(combo(15, QJsonValue()));

    const QDateTime start(QDate(2001, 1, 1), QTime(0, 0, 1, 500), Qt::UTC);
    const UsageStats stats{3, 4, 5, start, {{u"llama3.2"_s, {1, 2, 3}}}};
    auto json = stats.toJson();
    ASSERT_TRUE(json);
    EXPECT_DOUBLE_EQ((*json)[u"periodStart"_s].toDouble(), 1.5);
    EXPECT_EQ(UsageStats::fromJson(*json), stats);
    // The by-model counts only add a member; an unreadable entry of it is left out alone.
    QJsonObject object = json->toObject();
    object[u"models"_s] = QJsonObject{{u"a"_s, object[u"models"_s][u"llama3.2"_s]},
                                      {u"b"_s, QJsonObject{{u"rewrites"_s, 1}}},
                                      {u"c"_s, 7}};
    EXPECT_EQ(UsageStats::fromJson(object)->models,
              (QMap<QString, UsageStats::ModelUsage>{{u"a"_s, {1, 2, 3}}}));
    object[u"models"_s] = 5;
    EXPECT_EQ(UsageStats::fromJson(object)->rewrites, 3);
    EXPECT_FALSE((UsageStats{1, 0, 0, QDateTime(), {}}.toJson()));
}

TEST_F(SettingsStoreTest, UsageStartsAFreshPeriodAtTheFirstRewriteOfAMonth) {
    const auto local = [](int year, int month, int day, int hour) {
        return QDateTime(QDate(year, month, day), QTime(hour, 0), Qt::LocalTime);
    };
    QDateTime now = local(2025, 2, 28, 23);
    store.setClock([&now] { return now; });
    store.recordUsage(mini, 100, 100);
    store.recordUsage(mini, 0, 0);
    EXPECT_EQ(store.usage(), (UsageStats{2, 100, 100, now, {{mini, {2, 100, 100}}}}));
    EXPECT_DOUBLE_EQ(onDisk()[u"usage"_s][u"periodStart"_s].toDouble(),
                     static_cast<double>(now.toSecsSinceEpoch() - 978'307'200));

    now = local(2025, 3, 1, 1);
    const QByteArray february = readFile(path);
    EXPECT_EQ(store.usage().rewrites, 2) << "reading must not reset the period";
    EXPECT_EQ(readFile(path), february);
    store.recordUsage(mini, 5, 6);
    store.recordUsage(u"llama3.2"_s, 1, 2);
    EXPECT_EQ(store.usage(),
              (UsageStats{2, 6, 8, now, {{mini, {1, 5, 6}}, {u"llama3.2"_s, {1, 1, 2}}}}));
    now = local(2026, 3, 10, 12);
    store.recordUsage(mini, 7, 8);
    EXPECT_EQ(store.usage(), (UsageStats{1, 7, 8, now, {{mini, {1, 7, 8}}}}));
}

TEST(UsageStatsTest, SummaryTextsAndTheOneCentBoundary) {
    const auto summary = [](qint64 rewrites, qint64 prompt, qint64 completion,
                            QMap<QString, UsageStats::ModelUsage> models = {}) {
        return UsageStats{rewrites, prompt, completion, QDateTime::currentDateTime(), models}
            .summary();
    };
    EXPECT_EQ(summary(0, 500, 500), u"No rewrites yet this month."_s);
    EXPECT_EQ(summary(1, 200, 200), u"1 rewrite this month, under 1 cent in API costs."_s);
    EXPECT_EQ(summary(1000, 200'000, 200'000),
              u"1000 rewrites this month, about $0.15 in API costs."_s);
    EXPECT_EQ(summary(2, 66'666, 0), u"2 rewrites this month, under 1 cent in API costs."_s);
    EXPECT_EQ(summary(2, 66'667, 0), u"2 rewrites this month, about $0.01 in API costs."_s);
    EXPECT_EQ(summary(2, 0, 16'667), u"2 rewrites this month, about $0.01 in API costs."_s);

    // Only the known model is priced; tokens not in the by-model counts came from an earlier
    // version, which always asked for it.
    const UsageStats::ModelUsage llama{2, 900'000, 100'000};
    const UsageStats::ModelUsage qwen{1, 50, 50};
    const std::pair<QString, QString> honest[] = {
        {summary(1000, 200'000, 200'000, {{mini, {1000, 200'000, 200'000}}}),
         u"1000 rewrites this month, about $0.15 in API costs."_s},
        {summary(2, 900'000, 100'000, {{u"llama3.2"_s, llama}}),
         u"2 rewrites this month, 1000000 tokens, no price known for llama3.2."_s},
        {summary(3, 900'050, 100'050, {{u"llama3.2"_s, llama}, {u"qwen"_s, qwen}}),
         u"3 rewrites this month, 1000100 tokens, no price known for these models."_s},
        {summary(2, 900'000, 100'000,
                 {{u"hf.co/bartowski/Llama-3.2-3B-Instruct-GGUF:Q4_K_M"_s, llama}}),
         u"2 rewrites this month, 1000000 tokens, no price known for hf.co/bartowski\u2026ruct-GGUF:Q4_K_M."_s},
        // A hand edit whose shares exceed the whole prices nothing twice and nothing negative.
        {summary(1, 10, 10, {{u"llama3.2"_s, llama}}),
         u"1 rewrite this month, 1000000 tokens, no price known for llama3.2."_s},
    };
    for (const auto& [text, expected] : honest) {
        EXPECT_EQ(text, expected);
    }
}

} // namespace
