// The pure parts of the Linux backends: which key a shortcut is posted on, in which order held
// modifiers are let go, which clipboard targets are bookkeeping, and how AT-SPI roles read.
#include "platform/atspi/AtspiRoles.h"
#include "platform/x11/ClipboardReader.h"
#include "platform/x11/X11KeyChoice.h"

#include <atspi/atspi-constants.h>

#include <gtest/gtest.h>

namespace {

// A mapping with two columns (one group, two levels) per key code from 8 on.
X11KeyChoice::KeyboardMapping mapping(const std::vector<std::pair<int, std::uint32_t>>& keys,
                                      int perKey = 2) {
    X11KeyChoice::KeyboardMapping m;
    m.minKeyCode = 8;
    m.keysymsPerKeyCode = perKey;
    m.keysyms.assign(static_cast<size_t>(248 * perKey), 0);
    for (const auto& [code, keysym] : keys) {
        m.keysyms[static_cast<size_t>((code - 8) * perKey)] = keysym;
    }
    return m;
}

} // namespace

TEST(X11KeyChoice, LetterKeyFollowsTheLayoutAndFallsBackToThePosition) {
    // US: C is at its usual place.
    EXPECT_EQ(X11KeyChoice::keyCodeForLetter(mapping({{54, 'c'}, {55, 'v'}}), 'c', 54), 54);
    // Dvorak: the key labelled C sits where QWERTY has I; applications match Ctrl+C there.
    EXPECT_EQ(X11KeyChoice::keyCodeForLetter(mapping({{31, 'c'}, {54, 'j'}}), 'c', 54), 31);
    // Upper-case keysym on the first level (some layouts list it so).
    EXPECT_EQ(X11KeyChoice::keyCodeForLetter(mapping({{40, 'C'}}), 'c', 54), 40);
    // Russian only: no Latin letter anywhere, so the US position (applications fall back to it).
    EXPECT_EQ(X11KeyChoice::keyCodeForLetter(mapping({{54, 0x6d3}}), 'c', 54), 54);
    // Russian first, US second: group 2's C wins over any lookalike in group 1.
    auto twoGroups = mapping({{54, 0x6d3}}, 4);
    twoGroups.keysyms[(54 - 8) * 4 + 2] = 'c';
    EXPECT_EQ(X11KeyChoice::keyCodeForLetter(twoGroups, 'c', 54), 54);
    // An empty mapping (the server did not answer).
    EXPECT_EQ(X11KeyChoice::keyCodeForLetter({}, 'v', 55), 55);
}

TEST(X11KeyChoice, AltIsReleasedBeforeControlAndControlLast) {
    const std::vector<int>& order = X11KeyChoice::releaseOrder();
    ASSERT_EQ(order.size(), 8U);
    const auto position = [&](int modifier) {
        return std::find(order.begin(), order.end(), modifier) - order.begin();
    };
    EXPECT_LT(position(3), position(2)); // Mod1 (Alt) before Control
    EXPECT_EQ(order.back(), 2);          // Control last
}

TEST(ClipboardTargets, BookkeepingTargetsAreNotSaved) {
    for (const char* target : {"TARGETS", "MULTIPLE", "TIMESTAMP", "SAVE_TARGETS", "DELETE",
                               "PIXMAP", "INSERT_SELECTION"}) {
        EXPECT_TRUE(ClipboardReader::isProtocolTarget(target)) << target;
    }
    for (const char* target : {"UTF8_STRING", "text/plain", "text/html", "image/png",
                               "text/uri-list", "x-special/gnome-copied-files", "STRING"}) {
        EXPECT_FALSE(ClipboardReader::isProtocolTarget(target)) << target;
    }
}

TEST(AtspiRoles, TextRolesMapToTheEditableAxNames) {
    using AtspiRoles::axRole;
    EXPECT_EQ(axRole({ATSPI_ROLE_TEXT, false, true, "text"}), "AXTextField");
    EXPECT_EQ(axRole({ATSPI_ROLE_TEXT, true, true, "text"}), "AXTextArea");
    EXPECT_EQ(axRole({ATSPI_ROLE_ENTRY, false, true, "entry"}), "AXTextField");
    EXPECT_EQ(axRole({ATSPI_ROLE_COMBO_BOX, false, false, "combo box"}), "AXComboBox");
    EXPECT_EQ(axRole({ATSPI_ROLE_PARAGRAPH, true, true, "paragraph"}), "AXTextArea");
    EXPECT_EQ(axRole({ATSPI_ROLE_PARAGRAPH, true, false, "paragraph"}), "AXParagraph");
    // A password field is never a text field, whatever its states say.
    EXPECT_EQ(axRole({ATSPI_ROLE_PASSWORD_TEXT, false, true, "password text"}),
              "AXSecureTextField");
    EXPECT_EQ(axRole({ATSPI_ROLE_TERMINAL, true, false, "terminal"}), "AXTerminal");
    EXPECT_EQ(axRole({ATSPI_ROLE_PUSH_BUTTON, false, false, "push button"}), "AXButton");
    EXPECT_EQ(axRole({ATSPI_ROLE_TOOL_TIP, false, false, "tool tip"}), "AXToolTip");
    EXPECT_EQ(axRole({9999, false, false, ""}), "AXUnknown");
}
