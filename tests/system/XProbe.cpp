#include "system/XProbe.h"

#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>

#include <QThread>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <vector>

namespace {

struct FreeDeleter {
    void operator()(void* pointer) const { std::free(pointer); }
};
template <typename T> using Reply = std::unique_ptr<T, FreeDeleter>;

} // namespace

XProbe::XProbe() {
    m_connection = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(m_connection) == 0) {
        m_root = xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data->root;
    }
}

XProbe::~XProbe() {
    xcb_disconnect(m_connection);
}

bool XProbe::isConnected() const {
    return xcb_connection_has_error(m_connection) == 0 && m_root != 0;
}

bool XProbe::grabKey(std::uint8_t keyCode, std::uint16_t modifiers) {
    return !Reply<xcb_generic_error_t>(xcb_request_check(
        m_connection, xcb_grab_key_checked(m_connection, 0, m_root, modifiers, keyCode,
                                           XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC)));
}

void XProbe::ungrabKey(std::uint8_t keyCode) {
    // Checked, so the server has let go before anyone else asks for the key.
    std::free(xcb_request_check(
        m_connection, xcb_ungrab_key_checked(m_connection, keyCode, m_root, XCB_MOD_MASK_ANY)));
}

bool XProbe::canGrabKeyboard() {
    const Reply<xcb_grab_keyboard_reply_t> reply(
        xcb_grab_keyboard_reply(m_connection,
                                xcb_grab_keyboard(m_connection, 0, m_root, XCB_CURRENT_TIME,
                                                  XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC),
                                nullptr));
    xcb_ungrab_keyboard(m_connection, XCB_CURRENT_TIME);
    xcb_flush(m_connection);
    return reply && reply->status == XCB_GRAB_STATUS_SUCCESS;
}

std::uint16_t XProbe::lockState() {
    const Reply<xcb_query_pointer_reply_t> reply(
        xcb_query_pointer_reply(m_connection, xcb_query_pointer(m_connection, m_root), nullptr));
    return reply ? static_cast<std::uint16_t>(reply->mask & 0xFF) : 0;
}

bool XProbe::moveKeysymToModifier(std::uint32_t keysym, int modifier) {
    xcb_key_symbols_t* symbols = xcb_key_symbols_alloc(m_connection);
    const Reply<xcb_keycode_t> found(xcb_key_symbols_get_keycode(symbols, keysym));
    xcb_key_symbols_free(symbols);
    std::vector<xcb_keycode_t> codes;
    for (const xcb_keycode_t* code = found.get(); code && *code != XCB_NO_SYMBOL; ++code) {
        codes.push_back(*code);
    }
    const Reply<xcb_get_modifier_mapping_reply_t> mapping(xcb_get_modifier_mapping_reply(
        m_connection, xcb_get_modifier_mapping(m_connection), nullptr));
    if (!mapping || codes.empty()) {
        return false;
    }
    // Rows one wider than before, the keys taken out of their old row and put into the new.
    const int oldPer = mapping->keycodes_per_modifier;
    const int newPer = oldPer + static_cast<int>(codes.size());
    const xcb_keycode_t* rows = xcb_get_modifier_mapping_keycodes(mapping.get());
    std::vector<xcb_keycode_t> table(static_cast<std::size_t>(8 * newPer), 0);
    for (int row = 0; row < 8; ++row) {
        auto out = table.begin() + row * newPer;
        out = std::copy_if(rows + row * oldPer, rows + (row + 1) * oldPer, out, [&](auto code) {
            return code != 0 && std::find(codes.begin(), codes.end(), code) == codes.end();
        });
        if (row == modifier) {
            std::copy(codes.begin(), codes.end(), out);
        }
    }
    // The server answers Busy while a key of the old or new map is down; ask again briefly.
    for (int attempt = 0; attempt < 50; ++attempt) {
        const Reply<xcb_set_modifier_mapping_reply_t> reply(xcb_set_modifier_mapping_reply(
            m_connection,
            xcb_set_modifier_mapping(m_connection, static_cast<std::uint8_t>(newPer), table.data()),
            nullptr));
        if (!reply || reply->status != XCB_MAPPING_STATUS_BUSY) {
            return reply && reply->status == XCB_MAPPING_STATUS_SUCCESS;
        }
        QThread::msleep(20);
    }
    return false;
}
