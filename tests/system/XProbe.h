#pragma once

#include <cstdint>

struct xcb_connection_t;

// A second X client beside the one under test: it competes for grabs, looks at the keyboard's
// state and changes the modifier map, as other programs on the desktop would.
class XProbe {
public:
    XProbe();
    ~XProbe();
    XProbe(const XProbe&) = delete;
    XProbe& operator=(const XProbe&) = delete;

    bool isConnected() const;
    // A checked passive grab on the root window; false when the server refuses it.
    bool grabKey(std::uint8_t keyCode, std::uint16_t modifiers);
    void ungrabKey(std::uint8_t keyCode);
    // Whether an active keyboard grab is possible now, i.e. nobody else holds one.
    bool canGrabKeyboard();
    // The modifier and lock bits that are on right now.
    std::uint16_t lockState();
    // Moves the keys producing the keysym to modifier row `modifier` (0 Shift ... 7 Mod5).
    bool moveKeysymToModifier(std::uint32_t keysym, int modifier);

private:
    xcb_connection_t* m_connection = nullptr;
    std::uint32_t m_root = 0;
};
