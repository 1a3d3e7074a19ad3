#include "platform/atspi/AtspiRoles.h"
#include "platform/x11/ClipboardReader.h"
#include "platform/x11/X11KeyChoice.h"
#include "platform/x11/X11ModifierMask.h"
#include "platform/x11/XcbSupport.h"

#include <atspi/atspi-constants.h>

#include <gtest/gtest.h>

TEST(X11KeyChoice, LetterKeyFollowsTheLayoutAndFallsBackToThePosition) {
    // One keysym per level, `perKey` levels per key code, from key code 8 on.
    const auto mapping = [](const std::vector<std::pair<int, std::uint32_t>>& keys, int perKey) {
        X11KeyChoice::KeyboardMapping m{8, perKey, std::vector<std::uint32_t>(248 * perKey, 0)};
        for (const auto& [index, keysym] : keys) {
            m.keysyms[static_cast<size_t>(index)] = keysym;
        }
        return m;
    };
    // Dvorak: the key labelled C sits where QWERTY has I; applications match Ctrl+C there.
    EXPECT_EQ(X11KeyChoice::keyCodeForLetter(mapping({{(31 - 8) * 2, 'c'}}, 2), 'c', 54), 31);
    // Russian only: no Latin letter anywhere, so the US position (applications fall back to it).
    EXPECT_EQ(X11KeyChoice::keyCodeForLetter(mapping({{(54 - 8) * 2, 0x6d3}}, 2), 'c', 54), 54);
    // Russian first, US second: group 2's C wins over any lookalike in group 1.
    const auto twoGroups = mapping({{(54 - 8) * 4, 0x6d3}, {(54 - 8) * 4 + 2, 'c'}}, 4);
    EXPECT_EQ(X11KeyChoice::keyCodeForLetter(twoGroups, 'c', 54), 54);
    EXPECT_EQ(X11KeyChoice::keyCodeForLetter({}, 'v', 55), 55); // the server did not answer
}

TEST(X11KeyChoice, AltIsReleasedBeforeControlAndControlLast) {
    const std::vector<int>& order = X11KeyChoice::releaseOrder();
    ASSERT_EQ(order.size(), 8U);
    EXPECT_LT(std::find(order.begin(), order.end(), 3), order.end() - 1); // Mod1 (Alt) before
    EXPECT_EQ(order.back(), 2);                                           // Control, last
}

// The clipboard system test's owners offer the other bookkeeping targets and the data ones; none
// offers these two, and asking for DELETE deletes the owner's selection.
TEST(ClipboardTargets, BookkeepingTargetsAreNotSaved) {
    EXPECT_TRUE(ClipboardReader::isProtocolTarget("SAVE_TARGETS"));
    EXPECT_TRUE(ClipboardReader::isProtocolTarget("DELETE"));
}

TEST(AtspiRoles, TextRolesMapToTheEditableAxNames) {
    using AtspiRoles::axRole;
    EXPECT_EQ(axRole({ATSPI_ROLE_TEXT, false, true, "text"}), "AXTextField");
    EXPECT_EQ(axRole({ATSPI_ROLE_TEXT, true, true, "text"}), "AXTextArea");
    // Read-only text and a fixed choice are no fields to take whole.
    EXPECT_EQ(axRole({ATSPI_ROLE_TEXT, true, false, "text", true}), "AXStaticText");
    EXPECT_EQ(axRole({ATSPI_ROLE_ENTRY, false, false, "entry", true}), "AXStaticText");
    // Not said to be read-only: a field whose editable state is not reported (yet) stays one.
    EXPECT_EQ(axRole({ATSPI_ROLE_TEXT, false, false, "text"}), "AXTextField");
    EXPECT_EQ(axRole({ATSPI_ROLE_COMBO_BOX, false, true, "combo box"}), "AXComboBox");
    EXPECT_EQ(axRole({ATSPI_ROLE_COMBO_BOX, false, false, "combo box"}), "AXPopUpButton");
    EXPECT_EQ(axRole({ATSPI_ROLE_PARAGRAPH, true, true, "paragraph"}), "AXTextArea");
    EXPECT_EQ(axRole({ATSPI_ROLE_PARAGRAPH, true, false, "paragraph"}), "AXParagraph");
    // Roles without an AX name of their own are named after the AT-SPI name.
    EXPECT_EQ(axRole({ATSPI_ROLE_TOOL_TIP, false, false, "tool tip"}), "AXToolTip");
    EXPECT_EQ(axRole({9999, false, false, ""}), "AXUnknown");
}

TEST(X11ModifierMaskTest, FlagsMapOntoControlAltShiftSuperAndBack) {
    const std::pair<std::uint64_t, std::uint16_t> bits[] = {{ModifierFlag::control, 0x04},
                                                            {ModifierFlag::option, 0x08},
                                                            {ModifierFlag::shift, 0x01},
                                                            {ModifierFlag::command, 0x40}};
    for (unsigned subset = 0; subset < 16; ++subset) {
        std::uint64_t flags = 0;
        std::uint16_t mask = 0;
        for (unsigned bit = 0; bit < 4; ++bit) {
            flags |= (subset >> bit & 1u) != 0 ? bits[bit].first : 0;
            mask |= (subset >> bit & 1u) != 0 ? bits[bit].second : 0;
        }
        EXPECT_EQ(X11ModifierMask::fromModifierFlags(ModifierFlags(flags)), mask) << flags;
        EXPECT_EQ(X11ModifierMask::toModifierFlags(mask), ModifierFlags(flags)) << mask;
    }
    // Caps lock and the other flags never turn into a lock or Num Lock bit, nor back.
    EXPECT_EQ(X11ModifierMask::fromModifierFlags(ModifierFlags(0x10000 | 0x200000 | 0x800000)), 0);
    EXPECT_EQ(X11ModifierMask::toModifierFlags(0x02 | 0x10 | 0x20 | 0x80), ModifierFlags());
}

// Server time wraps after 49.7 days; a request made just after the wrap is still newer.
TEST(XcbTimeTest, ComparisonSurvivesTheWrap) {
    const std::tuple<std::uint32_t, std::uint32_t, bool> rows[] = {
        {1000, 1000, true},     {1001, 1000, true},      {999, 1000, false},
        {5, 0xfffffff0u, true}, {0xfffffff0u, 5, false}, {0x7fffffffu, 0, true}};
    for (const auto& [time, since, atOrAfter] : rows) {
        EXPECT_EQ(XcbSupport::isAtOrAfter(time, since), atOrAfter) << time << " vs " << since;
    }
}
