#include "platform/x11/X11HotKeyService.h"

#include "base/Log.h"
#include "hotkey/Key.h"
#include "hotkey/KeyCombo.h"
#include "hotkey/KeyPosition.h"
#include "platform/x11/X11ModifierMask.h"
#include "platform/x11/X11UserTime.h"

#include <QCoreApplication>
#include <QGuiApplication>

#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>

#include <algorithm>
#include <cstdlib>
#include <optional>

namespace {

constexpr xcb_keysym_t numLockKeysym = 0xff7f;    // XK_Num_Lock
constexpr xcb_keysym_t scrollLockKeysym = 0xff14; // XK_Scroll_Lock
constexpr int modifierCount = 8;
// How often the state of a held hot key is looked at; short enough that a quick second press
// of the same shortcut is not mistaken for auto-repeat.
constexpr int heldKeyPollMilliseconds = 15;

struct FreeDeleter {
    void operator()(void* pointer) const { std::free(pointer); }
};
template <typename T> using XcbPointer = std::unique_ptr<T, FreeDeleter>;

// The modifier bit whose row in the modifier map holds a key producing the keysym, or 0.
std::uint16_t modifierMaskOf(xcb_key_symbols_t* symbols,
                             const xcb_get_modifier_mapping_reply_t& mapping, xcb_keysym_t keysym) {
    const XcbPointer<xcb_keycode_t> keyCodes(xcb_key_symbols_get_keycode(symbols, keysym));
    if (!keyCodes) {
        return 0;
    }
    const xcb_keycode_t* rows = xcb_get_modifier_mapping_keycodes(&mapping);
    const int perModifier = mapping.keycodes_per_modifier;
    for (int modifier = 0; modifier < modifierCount; ++modifier) {
        for (int column = 0; column < perModifier; ++column) {
            const xcb_keycode_t mapped = rows[modifier * perModifier + column];
            if (mapped == 0) {
                continue;
            }
            for (const xcb_keycode_t* code = keyCodes.get(); *code != XCB_NO_SYMBOL; ++code) {
                if (*code == mapped) {
                    return static_cast<std::uint16_t>(1u << modifier);
                }
            }
        }
    }
    return 0;
}

HotKeyService::Registration failureFor(std::uint8_t errorCode) {
    switch (errorCode) {
    case XCB_ACCESS:
        return {HotKeyService::Status::alreadyTaken, 0,
                QStringLiteral("another application already uses it")};
    case XCB_VALUE:
        return {HotKeyService::Status::unsupportedKey, 0,
                QStringLiteral("the X server has no such key")};
    default:
        return {HotKeyService::Status::failed, 0,
                QStringLiteral("the X server refused it (error %1)").arg(errorCode)};
    }
}

} // namespace

std::unique_ptr<X11HotKeyService> X11HotKeyService::create() {
    auto* x11 = qGuiApp != nullptr ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>()
                                   : nullptr;
    if (x11 == nullptr || x11->connection() == nullptr ||
        xcb_connection_has_error(x11->connection()) != 0) {
        return nullptr;
    }
    xcb_connection_t* connection = x11->connection();
    // Qt connects to $DISPLAY's default screen; hot keys belong on that screen's root.
    char* host = nullptr;
    int display = 0;
    int screenNumber = 0;
    if (xcb_parse_display(nullptr, &host, &display, &screenNumber) == 0) {
        screenNumber = 0;
    }
    std::free(host);
    xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(connection));
    for (int index = 0; index < screenNumber && screens.rem > 1; ++index) {
        xcb_screen_next(&screens);
    }
    if (screens.rem == 0) {
        return nullptr;
    }
    return std::unique_ptr<X11HotKeyService>(new X11HotKeyService(connection, screens.data->root));
}

X11HotKeyService::X11HotKeyService(xcb_connection_t* connection, std::uint32_t root)
    : m_connection(connection)
    , m_root(root) {
    readLockMasks();
    m_heldKeyPoll.setInterval(heldKeyPollMilliseconds);
    QObject::connect(&m_heldKeyPoll, &QTimer::timeout, &m_heldKeyPoll, [this] { pollHeldKeys(); });
    QCoreApplication::instance()->installNativeEventFilter(this);
}

X11HotKeyService::~X11HotKeyService() {
    if (QCoreApplication::instance() != nullptr) {
        QCoreApplication::instance()->removeNativeEventFilter(this);
    }
    for (const Grab& grab : m_grabs) {
        ungrabAll(grab.keyCode, grab.variants);
    }
    xcb_flush(m_connection);
}

void X11HotKeyService::readLockMasks() {
    m_numLockMask = 0;
    m_scrollLockMask = 0;
    const XcbPointer<xcb_get_modifier_mapping_reply_t> mapping(xcb_get_modifier_mapping_reply(
        m_connection, xcb_get_modifier_mapping(m_connection), nullptr));
    xcb_key_symbols_t* symbols = xcb_key_symbols_alloc(m_connection);
    if (mapping && symbols != nullptr) {
        m_numLockMask = modifierMaskOf(symbols, *mapping, numLockKeysym);
        m_scrollLockMask = modifierMaskOf(symbols, *mapping, scrollLockKeysym);
    }
    if (symbols != nullptr) {
        xcb_key_symbols_free(symbols);
    }
}

std::vector<std::uint16_t> X11HotKeyService::variantsOf(std::uint16_t modifiers) const {
    std::vector<std::uint16_t> locks;
    for (const std::uint16_t lock : {X11ModifierMask::lock, m_numLockMask, m_scrollLockMask}) {
        if (lock != 0 && (lock & modifiers) == 0 &&
            std::find(locks.begin(), locks.end(), lock) == locks.end()) {
            locks.push_back(lock);
        }
    }
    std::vector<std::uint16_t> variants;
    for (std::size_t subset = 0; subset < (std::size_t{1} << locks.size()); ++subset) {
        std::uint16_t variant = modifiers;
        for (std::size_t bit = 0; bit < locks.size(); ++bit) {
            if ((subset & (std::size_t{1} << bit)) != 0) {
                variant |= locks[bit];
            }
        }
        variants.push_back(variant);
    }
    return variants;
}

HotKeyService::Registration X11HotKeyService::grabAll(std::uint8_t keyCode, std::uint16_t modifiers,
                                                      std::vector<std::uint16_t>& grabbed) {
    const std::vector<std::uint16_t> variants = variantsOf(modifiers);
    // All requests go out before the first check, so the whole set costs one round trip.
    // Not owner_events: even when one of our own windows has the focus, the press must arrive
    // on the root window, where the filter looks for it.
    std::vector<xcb_void_cookie_t> cookies(variants.size());
    std::transform(variants.begin(), variants.end(), cookies.begin(), [&](std::uint16_t variant) {
        return xcb_grab_key_checked(m_connection, 0, m_root, variant, keyCode, XCB_GRAB_MODE_ASYNC,
                                    XCB_GRAB_MODE_ASYNC);
    });
    std::optional<std::uint8_t> firstError;
    for (std::size_t index = 0; index < cookies.size(); ++index) {
        const XcbPointer<xcb_generic_error_t> error(
            xcb_request_check(m_connection, cookies[index]));
        if (error) {
            if (!firstError) {
                firstError = error->error_code;
            }
        } else {
            grabbed.push_back(variants[index]);
        }
    }
    if (firstError) {
        ungrabAll(keyCode, grabbed);
        xcb_flush(m_connection);
        grabbed.clear();
        return failureFor(*firstError);
    }
    return {Status::success, 0, {}};
}

void X11HotKeyService::ungrabAll(std::uint8_t keyCode, const std::vector<std::uint16_t>& variants) {
    for (const std::uint16_t variant : variants) {
        xcb_ungrab_key(m_connection, keyCode, m_root, variant);
    }
}

HotKeyService::Registration X11HotKeyService::registerHotKey(std::uint32_t carbonKeyCode,
                                                             std::uint32_t carbonModifiers,
                                                             HotKeyId hotKeyId) {
    if (xcb_connection_has_error(m_connection) != 0) {
        return {Status::unavailable, 0, QStringLiteral("the connection to the X server is lost")};
    }
    const std::optional<Key> key = Key::fromCarbonKeyCode(carbonKeyCode);
    const std::optional<std::uint8_t> keyCode = key ? KeyPosition::xKeyCode(*key) : std::nullopt;
    if (!keyCode) {
        return {Status::unsupportedKey, 0, QStringLiteral("X has no key code for this key")};
    }
    const std::uint16_t modifiers = X11ModifierMask::fromCarbonFlags(carbonModifiers);
    // Grabbing the same keys twice from one client silently replaces the first grab, and
    // releasing either would then release both.
    if (findGrab(*keyCode, modifiers) != nullptr) {
        return {Status::alreadyTaken, 0,
                QStringLiteral("Palimo already uses it for another shortcut")};
    }
    Grab grab;
    grab.keyCode = *keyCode;
    grab.modifiers = modifiers;
    grab.carbonKeyCode = carbonKeyCode;
    grab.carbonModifiers = carbonModifiers;
    grab.hotKeyId = hotKeyId;
    const Registration result = grabAll(grab.keyCode, grab.modifiers, grab.variants);
    if (result.status != Status::success) {
        return result;
    }
    grab.handle = m_nextHandle++;
    m_grabs.push_back(grab);
    return {Status::success, grab.handle, {}};
}

void X11HotKeyService::unregisterHotKey(Handle handle) {
    const auto found = std::find_if(m_grabs.begin(), m_grabs.end(),
                                    [handle](const Grab& grab) { return grab.handle == handle; });
    if (found == m_grabs.end()) {
        return;
    }
    ungrabAll(found->keyCode, found->variants);
    xcb_flush(m_connection);
    m_grabs.erase(found);
}

void X11HotKeyService::setEventHandler(EventHandler handler) {
    m_handler = std::move(handler);
}

bool X11HotKeyService::nativeEventFilter(const QByteArray& eventType, void* message,
                                         qintptr* /*result*/) {
    if (eventType != "xcb_generic_event_t" || message == nullptr) {
        return false;
    }
    auto* event = static_cast<xcb_generic_event_t*>(message);
    switch (event->response_type & 0x7f) {
    case XCB_KEY_PRESS: {
        auto* key = reinterpret_cast<xcb_key_press_event_t*>(event);
        if (key->event != m_root) {
            return false;
        }
        handlePress(key->detail, key->state, key->time, event->full_sequence);
        return true;
    }
    case XCB_KEY_RELEASE: {
        auto* key = reinterpret_cast<xcb_key_release_event_t*>(event);
        if (key->event != m_root) {
            return false;
        }
        handleRelease(key->detail);
        return true;
    }
    case XCB_MAPPING_NOTIFY: {
        auto* mapping = reinterpret_cast<xcb_mapping_notify_event_t*>(event);
        if (mapping->request != XCB_MAPPING_POINTER) {
            handleMappingChange();
        }
        return false; // Qt needs it too
    }
    default:
        return false;
    }
}

X11HotKeyService::Grab* X11HotKeyService::findGrab(std::uint8_t keyCode, std::uint16_t modifiers) {
    for (Grab& grab : m_grabs) {
        if (grab.keyCode == keyCode && grab.modifiers == modifiers && !grab.variants.empty()) {
            return &grab;
        }
    }
    return nullptr;
}

void X11HotKeyService::handlePress(std::uint8_t keyCode, std::uint16_t state, std::uint32_t time,
                                   std::uint32_t sequence) {
    // Key events reach the root window only through our grabs. End the active grab before
    // anything else, so keys the handler posts go to the focused window and not back to us.
    xcb_ungrab_keyboard(m_connection, time);
    xcb_flush(m_connection);
    X11UserTime::notePress(time);

    const std::uint16_t locks = X11ModifierMask::lock | m_numLockMask | m_scrollLockMask;
    const auto modifiers =
        static_cast<std::uint16_t>(state & X11ModifierMask::allModifiers & ~locks);
    Grab* grab = findGrab(keyCode, modifiers);
    if (grab == nullptr) {
        return;
    }
    // Sequence numbers wrap; the signed distance orders them.
    const bool sentBeforeRelease =
        grab->upSinceSequence && static_cast<std::int32_t>(sequence - *grab->upSinceSequence) < 0;
    if (grab->isDown || sentBeforeRelease) {
        ++m_droppedRepeats; // auto-repeat of a key that is (or was then) held
        return;
    }
    grab->isDown = true;
    if (!m_heldKeyPoll.isActive()) {
        m_heldKeyPoll.start();
    }
    deliver(pressedKind, grab->hotKeyId);
}

void X11HotKeyService::handleRelease(std::uint8_t /*keyCode*/) {
    // Auto-repeat sends a release just before each repeated press; only the keymap tells
    // whether the key is really up.
    pollHeldKeys();
}

void X11HotKeyService::pollHeldKeys() {
    const bool anyDown =
        std::any_of(m_grabs.begin(), m_grabs.end(), [](const Grab& grab) { return grab.isDown; });
    if (!anyDown) {
        m_heldKeyPoll.stop();
        return;
    }
    const xcb_query_keymap_cookie_t cookie = xcb_query_keymap(m_connection);
    const XcbPointer<xcb_query_keymap_reply_t> keymap(
        xcb_query_keymap_reply(m_connection, cookie, nullptr));
    std::vector<HotKeyId> released;
    for (Grab& grab : m_grabs) {
        if (!grab.isDown) {
            continue;
        }
        const bool stillDown =
            keymap && (keymap->keys[grab.keyCode / 8] & (1u << (grab.keyCode % 8))) != 0;
        if (!stillDown) {
            grab.isDown = false;
            grab.upSinceSequence = cookie.sequence;
            released.push_back(grab.hotKeyId);
        }
    }
    if (std::none_of(m_grabs.begin(), m_grabs.end(),
                     [](const Grab& grab) { return grab.isDown; })) {
        m_heldKeyPoll.stop();
    }
    for (const HotKeyId& hotKeyId : released) {
        deliver(releasedKind, hotKeyId);
    }
}

void X11HotKeyService::handleMappingChange() {
    const std::uint16_t oldNumLock = m_numLockMask;
    const std::uint16_t oldScrollLock = m_scrollLockMask;
    readLockMasks();
    if (m_numLockMask == oldNumLock && m_scrollLockMask == oldScrollLock) {
        return; // the grabs are by key position, so only moved lock modifiers matter
    }
    for (Grab& grab : m_grabs) {
        ungrabAll(grab.keyCode, grab.variants);
        grab.variants.clear();
        const Registration result = grabAll(grab.keyCode, grab.modifiers, grab.variants);
        if (result.status != Status::success) {
            Log::error(QStringLiteral("Could not register %1 again after a keyboard change: %2.")
                           .arg(KeyCombo(grab.carbonKeyCode, grab.carbonModifiers).description(),
                                result.failure));
        }
    }
    xcb_flush(m_connection);
}

void X11HotKeyService::deliver(std::uint32_t kind, HotKeyId hotKeyId) {
    if (m_handler) {
        // The handler may replace itself or unregister hot keys; run a copy.
        const EventHandler handler = m_handler;
        handler({kind, hotKeyId});
    }
}
