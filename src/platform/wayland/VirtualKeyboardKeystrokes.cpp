#include "platform/wayland/VirtualKeyboardKeystrokes.h"

#include "base/Log.h"
#include "platform/wayland/EvdevKeys.h"
#include "platform/wayland/WaylandConnection.h"

#include "virtual-keyboard-unstable-v1-client-protocol.h"

#include <QElapsedTimer>
#include <QFuture>

#include <qcoro/qcorofuture.h>
#include <xkbcommon/xkbcommon.h>

#include <cstring>
#include <sys/mman.h>
#include <unistd.h>

namespace {

constexpr std::uint32_t pressed = 1;
constexpr std::uint32_t released = 0;

struct Keymap {
    std::string text;
    std::uint32_t controlMask = 0;
};

std::optional<Keymap> usKeymap() {
    xkb_context* context = xkb_context_new(XKB_CONTEXT_NO_ENVIRONMENT_NAMES);
    if (context == nullptr) {
        return std::nullopt;
    }
    const xkb_rule_names names{"evdev", "pc105", "us", "", ""};
    xkb_keymap* keymap = xkb_keymap_new_from_names(context, &names, XKB_KEYMAP_COMPILE_NO_FLAGS);
    std::optional<Keymap> result;
    if (keymap != nullptr) {
        char* text = xkb_keymap_get_as_string(keymap, XKB_KEYMAP_FORMAT_TEXT_V1);
        if (text != nullptr) {
            result = Keymap{text, 1U << xkb_keymap_mod_get_index(keymap, XKB_MOD_NAME_CTRL)};
            std::free(text); // NOLINT
        }
        xkb_keymap_unref(keymap);
    }
    xkb_context_unref(context);
    return result;
}

// The keymap travels as a file the compositor maps: a sealed memory file, NUL included.
int keymapFile(const std::string& text) {
    const int fd = memfd_create("palimo-keymap", MFD_CLOEXEC);
    if (fd < 0) {
        return -1;
    }
    const size_t size = text.size() + 1;
    if (::write(fd, text.c_str(), size) != static_cast<ssize_t>(size)) {
        ::close(fd);
        return -1;
    }
    return fd;
}

std::uint32_t now() {
    static QElapsedTimer clock;
    if (!clock.isValid()) {
        clock.start();
    }
    return static_cast<std::uint32_t>(clock.elapsed());
}

} // namespace

std::unique_ptr<VirtualKeyboardKeystrokes>
VirtualKeyboardKeystrokes::create(std::shared_ptr<WaylandConnection> wayland) {
    if (!wayland || wayland->seat() == nullptr ||
        !wayland->offers(zwp_virtual_keyboard_manager_v1_interface.name)) {
        return nullptr;
    }
    const std::optional<Keymap> keymap = usKeymap();
    const int fd = keymap ? keymapFile(keymap->text) : -1;
    if (fd < 0) {
        Log::error(QStringLiteral("No keyboard map could be made for Palimo's virtual keyboard."));
        return nullptr;
    }
    auto* manager = static_cast<zwp_virtual_keyboard_manager_v1*>(
        wayland->bind(&zwp_virtual_keyboard_manager_v1_interface, 1));
    zwp_virtual_keyboard_v1* keyboard =
        zwp_virtual_keyboard_manager_v1_create_virtual_keyboard(manager, wayland->seat());
    zwp_virtual_keyboard_v1_keymap(keyboard, WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1, fd,
                                   static_cast<std::uint32_t>(keymap->text.size() + 1));
    ::close(fd);
    wl_proxy_destroy(reinterpret_cast<wl_proxy*>(manager)); // version 1 has no destructor
    // An unauthorised client is disconnected: find out now rather than at the first copy.
    if (!wayland->roundTrip() || !wayland->isAlive()) {
        return nullptr;
    }
    std::unique_ptr<VirtualKeyboardKeystrokes> made(
        new VirtualKeyboardKeystrokes(std::move(wayland), keyboard));
    made->m_controlMask = keymap->controlMask;
    return made;
}

VirtualKeyboardKeystrokes::VirtualKeyboardKeystrokes(std::shared_ptr<WaylandConnection> wayland,
                                                     zwp_virtual_keyboard_v1* keyboard)
    : m_wayland(std::move(wayland))
    , m_keyboard(keyboard) {}

VirtualKeyboardKeystrokes::~VirtualKeyboardKeystrokes() {
    zwp_virtual_keyboard_v1_destroy(m_keyboard);
    m_wayland->flush();
}

bool VirtualKeyboardKeystrokes::isAvailable() const {
    return m_wayland->isAlive();
}

QCoro::Task<bool> VirtualKeyboardKeystrokes::modifiersHeld() {
    co_return false;
}

QCoro::Task<bool> VirtualKeyboardKeystrokes::post(Command command) {
    if (!isAvailable()) {
        co_return false;
    }
    const std::uint32_t key = EvdevKeys::keyFor(command);
    zwp_virtual_keyboard_v1_key(m_keyboard, now(), EvdevKeys::leftCtrl, pressed);
    zwp_virtual_keyboard_v1_modifiers(m_keyboard, m_controlMask, 0, 0, 0);
    zwp_virtual_keyboard_v1_key(m_keyboard, now(), key, pressed);
    zwp_virtual_keyboard_v1_key(m_keyboard, now(), key, released);
    zwp_virtual_keyboard_v1_key(m_keyboard, now(), EvdevKeys::leftCtrl, released);
    zwp_virtual_keyboard_v1_modifiers(m_keyboard, 0, 0, 0, 0);
    QFuture<bool> handled = m_wayland->whenHandled();
    const bool ok = co_await handled;
    co_return ok;
}
