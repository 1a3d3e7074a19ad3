#include "shortcuts/HotkeyManager.h"
#include "hotkey/HotKeysController.h"
#include "settings/Preferences.h"
#include "settings/SettingsStore.h"
#include "support/FakeHotKeyService.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

constexpr std::uint32_t escapeCode = 53;

class HotkeyManagerTest : public ::testing::Test {
protected:
    HotkeyManagerTest() {
        HotKeysController::setService(&service);
        manager.setOnRewrite([this] { ++rewrites; });
        manager.setOnPrompt([this] { ++prompts; });
        manager.setOnEscape([this] { ++escapes; });
    }
    ~HotkeyManagerTest() override { HotKeysController::setService(nullptr); }

    TempHome home;
    Preferences preferences{Preferences::defaultFilePath()};
    SettingsStore settings{preferences};
    FakeHotKeyService service;
    HotkeyManager manager{settings};
    int rewrites = 0;
    int prompts = 0;
    int escapes = 0;
};

// Every reload replaces what was registered with what the settings hold, as far as it is safe to
// grab, and says what the desktop took; only presses are wired.
TEST_F(HotkeyManagerTest, ReloadRegistersTheSavedShortcutsThatAreSafeToGrab) {
    const auto unsafe = [](const QString& role, const QString& combo) {
        return "Did not register the " + role + " shortcut " + combo +
               u": without Ctrl, Alt or Super it would take that key from all typing. Record a "
               u"new one in Settings."_s;
    };
    const QString bareA = unsafe("rewrite", "A"), shiftP = unsafe("prompt", u"⇧P"_s);
    const struct {
        HotkeyCombo rewrite, prompt;
        int rewrites, prompts; // from pressing every registered combination once
        QStringList log;
    } cases[] = {
        // The same for both: the rewrite wins. An unknown code is still handed to the desktop.
        {{52, 0xC0000}, {52, 0xC0000}, 1, 0, {u"Hotkeys registered: ⌃⌥? rewrite."_s}},
        // Hand-edited: a bare A and Shift+P would take those keys from all typing.
        {{0, 0}, {35, 0x20000}, 0, 0, {bareA, shiftP, u"Hotkeys registered: none."_s}},
        {{0, 0}, {35, 0x120000}, 0, 1, {bareA, u"Hotkeys registered: ⇧⌘P prompt."_s}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.log.last().toStdString());
        settings.setRewriteHotkey(c.rewrite);
        settings.setPromptHotkey(c.prompt);
        const qsizetype logged = home.logLines().size();
        rewrites = prompts = 0;
        manager.reload();
        EXPECT_EQ(home.logLines().mid(logged), c.log);
        for (const auto& registered : std::vector(service.active)) {
            EXPECT_EQ(service.press(registered.keyCode, registered.modifiers), 0);
            EXPECT_EQ(service.release(registered.keyCode, registered.modifiers),
                      HotKeyService::eventNotHandled);
        }
        EXPECT_EQ(rewrites, c.rewrites);
        EXPECT_EQ(prompts, c.prompts);
    }
}

// (Letting go of Escape after a run is the feedback system test's: the key reaches the editor.)
TEST_F(HotkeyManagerTest, SuspensionUnregistersSilentlyAndEscapeOutlivesIt) {
    manager.reload();
    manager.setCancelKeyActive(true);
    const int calls = service.registerCalls;
    manager.setCancelKeyActive(true); // already armed
    manager.setSuspended(false);      // unchanged
    EXPECT_EQ(service.registerCalls, calls);

    manager.setSuspended(true);
    manager.reload();
    EXPECT_EQ(service.active.size(), 1u);
    EXPECT_EQ(service.press(escapeCode, 0), 0);
    EXPECT_EQ(escapes, 1);
    EXPECT_EQ(home.logLines().size(), 1);
    manager.setSuspended(false);
    EXPECT_EQ(service.active.size(), 3u);
    EXPECT_EQ(home.logLines().size(), 2);
}

// (A refused ⌃⌥R, left out of the line of what was registered, is the app system test's.)
TEST_F(HotkeyManagerTest, RefusedRegistrationIsReportedAsAnError) {
    service.takenElsewhere.insert({escapeCode, 0});
    manager.reload();
    manager.setCancelKeyActive(true);
    EXPECT_EQ(home.logLines().last(),
              u"Could not register ⎋: another application already uses it."_s);

    // Without callbacks nothing is registered, and the line says so.
    HotkeyManager bare(settings);
    bare.reload();
    bare.setCancelKeyActive(true);
    EXPECT_EQ(service.active.size(), 2u);
    EXPECT_EQ(home.logLines().last(), u"Hotkeys registered: none."_s);
}

} // namespace
