#pragma once

// What this desktop session lets Palimo do, as the backends found it at start. A step that is
// false cannot happen here: Palimo says so once, and offers what the user can do instead,
// rather than attempting it.
struct SessionAbilities {
    bool globalShortcut = false; // Palimo can register its own system-wide shortcuts
    bool keystrokes = false;     // Copy and Paste can be pressed in the window the user is in
    bool clipboard = false;      // the clipboard can be read, put back and served in the background

    friend bool operator==(const SessionAbilities&, const SessionAbilities&) = default;
};
