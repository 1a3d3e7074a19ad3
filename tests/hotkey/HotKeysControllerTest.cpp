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

    FakeHotKeyService service;
};

TEST_F(HotKeysControllerTest, RegistersUnderTheSignatureWithConsecutiveIds) {
    EXPECT_EQ(HotKeysController::eventHotKeySignature, 0x5353486Bu);
    int first = 0;
    HotKey one(15, controlOption, [&] { ++first; });
    const std::uint32_t n = *HotKeysController::hotKeyId(one);
    HotKey two(15, controlOption);

    EXPECT_EQ(HotKeysController::hotKeyId(two), n + 1);
    EXPECT_EQ(HotKeysController::entryCount(), 2u);
    ASSERT_EQ(service.active().size(), 1u);
    EXPECT_EQ(service.active()[0].hotKeyId.signature, 0x5353486Bu);
    EXPECT_EQ(service.active()[0].hotKeyId.id, n);

    // The desktop refuses the second one; only the first fires.
    EXPECT_TRUE(one.isRegistered());
    EXPECT_FALSE(two.isRegistered());
    EXPECT_EQ(two.registrationStatus(), HotKeyService::Status::alreadyTaken);
    EXPECT_EQ(service.press(15, controlOption), 0);
    EXPECT_EQ(first, 1);
    EXPECT_EQ(service.deliver({HotKeyService::pressedKind, {0x5353486B, n + 1}}), notHandled);
    EXPECT_EQ(service.handlerInstalls(), 1);
}

TEST_F(HotKeysControllerTest, RefusedRegistrationKeepsItsEntryUntilDestroyed) {
    service.takeByAnotherApplication(15, controlOption);
    const std::size_t before = HotKeysController::entryCount();
    {
        HotKey taken(15, controlOption, [] {});
        EXPECT_FALSE(taken.isRegistered());
        EXPECT_EQ(taken.registrationFailure(), "another application already uses it");
        EXPECT_EQ(HotKeysController::entryCount(), before + 1);
        EXPECT_EQ(service.handlerInstalls(), 0);
    }
    EXPECT_EQ(HotKeysController::entryCount(), before);
    EXPECT_TRUE(service.unregisteredHandles().empty());
}

TEST_F(HotKeysControllerTest, PauseUnregistersAndUnpauseRegistersUnderANewId) {
    int presses = 0;
    HotKey hotKey(Key::r, ModifierFlags(0xC0000), [&] { ++presses; });
    const std::uint32_t oldId = *HotKeysController::hotKeyId(hotKey);
    const std::uint64_t oldHandle = service.active().at(0).handle;

    hotKey.setPaused(true);
    EXPECT_FALSE(hotKey.isRegistered());
    EXPECT_TRUE(service.active().empty());
    EXPECT_EQ(service.unregisteredHandles(), std::vector<std::uint64_t>{oldHandle});
    EXPECT_FALSE(HotKeysController::hotKeyId(hotKey).has_value());

    hotKey.setPaused(false);
    const std::uint32_t newId = *HotKeysController::hotKeyId(hotKey);
    EXPECT_GT(newId, oldId);
    EXPECT_TRUE(hotKey.isRegistered());
    EXPECT_EQ(service.deliver({HotKeyService::pressedKind, {0x5353486B, oldId}}), notHandled);
    EXPECT_EQ(presses, 0);
    EXPECT_EQ(service.press(15, controlOption), 0);
    EXPECT_EQ(presses, 1);

    // Unpausing a live hot key is harmless: no second registration, same id.
    const int calls = service.registerCalls();
    hotKey.setPaused(false);
    EXPECT_EQ(service.registerCalls(), calls);
    EXPECT_EQ(HotKeysController::hotKeyId(hotKey), newId);
}

TEST_F(HotKeysControllerTest, ReleaseWithoutHandlerIsNotHandledWhilePressIs) {
    int downs = 0;
    int ups = 0;
    HotKey hotKey(Key::p, ModifierFlags(0xC0000), [&] { ++downs; });
    EXPECT_EQ(service.press(35, controlOption), 0);
    EXPECT_EQ(service.release(35, controlOption), notHandled);

    hotKey.setKeyUpHandler([&] { ++ups; });
    EXPECT_EQ(service.release(35, controlOption), 0);
    EXPECT_EQ(downs, 1);
    EXPECT_EQ(ups, 1);

    hotKey.setKeyDownHandler({});
    EXPECT_EQ(service.press(35, controlOption), notHandled);
    const std::uint32_t id = *HotKeysController::hotKeyId(hotKey);
    EXPECT_EQ(service.deliver({7, {0x5353486B, id}}), notHandled);
}

TEST_F(HotKeysControllerTest, ForeignSignatureAndDestroyedHotKeysAreNotHandled) {
    int presses = 0;
    auto hotKey = std::make_unique<HotKey>(Key::escape, ModifierFlags(), [&] { ++presses; });
    const std::uint32_t id = *HotKeysController::hotKeyId(*hotKey);
    const std::uint64_t handle = service.active().at(0).handle;
    const std::size_t entries = HotKeysController::entryCount();

    EXPECT_EQ(service.deliver({HotKeyService::pressedKind, {0x41424344, id}}), notHandled);
    EXPECT_EQ(presses, 0);

    hotKey.reset();
    EXPECT_EQ(HotKeysController::entryCount(), entries - 1);
    EXPECT_EQ(service.unregisteredHandles(), std::vector<std::uint64_t>{handle});
    EXPECT_EQ(service.deliver({HotKeyService::pressedKind, {0x5353486B, id}}), notHandled);
    EXPECT_EQ(presses, 0);
}

TEST_F(HotKeysControllerTest, HandlerMayDestroyItsOwnHotKey) {
    std::unique_ptr<HotKey> hotKey;
    int presses = 0;
    hotKey = std::make_unique<HotKey>(Key::r, ModifierFlags(0xC0000), [&] {
        ++presses;
        hotKey.reset();
    });
    EXPECT_EQ(service.press(15, controlOption), 0);
    EXPECT_EQ(presses, 1);
    EXPECT_EQ(hotKey, nullptr);
    EXPECT_TRUE(service.active().empty());
}

TEST(HotKeysControllerWithoutServiceTest, RegistrationFailsAsUnavailable) {
    HotKeysController::setService(nullptr);
    HotKey hotKey(Key::r, ModifierFlags(0xC0000));
    EXPECT_FALSE(hotKey.isRegistered());
    EXPECT_EQ(hotKey.registrationStatus(), HotKeyService::Status::unavailable);
    EXPECT_FALSE(hotKey.registrationFailure().isEmpty());
}

} // namespace
