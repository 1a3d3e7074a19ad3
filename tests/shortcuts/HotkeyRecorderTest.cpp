#include "shortcuts/HotkeyRecorder.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

using Verdict = HotkeyRecorder::Verdict;

constexpr std::uint64_t shift = 0x20000, control = 0x40000, option = 0x80000, command = 0x100000;

struct Recorded {
    QList<HotkeyCombo> combos;
    QList<QString> events; // "combo", "recording on/off", "alert", in order
    HotkeyRecorder recorder{HotkeyRecorder::Callbacks{
        [this](HotkeyCombo combo) {
            combos << combo;
            events << u"combo"_s;
        },
        [this](bool on) { events << (on ? u"recording on"_s : u"recording off"_s); },
        [this] { events << u"alert"_s; }}};
};

TEST(HotkeyRecorderTest, EachPressIsJudgedByTheModifierRule) {
    const struct {
        std::optional<std::uint32_t> keyCode;
        std::uint64_t modifiers;
        Verdict verdict;
        std::optional<HotkeyCombo> stored = {};
        std::optional<QString> problem = {};
    } cases[] = {
        {0, shift, Verdict::rejected, {}, HotkeyRecorder::missingModifierProblem}, // Shift alone
        {0, shift | control, Verdict::accepted, HotkeyCombo{0, 0x60000}},
        // Caps lock and fn are held but not kept.
        {40, option | 0x10000 | 0x800000, Verdict::accepted, HotkeyCombo{40, option}},
        {15, command, Verdict::accepted, HotkeyCombo{15, command}},
        {53, control, Verdict::cancelled}, // Escape
        {59, control, Verdict::ignored},   // a modifier key on its way
        {std::nullopt, control, Verdict::rejected, {}, HotkeyRecorder::unknownKeyProblem},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.keyCode.value_or(999) << " with " << c.modifiers);
        Recorded r;
        r.recorder.start();
        EXPECT_EQ(r.recorder.keyPressed(c.keyCode, c.modifiers), c.verdict);
        EXPECT_EQ(r.combos, c.stored ? QList{*c.stored} : QList<HotkeyCombo>());
        EXPECT_EQ(r.recorder.problem(), c.problem);
        EXPECT_EQ(r.recorder.isRecording(),
                  c.verdict == Verdict::rejected || c.verdict == Verdict::ignored);
        EXPECT_EQ(r.events.contains(u"alert"_s), c.verdict == Verdict::rejected);
    }
}

TEST(HotkeyRecorderTest, TheOwnerHearsOfRecordingOnceEachWayAndGetsTheComboBeforeTheEnd) {
    Recorded r;
    EXPECT_EQ(r.recorder.keyPressed(15, control), Verdict::ignored); // not recording
    r.recorder.toggle();
    r.recorder.keyPressed(0, 0);
    r.recorder.toggle(); // a second click stops without a new combination
    r.recorder.stop();
    EXPECT_EQ(r.recorder.problem(), HotkeyRecorder::missingModifierProblem);
    r.recorder.start(); // a new recording clears the old message
    EXPECT_EQ(r.recorder.problem(), std::nullopt);
    r.recorder.keyPressed(15, control | option);
    // Stored while the shortcuts are still suspended, so resuming registers the new one.
    EXPECT_EQ(r.events, (QList<QString>{u"recording on"_s, u"alert"_s, u"recording off"_s,
                                        u"recording on"_s, u"combo"_s, u"recording off"_s}));
}

} // namespace
