#include "hotkey/HotKeysController.h"
#include "hotkey/HotKey.h"
#include "support/FakeHotKeyService.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

constexpr std::uint32_t controlOption = 0x1800; // the registration bits of Ctrl+Alt
constexpr std::int32_t notHandled = HotKeyService::eventNotHandled;

class HotKeysControllerTest : public ::testing::Test {
protected:
    HotKeysControllerTest() { HotKeysController::setService(&service); }
    ~HotKeysControllerTest() override { HotKeysController::setService(nullptr); }
    std::int32_t send(std::uint32_t kind, std::uint32_t id,
                      std::uint32_t sig = HotKeysController::eventHotKeySignature) {
        return service.deliver({kind, {sig, id}});
    }

    FakeHotKeyService service;
    int presses = 0;
};

// A combination the desktop refuses (here: the one Palimo already holds) never fires and never
// counts as registered; destroying it unregisters nothing and leaves no entry behind.
TEST_F(HotKeysControllerTest, OnlyWhatTheDesktopAcceptedFires) {
    const std::size_t entries = HotKeysController::entryCount();
    HotKey one(15, controlOption, [&] { ++presses; });
    {
        HotKey two(15, controlOption, [&] { presses += 10; });
        HotKey three(35, controlOption);
        EXPECT_EQ(two.registrationStatus(), HotKeyService::Status::alreadyTaken);
        EXPECT_EQ(service.press(15, controlOption), 0);
        EXPECT_EQ(presses, 1);
    }
    EXPECT_EQ(service.unregistered.size(), 1u) << "only three had a registration to undo";
    EXPECT_EQ(HotKeysController::entryCount(), entries + 1);

    HotKeysController::setService(nullptr);
    HotKey unserved(Key::r, ModifierFlags(0xC0000));
    EXPECT_EQ(unserved.registrationStatus(), HotKeyService::Status::unavailable);
    EXPECT_FALSE(unserved.isRegistered());
}

// Pausing gives the registration back; unpausing registers again under a new id, so an event
// still carrying the old one reaches nothing. Unpausing a live hot key registers nothing again.
TEST_F(HotKeysControllerTest, PauseUnregistersAndUnpauseRegistersUnderANewId) {
    HotKey hotKey(Key::r, ModifierFlags(0xC0000), [&] { ++presses; });
    const std::uint32_t oldId = *HotKeysController::hotKeyId(hotKey);
    hotKey.setPaused(true);
    EXPECT_TRUE(service.active.empty());
    hotKey.setPaused(false);
    hotKey.setPaused(false);
    EXPECT_EQ(service.registerCalls, 2);
    EXPECT_EQ(send(HotKeyService::pressedKind, oldId), notHandled);
    EXPECT_EQ(service.press(15, controlOption), 0);
    EXPECT_EQ(presses, 1);
}

TEST_F(HotKeysControllerTest, EventsWithoutALiveHandlerAreNotHandled) {
    std::unique_ptr<HotKey> selfDestroying;
    selfDestroying = std::make_unique<HotKey>(Key::r, ModifierFlags(0xC0000), [&] {
        ++presses;
        selfDestroying.reset(); // the handler may destroy its own hot key
    });
    EXPECT_EQ(service.press(15, controlOption), 0);
    EXPECT_EQ(presses, 1);
    EXPECT_TRUE(service.active.empty());

    int ups = 0;
    auto hotKey = std::make_unique<HotKey>(Key::p, ModifierFlags(0xC0000), [&] { ++presses; });
    const std::uint32_t id = *HotKeysController::hotKeyId(*hotKey);
    hotKey->setKeyUpHandler([&] { ++ups; });
    EXPECT_EQ(service.release(35, controlOption), 0);
    EXPECT_EQ(ups, 1);
    EXPECT_EQ(send(7, id), notHandled);
    EXPECT_EQ(send(HotKeyService::pressedKind, id, 0x41424344), notHandled);
    EXPECT_EQ(presses, 1);
    hotKey.reset();
    EXPECT_EQ(send(HotKeyService::pressedKind, id), notHandled);
}

} // namespace
