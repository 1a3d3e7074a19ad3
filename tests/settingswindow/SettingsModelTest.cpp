#include "settingswindow/SettingsWindowFixture.h"

#include <qcoro/qcorotask.h>

namespace {

using SettingsModelTest = SettingsWindowFixture;

// (The store's defaults are SettingsStoreTest's.) Launch at login is read from the desktop.
TEST_F(SettingsModelTest, AFreshInstallationShowsTheDefaults) {
    loginItems.put(true);
    SettingsModel& m = model();
    QCoro::waitFor(keychain.apiKey()); // the model's own read has had its turn
    EXPECT_EQ(m.apiKey(), QString());
    EXPECT_EQ(m.keyState(), KeyState::untested());
    EXPECT_TRUE(m.launchAtLogin());
    EXPECT_EQ(m.usage().summary(), u"No rewrites yet this month."_s);
    EXPECT_TRUE(onDisk().isEmpty()); // reading writes nothing
}

TEST_F(SettingsModelTest, TheStoredKeyFillsTheFieldUnlessTheUserTypedFirst) {
    secrets.put(KeychainStore::serviceName, KeychainStore::accountName, "sk-stored");
    secrets.setDelay(std::chrono::milliseconds(30));
    model().setApiKey(u"sk-typed"_s);
    QCoro::waitFor(keychain.apiKey());
    EXPECT_EQ(model().apiKey(), u"sk-typed"_s);
}

TEST_F(SettingsModelTest, SaveAndTestStoresTheTrimmedKeyAndShowsTheOutcome) {
    struct Case {
        const char* name;
        QString typed;
        bool openAI;                     // the server is OpenAI's own, which always wants a key
        std::optional<FakeReply> models; // the provider's answer to the key test
        bool keyringRefuses;
        QList<KeyState> states;
        std::optional<QByteArray> stored;
    };
    const KeyState empty = KeyState::failed(SettingsModel::emptyKeyProblem);
    const KeyState checking = KeyState::checking();
    // (A refused key, a model not offered and an empty key for a local server are tried through
    // the real window by the settings system test.)
    const Case cases[] = {
        {"empty field", u""_s, true, {}, false, {empty}, {}},
        {"only white space", u" \n\t"_s, true, {}, false, {empty}, {}},
        {"accepted without a model list, typed with a line feed",
         u"sk-good\n"_s,
         false,
         FakeReply::answer(200, "{}"),
         false,
         {checking, KeyState::valid()},
         QByteArray("sk-good")},
        {"a local server that wants a key",
         u""_s,
         false,
         FakeReply::answer(401, "{}"),
         false,
         {checking, KeyState::failed(SettingsModel::serverWantsKey)},
         QByteArray("")},
        {"keyring refuses",
         u"sk-any"_s,
         false,
         {},
         true,
         {KeyState::failed(u"Could not save to the keychain: The collection is locked."_s)},
         {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FakeSecretStore secretsHere;
        KeychainStore keychainHere(secretsHere);
        if (c.keyringRefuses) {
            secretsHere.failWrites(FakeSecretStore::Failure{5, u"The collection is locked."_s});
        }
        if (c.models) {
            provider.setModelsReply(*c.models);
        }
        base = c.openAI ? u"https://api.openai.com"_s : QString();
        SettingsModel m(store, keychainHere, client, loginItems);
        QList<KeyState> seen;
        QObject::connect(&m, &SettingsModel::keyStateChanged, [&] { seen << m.keyState(); });
        m.setApiKey(c.typed);
        EXPECT_EQ(m.keyState(), KeyState::untested()); // typing alone changes nothing
        QCoro::waitFor(m.saveAndTestKey());
        EXPECT_EQ(seen, c.states);
        EXPECT_EQ(m.apiKey(), c.typed);
        EXPECT_EQ(secretsHere.stored(KeychainStore::serviceName, KeychainStore::accountName),
                  c.stored);
    }
}

TEST_F(SettingsModelTest, EqualShortcutsAreStoredAndReportedAsAClash) {
    model().setPromptHotkey({15, 0xC0000});
    EXPECT_TRUE(model().hotkeysClash());
    EXPECT_EQ(hotkeyChanges, 1);
    EXPECT_EQ(store.promptHotkey(), (HotkeyCombo{15, 0xC0000}));
    model().setRewriteHotkey({17, 0xC0000});
    EXPECT_FALSE(model().hotkeysClash());
    EXPECT_EQ(store.rewriteHotkey(), (HotkeyCombo{17, 0xC0000}));
    EXPECT_EQ(hotkeyChanges, 2);
}

TEST_F(SettingsModelTest, PresetEditsAreSavedWholeAndFindTheirPresetById) {
    model().addPreset();
    model().addPreset();
    const QList<StylePreset> added = model().presets();
    ASSERT_EQ(added.size(), 5);
    EXPECT_EQ(added[3].name, u"New style"_s);
    EXPECT_EQ(added[4].name, u"New style"_s);
    EXPECT_NE(added[3].id, added[4].id);
    EXPECT_EQ(store.presets(), added);

    const QUuid id = added[3].id;
    model().renamePreset(id, QString());
    model().setPresetInstructions(id, u"Be terse."_s);
    model().movePreset(3, 0);
    EXPECT_EQ(store.presets().first(), (StylePreset{id, QString(), u"Be terse."_s}));
    model().removePreset(id);
    // An edit of a preset that is gone is dropped, not applied to whatever sits there now.
    model().renamePreset(id, u"Ghost"_s);
    EXPECT_EQ(store.presets(), added.mid(0, 3) + added.mid(4));
}

TEST_F(SettingsModelTest, ARefusedLaunchAtLoginSnapsBackUntilALaterSuccess) {
    loginItems.refuse(u"Permission denied"_s);
    model().setLaunchAtLogin(true);
    EXPECT_FALSE(model().launchAtLogin());
    EXPECT_EQ(model().launchAtLoginProblem(), SettingsModel::launchAtLoginRefused);
    EXPECT_EQ(loginItems.calls(), 1); // snapping back does not ask again
    EXPECT_FALSE(onDisk().contains(u"launchAtLogin"_s));

    loginItems.refuse(std::nullopt);
    model().setLaunchAtLogin(true);
    EXPECT_TRUE(loginItems.isEnabled());
    EXPECT_EQ(model().launchAtLoginProblem(), std::nullopt);
    EXPECT_EQ(onDisk().value(u"launchAtLogin"_s), QJsonValue(true));
}

TEST_F(SettingsModelTest, ReloadingPicksUpAHandEditAndRefreshPicksUpUsage) {
    model();
    store.setSoundEnabled(false);
    store.setInstructions(u"Hand edited."_s);
    store.recordUsage(mini, 200, 200);
    model().refreshUsage();
    EXPECT_EQ(model().usage().summary(), u"1 rewrite this month, under 1 cent in API costs."_s);
    EXPECT_TRUE(model().soundEnabled());
    model().reloadFromStore();
    EXPECT_FALSE(model().soundEnabled());
    EXPECT_EQ(model().instructions(), u"Hand edited."_s);
}

} // namespace
