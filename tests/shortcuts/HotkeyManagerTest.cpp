#include "shortcuts/HotkeyManager.h"
#include "hotkey/HotKeysController.h"
#include "settings/Preferences.h"
#include "settings/SettingsStore.h"
#include "support/FakeHotKeyService.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

constexpr std::uint32_t controlOption = 0x1800; // registration mask of 0xC0000
constexpr std::uint32_t escapeCode = 53;

class HotkeyManagerTest : public ::testing::Test {
protected:
    void SetUp() override {
        HotKeysController::setService(&service);
        manager.setOnRewrite([this] { ++rewrites; });
        manager.setOnPrompt([this] { ++prompts; });
        manager.setOnEscape([this] { ++escapes; });
    }
    void TearDown() override { HotKeysController::setService(nullptr); }

    static QStringList logLines() { return TempHome::logLines(); }

    TempHome home;
    Preferences preferences{Preferences::defaultFilePath()};
    SettingsStore settings{preferences};
    FakeHotKeyService service;
    HotkeyManager manager{settings};
    int rewrites = 0;
    int prompts = 0;
    int escapes = 0;
};

TEST_F(HotkeyManagerTest, RegistersTheSavedShortcutsAtEveryReload) {
    manager.reload();
    EXPECT_EQ(service.press(15, controlOption), 0);
    EXPECT_EQ(service.press(35, controlOption), 0);
    EXPECT_EQ(rewrites, 1);
    EXPECT_EQ(prompts, 1);
    // Only presses are wired.
    EXPECT_EQ(service.release(15, controlOption), HotKeyService::eventNotHandled);

    settings.setRewriteHotkey({14, 0x40000 | 0x20000}); // control+shift+E
    manager.reload();
    EXPECT_EQ(service.active().size(), 2u);
    EXPECT_FALSE(service.find(15, controlOption).has_value());
    EXPECT_EQ(service.press(14, 0x1000 | 0x200), 0);
    EXPECT_EQ(rewrites, 2);
    EXPECT_EQ(logLines(), (QStringList{u"Hotkeys registered: ⌃⌥R rewrite, ⌃⌥P prompt."_s,
                                       u"Hotkeys registered: ⌃⇧E rewrite, ⌃⌥P prompt."_s}));
}

TEST_F(HotkeyManagerTest, PromptEqualToRewriteIsDroppedAndUnknownKeysShowAQuestionMark) {
    settings.setRewriteHotkey({52, 0xC0000});
    settings.setPromptHotkey({52, 0xC0000});
    manager.reload();
    // The unknown code is still handed to the desktop; only the rewrite one exists.
    ASSERT_EQ(service.active().size(), 1u);
    EXPECT_EQ(manager.promptHotKey(), nullptr);
    EXPECT_EQ(service.press(52, controlOption), 0);
    EXPECT_EQ(rewrites, 1);
    EXPECT_EQ(prompts, 0);
    EXPECT_EQ(logLines(), QStringList{u"Hotkeys registered: ⌃⌥? rewrite."_s});
}

TEST_F(HotkeyManagerTest, SuspensionUnregistersSilentlyAndEscapeOutlivesIt) {
    manager.reload();
    manager.setCancelKeyActive(true);
    const HotKey* escape = manager.escapeHotKey();
    manager.setCancelKeyActive(true);
    EXPECT_EQ(manager.escapeHotKey(), escape) << "armed twice";
    const int calls = service.registerCalls();
    manager.setSuspended(false); // unchanged: nothing happens
    EXPECT_EQ(service.registerCalls(), calls);

    manager.setSuspended(true);
    manager.reload();
    EXPECT_EQ(service.active().size(), 1u);
    EXPECT_EQ(service.press(escapeCode, 0), 0);
    EXPECT_EQ(escapes, 1);
    EXPECT_EQ(logLines().size(), 1);
    manager.setSuspended(false);
    EXPECT_EQ(service.active().size(), 3u);
    EXPECT_EQ(logLines().size(), 2);

    manager.setCancelKeyActive(false);
    EXPECT_FALSE(service.find(escapeCode, 0).has_value());
    EXPECT_EQ(manager.escapeHotKey(), nullptr);
}

TEST_F(HotkeyManagerTest, RefusedRegistrationIsReportedAsAnError) {
    service.takeByAnotherApplication(15, controlOption);
    service.takeByAnotherApplication(escapeCode, 0);
    manager.reload();
    manager.setCancelKeyActive(true);
    EXPECT_FALSE(manager.rewriteHotKey()->isRegistered());
    EXPECT_TRUE(manager.promptHotKey()->isRegistered());
    EXPECT_EQ(logLines(),
              (QStringList{u"Could not register ⌃⌥R: another application already uses it."_s,
                           u"Hotkeys registered: ⌃⌥P prompt."_s,
                           u"Could not register ⎋: another application already uses it."_s}));

    // Without callbacks nothing is registered, and the line says so.
    HotkeyManager bare(settings);
    bare.reload();
    bare.setCancelKeyActive(true);
    EXPECT_EQ(service.active().size(), 1u);
    EXPECT_EQ(logLines().last(), u"Hotkeys registered: none."_s);
}

} // namespace

TEST_F(HotkeyManagerTest, HandEditedShortcutWithoutCtrlAltOrSuperIsNotGrabbed) {
    settings.setRewriteHotkey({0, 0});       // a bare A
    settings.setPromptHotkey({35, 0x20000}); // Shift+P
    manager.reload();
    EXPECT_TRUE(service.active().empty());
    EXPECT_EQ(manager.rewriteHotKey(), nullptr);
    EXPECT_EQ(manager.promptHotKey(), nullptr);
    EXPECT_EQ(logLines()
                  .filter(u"without Ctrl, Alt or Super it would take that key from all "
                          u"typing. Record a new one in Settings."_s)
                  .size(),
              2);
    settings.setPromptHotkey({35, 0x100000 | 0x20000}); // Super+Shift+P is fine
    manager.reload();
    EXPECT_EQ(service.active().size(), 1u);
}
