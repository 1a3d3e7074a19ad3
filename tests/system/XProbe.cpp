#include "system/XProbe.h"

#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>

#include <QThread>

#include <cstdlib>
#include <memory>
#include <vector>

namespace {

struct FreeDeleter {
    void operator()(void* pointer) const { std::free(pointer); }
};
template <typename T> using Reply = std::unique_ptr<T, FreeDeleter>;

std::vector<xcb_keycode_t> keyCodesOf(xcb_connection_t* connection, std::uint32_t keysym) {
    std::vector<xcb_keycode_t> result;
    xcb_key_symbols_t* symbols = xcb_key_symbols_alloc(connection);
    const Reply<xcb_keycode_t> codes(xcb_key_symbols_get_keycode(symbols, keysym));
    for (const xcb_keycode_t* code = codes.get(); code && *code != XCB_NO_SYMBOL; ++code) {
        result.push_back(*code);
    }
    xcb_key_symbols_free(symbols);
    return result;
}

} // namespace

XProbe::XProbe() {
    int screenNumber = 0;
    m_connection = xcb_connect(nullptr, &screenNumber);
    if (xcb_connection_has_error(m_connection) != 0) {
        return;
    }
    xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(m_connection));
    for (int index = 0; index < screenNumber; ++index) {
        xcb_screen_next(&screens);
    }
    m_root = screens.data->root;
}

XProbe::~XProbe() {
    xcb_disconnect(m_connection);
}

bool XProbe::isConnected() const {
    return xcb_connection_has_error(m_connection) == 0 && m_root != 0;
}

bool XProbe::grabKey(std::uint8_t keyCode, std::uint16_t modifiers) {
    const Reply<xcb_generic_error_t> error(xcb_request_check(
        m_connection, xcb_grab_key_checked(m_connection, 0, m_root, modifiers, keyCode,
                                           XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC)));
    return !error;
}

void XProbe::ungrabKey(std::uint8_t keyCode) {
    xcb_ungrab_key(m_connection, keyCode, m_root, XCB_MOD_MASK_ANY);
    // A round trip, so the server has let go before anyone else asks for the key.
    std::free(xcb_get_input_focus_reply(m_connection, xcb_get_input_focus(m_connection), nullptr));
}

bool XProbe::canGrabKeyboard() {
    const Reply<xcb_grab_keyboard_reply_t> reply(
        xcb_grab_keyboard_reply(m_connection,
                                xcb_grab_keyboard(m_connection, 0, m_root, XCB_CURRENT_TIME,
                                                  XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC),
                                nullptr));
    const bool granted = reply && reply->status == XCB_GRAB_STATUS_SUCCESS;
    if (granted) {
        xcb_ungrab_keyboard(m_connection, XCB_CURRENT_TIME);
        xcb_flush(m_connection);
    }
    return granted;
}

std::uint16_t XProbe::lockState() {
    const Reply<xcb_query_pointer_reply_t> reply(
        xcb_query_pointer_reply(m_connection, xcb_query_pointer(m_connection, m_root), nullptr));
    return reply ? static_cast<std::uint16_t>(reply->mask & 0xFF) : 0;
}

std::uint16_t XProbe::modifierMaskOfKeysym(std::uint32_t keysym) {
    const std::vector<xcb_keycode_t> codes = keyCodesOf(m_connection, keysym);
    const Reply<xcb_get_modifier_mapping_reply_t> mapping(xcb_get_modifier_mapping_reply(
        m_connection, xcb_get_modifier_mapping(m_connection), nullptr));
    const xcb_keycode_t* rows = xcb_get_modifier_mapping_keycodes(mapping.get());
    const int perModifier = mapping->keycodes_per_modifier;
    for (int modifier = 0; modifier < 8; ++modifier) {
        for (int column = 0; column < perModifier; ++column) {
            for (const xcb_keycode_t code : codes) {
                if (rows[modifier * perModifier + column] == code) {
                    return static_cast<std::uint16_t>(1u << modifier);
                }
            }
        }
    }
    return 0;
}

bool XProbe::moveKeysymToModifier(std::uint32_t keysym, int modifier) {
    const std::vector<xcb_keycode_t> codes = keyCodesOf(m_connection, keysym);
    const Reply<xcb_get_modifier_mapping_reply_t> mapping(xcb_get_modifier_mapping_reply(
        m_connection, xcb_get_modifier_mapping(m_connection), nullptr));
    if (!mapping || codes.empty()) {
        return false;
    }
    const int oldPer = mapping->keycodes_per_modifier;
    const int newPer = oldPer + static_cast<int>(codes.size());
    const xcb_keycode_t* rows = xcb_get_modifier_mapping_keycodes(mapping.get());
    std::vector<xcb_keycode_t> table(static_cast<std::size_t>(8 * newPer), 0);
    for (int row = 0; row < 8; ++row) {
        int column = 0;
        for (int old = 0; old < oldPer; ++old) {
            const xcb_keycode_t code = rows[row * oldPer + old];
            bool moving = false;
            for (const xcb_keycode_t candidate : codes) {
                moving = moving || candidate == code;
            }
            if (code != 0 && !moving) {
                table[static_cast<std::size_t>(row * newPer + column++)] = code;
            }
        }
        if (row == modifier) {
            for (const xcb_keycode_t code : codes) {
                table[static_cast<std::size_t>(row * newPer + column++)] = code;
            }
        }
    }
    // The server answers Busy while a key of the old or new map is down; ask again briefly.
    for (int attempt = 0; attempt < 50; ++attempt) {
        const Reply<xcb_set_modifier_mapping_reply_t> reply(xcb_set_modifier_mapping_reply(
            m_connection,
            xcb_set_modifier_mapping(m_connection, static_cast<std::uint8_t>(newPer), table.data()),
            nullptr));
        if (reply && reply->status == XCB_MAPPING_STATUS_SUCCESS) {
            return true;
        }
        if (!reply || reply->status != XCB_MAPPING_STATUS_BUSY) {
            return false;
        }
        QThread::msleep(20);
    }
    return false;
}
