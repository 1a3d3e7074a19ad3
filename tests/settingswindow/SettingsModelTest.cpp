#include "settingswindow/SettingsWindowFixture.h"

#include <qcoro/qcorotask.h>

namespace {

using SettingsModelTest = SettingsWindowFixture;

// (The store's defaults are SettingsStoreTest's; that reopening the window shows new usage is
// the settings system test's.) Launch at login is read from the desktop.
TEST_F(SettingsModelTest, AFreshInstallationShowsTheDefaultsAndReloadingPicksUpAHandEdit) {
    loginItems.put(true);
    SettingsModel& m = model();
    QCoro::waitFor(keychain.apiKey()); // the model's own read has had its turn
    EXPECT_EQ(m.keyState(), KeyState::untested());
    EXPECT_TRUE(m.launchAtLogin());
    EXPECT_TRUE(onDisk().isEmpty()); // reading writes nothing

    store.setSoundEnabled(false);
    store.setInstructions(u"Hand edited."_s);
    EXPECT_TRUE(m.soundEnabled());
    m.reloadFromStore();
    EXPECT_FALSE(m.soundEnabled());
    EXPECT_EQ(m.instructions(), u"Hand edited."_s);
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
        bool openAI;      // the server is OpenAI's own, which always wants a key
        int modelsStatus; // the provider's answer to the key test; 0: not asked
        bool keyringRefuses;
        QList<KeyState> states;
        const char* stored; // nullptr: nothing stored
    };
    const KeyState empty = KeyState::failed(SettingsModel::emptyKeyProblem);
    const KeyState checking = KeyState::checking();
    const KeyState valid = KeyState::valid();
    const KeyState wantsKey = KeyState::failed(SettingsModel::serverWantsKey);
    const KeyState locked =
        KeyState::failed(u"Could not save to the keychain: The collection is locked."_s);
    // (A refused key, a model not offered and an empty key for a local server are tried through
    // the real window by the settings system test.)
    const Case cases[] = {
        {"empty field", u""_s, true, 0, false, {empty}, nullptr},
        {"only white space", u" \n\t"_s, true, 0, false, {empty}, nullptr},
        {"accepted, no models", u"sk-good\n"_s, false, 200, false, {checking, valid}, "sk-good"},
        {"a local server that wants a key", u""_s, false, 401, false, {checking, wantsKey}, ""},
        {"keyring refuses", u"sk-any"_s, false, 0, true, {locked}, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FakeSecretStore secretsHere;
        KeychainStore keychainHere(secretsHere);
        if (c.keyringRefuses) {
            secretsHere.failWrites(FakeSecretStore::Failure{5, u"The collection is locked."_s});
        }
        if (c.modelsStatus != 0) {
            provider.setModelsReply(FakeReply::answer(c.modelsStatus, "{}"));
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
                  c.stored ? std::optional<QByteArray>(c.stored) : std::nullopt);
    }
}

TEST_F(SettingsModelTest, PresetEditsAreSavedWholeAndFindTheirPresetById) {
    model().addPreset();
    model().addPreset();
    const QList<StylePreset> added = model().presets();
    ASSERT_EQ(added.size(), 5);
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

// (The message and the switch snapping back are the settings system test's.)
TEST_F(SettingsModelTest, ARefusedLaunchAtLoginSnapsBackUntilALaterSuccess) {
    loginItems.refuse(u"Permission denied"_s);
    model().setLaunchAtLogin(true);
    EXPECT_EQ(loginItems.calls(), 1); // snapping back does not ask again
    EXPECT_FALSE(onDisk().contains(u"launchAtLogin"_s));

    loginItems.refuse(std::nullopt);
    model().setLaunchAtLogin(true);
    EXPECT_TRUE(loginItems.isEnabled());
    EXPECT_EQ(model().launchAtLoginProblem(), std::nullopt);
    EXPECT_EQ(onDisk().value(u"launchAtLogin"_s), QJsonValue(true));
}

} // namespace
