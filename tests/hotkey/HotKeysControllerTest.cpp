#include "hotkey/HotKeysController.h"
#include "hotkey/HotKey.h"
#include "support/FakeHotKeyService.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

constexpr std::uint32_t controlOption = 0x1800;
constexpr std::int32_t notHandled = HotKeyService::eventNotHandled;

class HotKeysControllerTest : public ::testing::Test {
protected:
    void SetUp() override { HotKeysController::setService(&service); }
    void TearDown() override { HotKeysController::setService(nullptr); }
    std::int32_t send(std::uint32_t kind, std::uint32_t id,
                      std::uint32_t sig = HotKeysController::eventHotKeySignature) {
        return service.deliver({kind, {sig, id}});
    }

    FakeHotKeyService service;
    int presses = 0;
};

TEST_F(HotKeysControllerTest, RegistersUnderTheSignatureWithConsecutiveIds) {
    HotKey one(15, controlOption, [&] { ++presses; });
    const std::uint32_t n = *HotKeysController::hotKeyId(one);
    HotKey two(15, controlOption); // the desktop refuses it: only the first fires
    HotKey three(35, controlOption);
    EXPECT_EQ(HotKeysController::hotKeyId(two), n + 1);
    EXPECT_EQ(HotKeysController::hotKeyId(three), n + 2);
    EXPECT_EQ(service.active().size(), 2u);
    EXPECT_TRUE(one.isRegistered());
    EXPECT_EQ(two.registrationStatus(), HotKeyService::Status::alreadyTaken);
    EXPECT_FALSE(two.isRegistered());
    EXPECT_EQ(service.press(15, controlOption), 0);
    EXPECT_EQ(presses, 1);
    EXPECT_EQ(send(HotKeyService::pressedKind, n + 1), notHandled);
    EXPECT_EQ(service.handlerInstalls(), 1) << "one handler for every hot key";
}

TEST_F(HotKeysControllerTest, RefusedRegistrationKeepsItsEntryUntilDestroyed) {
    service.takeByAnotherApplication(15, controlOption);
    const std::size_t before = HotKeysController::entryCount();
    {
        HotKey taken(15, controlOption, [] {});
        EXPECT_EQ(HotKeysController::entryCount(), before + 1);
    }
    EXPECT_EQ(HotKeysController::entryCount(), before);
    EXPECT_TRUE(service.unregisteredHandles().empty());

    HotKeysController::setService(nullptr);
    HotKey unserved(Key::r, ModifierFlags(0xC0000));
    EXPECT_EQ(unserved.registrationStatus(), HotKeyService::Status::unavailable);
    EXPECT_FALSE(unserved.isRegistered());
}

TEST_F(HotKeysControllerTest, PauseUnregistersAndUnpauseRegistersUnderANewId) {
    HotKey hotKey(Key::r, ModifierFlags(0xC0000), [&] { ++presses; });
    const std::uint32_t oldId = *HotKeysController::hotKeyId(hotKey);
    const std::uint64_t oldHandle = service.active().at(0).handle;
    hotKey.setPaused(true);
    EXPECT_FALSE(hotKey.isRegistered());
    EXPECT_TRUE(service.active().empty());
    EXPECT_EQ(service.unregisteredHandles(), std::vector<std::uint64_t>{oldHandle});

    hotKey.setPaused(false);
    const std::uint32_t newId = *HotKeysController::hotKeyId(hotKey);
    EXPECT_GT(newId, oldId);
    EXPECT_EQ(send(HotKeyService::pressedKind, oldId), notHandled);
    EXPECT_EQ(service.press(15, controlOption), 0);
    EXPECT_EQ(presses, 1);
    // Unpausing a live hot key registers nothing again.
    const int calls = service.registerCalls();
    hotKey.setPaused(false);
    EXPECT_EQ(service.registerCalls(), calls);
    EXPECT_EQ(HotKeysController::hotKeyId(hotKey), newId);
}

TEST_F(HotKeysControllerTest, EventsWithoutALiveHandlerAreNotHandled) {
    std::unique_ptr<HotKey> selfDestroying;
    selfDestroying = std::make_unique<HotKey>(Key::r, ModifierFlags(0xC0000), [&] {
        ++presses;
        selfDestroying.reset(); // the handler may destroy its own hot key
    });
    EXPECT_EQ(service.press(15, controlOption), 0);
    EXPECT_EQ(presses, 1);
    EXPECT_TRUE(service.active().empty());

    int ups = 0;
    auto hotKey = std::make_unique<HotKey>(Key::p, ModifierFlags(0xC0000), [&] { ++presses; });
    const std::uint32_t id = *HotKeysController::hotKeyId(*hotKey);
    EXPECT_EQ(service.release(35, controlOption), notHandled);
    hotKey->setKeyUpHandler([&] { ++ups; });
    EXPECT_EQ(service.release(35, controlOption), 0);
    EXPECT_EQ(ups, 1);
    EXPECT_EQ(send(7, id), notHandled);
    EXPECT_EQ(send(HotKeyService::pressedKind, id, 0x41424344), notHandled);
    EXPECT_EQ(presses, 1);
    hotKey->setKeyDownHandler({});
    EXPECT_EQ(service.press(35, controlOption), notHandled);

    const std::size_t entries = HotKeysController::entryCount();
    hotKey.reset();
    EXPECT_EQ(HotKeysController::entryCount(), entries - 1);
    EXPECT_EQ(service.unregisteredHandles().size(), 2u);
    EXPECT_EQ(send(HotKeyService::pressedKind, id), notHandled);
}

} // namespace
