#include "platform/x11/X11Keystrokes.h"

#include "platform/x11/X11KeyChoice.h"
#include "platform/x11/XcbSupport.h"

#include <xcb/xcb.h>
#include <xcb/xtest.h>

#include <algorithm>
#include <array>
#include <cstdlib>

namespace {

// Evdev positions (+8) of the keys on a US keyboard, for layouts without Latin letters.
constexpr std::uint8_t positionA = 38;
constexpr std::uint8_t positionC = 54;
constexpr std::uint8_t positionV = 55;
constexpr std::uint8_t positionControlL = 37;
constexpr int controlIndex = 2;
constexpr int lockIndex = 1;

using ModifierMap = std::array<std::vector<std::uint8_t>, 8>;
using KeyState = std::array<std::uint8_t, 32>;

bool isDown(const KeyState& keys, std::uint8_t keyCode) {
    return (keys[keyCode / 8] & (1U << (keyCode % 8))) != 0;
}

} // namespace

struct X11Keystrokes::Connection {
    XcbSupport::Connection xcb;
    bool hasXTest = false;

    xcb_connection_t* c() const { return xcb.get(); }

    ModifierMap modifierMap() const {
        ModifierMap map;
        xcb_get_modifier_mapping_reply_t* reply =
            xcb_get_modifier_mapping_reply(c(), xcb_get_modifier_mapping(c()), nullptr);
        if (reply == nullptr) {
            return map;
        }
        const xcb_keycode_t* codes = xcb_get_modifier_mapping_keycodes(reply);
        const int perModifier = reply->keycodes_per_modifier;
        for (int modifier = 0; modifier < 8; ++modifier) {
            for (int i = 0; i < perModifier; ++i) {
                if (const xcb_keycode_t code = codes[modifier * perModifier + i]; code != 0) {
                    map[static_cast<size_t>(modifier)].push_back(code);
                }
            }
        }
        std::free(reply); // NOLINT
        return map;
    }

    X11KeyChoice::KeyboardMapping keyboardMapping() const {
        const xcb_setup_t* setup = xcb_get_setup(c());
        X11KeyChoice::KeyboardMapping mapping;
        mapping.minKeyCode = setup->min_keycode;
        xcb_get_keyboard_mapping_reply_t* reply = xcb_get_keyboard_mapping_reply(
            c(),
            xcb_get_keyboard_mapping(
                c(), setup->min_keycode,
                static_cast<std::uint8_t>(setup->max_keycode - setup->min_keycode + 1)),
            nullptr);
        if (reply == nullptr) {
            return mapping;
        }
        mapping.keysymsPerKeyCode = reply->keysyms_per_keycode;
        const xcb_keysym_t* keysyms = xcb_get_keyboard_mapping_keysyms(reply);
        mapping.keysyms.assign(keysyms, keysyms + xcb_get_keyboard_mapping_keysyms_length(reply));
        std::free(reply); // NOLINT
        return mapping;
    }

    KeyState keyState() const {
        KeyState keys{};
        xcb_query_keymap_reply_t* reply =
            xcb_query_keymap_reply(c(), xcb_query_keymap(c()), nullptr);
        if (reply != nullptr) {
            std::copy(std::begin(reply->keys), std::end(reply->keys), keys.begin());
            std::free(reply); // NOLINT
        }
        return keys;
    }

    void fake(std::uint8_t type, std::uint8_t keyCode) const {
        xcb_test_fake_input(c(), type, keyCode, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
    }

    // Waits until the server has handled everything sent so far.
    void sync() const {
        std::free(xcb_get_input_focus_reply(c(), xcb_get_input_focus(c()), nullptr)); // NOLINT
    }
};

X11Keystrokes::X11Keystrokes()
    : m_connection(std::make_unique<Connection>()) {
    m_connection->xcb = XcbSupport::connect();
    if (!m_connection->xcb) {
        return;
    }
    xcb_test_get_version_reply_t* version = xcb_test_get_version_reply(
        m_connection->c(), xcb_test_get_version(m_connection->c(), 2, 2), nullptr);
    m_connection->hasXTest = version != nullptr;
    std::free(version); // NOLINT
}

X11Keystrokes::~X11Keystrokes() = default;

bool X11Keystrokes::isAvailable() const {
    return m_connection->hasXTest;
}

QCoro::Task<bool> X11Keystrokes::modifiersHeld() {
    if (!isAvailable()) {
        co_return false;
    }
    const auto job = [this] {
        const Connection& x = *m_connection;
        const ModifierMap map = x.modifierMap();
        const KeyState keys = x.keyState();
        for (int modifier = 0; modifier < 8; ++modifier) {
            const auto& codes = map[static_cast<size_t>(modifier)];
            // Caps Lock is a state, not a key being held.
            if (modifier != lockIndex &&
                std::any_of(codes.begin(), codes.end(),
                            [&keys](std::uint8_t code) { return isDown(keys, code); })) {
                return true;
            }
        }
        return false;
    };
    // A named job and future: GCC 12 destroys class-type temporaries inside a co_await
    // expression twice (GCC PR 100611).
    auto result = m_worker.start(job);
    co_return co_await result;
}

QCoro::Task<bool> X11Keystrokes::post(Command command) {
    if (!isAvailable()) {
        co_return false;
    }
    const auto job = [this, command] {
        const Connection& x = *m_connection;
        if (xcb_connection_has_error(x.c()) != 0) {
            return false;
        }
        const ModifierMap map = x.modifierMap();
        const KeyState keys = x.keyState();
        for (const int modifier : X11KeyChoice::releaseOrder()) {
            for (const std::uint8_t code : map[static_cast<size_t>(modifier)]) {
                if (isDown(keys, code)) {
                    x.fake(XCB_KEY_RELEASE, code);
                }
            }
        }

        const X11KeyChoice::KeyboardMapping mapping = x.keyboardMapping();
        std::uint8_t key = 0;
        switch (command) {
        case Command::copy:
            key = X11KeyChoice::keyCodeForLetter(mapping, 'c', positionC);
            break;
        case Command::selectAll:
            key = X11KeyChoice::keyCodeForLetter(mapping, 'a', positionA);
            break;
        case Command::paste:
            key = X11KeyChoice::keyCodeForLetter(mapping, 'v', positionV);
            break;
        }
        const auto& controls = map[controlIndex];
        const std::uint8_t control = controls.empty() ? positionControlL : controls.front();

        x.fake(XCB_KEY_PRESS, control);
        x.fake(XCB_KEY_PRESS, key);
        x.fake(XCB_KEY_RELEASE, key);
        x.fake(XCB_KEY_RELEASE, control);
        x.sync();
        return xcb_connection_has_error(x.c()) == 0;
    };
    // A named job and future: GCC 12 destroys class-type temporaries inside a co_await
    // expression twice (GCC PR 100611).
    auto result = m_worker.start(job);
    co_return co_await result;
}
