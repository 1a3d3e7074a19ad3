// Presses keys in a KWin session the way a keyboard would, through KWin's fake-input protocol
// (KWin grants it to this binary through a desktop entry naming it), for the system tests:
//   palimo-fake-keys ctrl+alt+r
//   palimo-fake-keys escape
// Exits 0 once KWin has handled the presses, 1 when it cannot reach KWin or the protocol.
#include "fake-input-client-protocol.h"

#include <wayland-client.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

struct Globals {
    org_kde_kwin_fake_input* input = nullptr;
};

void onGlobal(void* data, wl_registry* registry, std::uint32_t name, const char* interface,
              std::uint32_t version) {
    if (std::strcmp(interface, org_kde_kwin_fake_input_interface.name) == 0 && version >= 4) {
        static_cast<Globals*>(data)->input = static_cast<org_kde_kwin_fake_input*>(
            wl_registry_bind(registry, name, &org_kde_kwin_fake_input_interface, 4));
    }
}
void onGlobalRemove(void*, wl_registry*, std::uint32_t) {}
const wl_registry_listener listener = {onGlobal, onGlobalRemove};

// Evdev codes of the keys the tests press.
std::uint32_t code(const std::string& key) {
    if (key == "ctrl")
        return 29;
    if (key == "alt")
        return 56;
    if (key == "shift")
        return 42;
    if (key == "escape")
        return 1;
    if (key == "r")
        return 19;
    if (key == "p")
        return 25;
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: palimo-fake-keys ctrl+alt+r\n");
        return 2;
    }
    std::vector<std::uint32_t> keys;
    std::string combo = argv[1];
    for (size_t start = 0; start <= combo.size();) {
        const size_t plus = std::min(combo.find('+', start), combo.size());
        const std::uint32_t key = code(combo.substr(start, plus - start));
        if (key == 0) {
            std::fprintf(stderr, "unknown key in %s\n", argv[1]);
            return 2;
        }
        keys.push_back(key);
        start = plus + 1;
    }
    wl_display* display = wl_display_connect(nullptr);
    if (display == nullptr) {
        return 1;
    }
    Globals globals;
    wl_registry_add_listener(wl_display_get_registry(display), &listener, &globals);
    wl_display_roundtrip(display);
    if (globals.input == nullptr) {
        std::fprintf(stderr, "KWin offers no fake-input to this program\n");
        return 1;
    }
    org_kde_kwin_fake_input_authenticate(globals.input, "palimo-fake-keys", "system tests");
    for (const std::uint32_t key : keys) {
        org_kde_kwin_fake_input_keyboard_key(globals.input, key, 1);
    }
    for (auto it = keys.rbegin(); it != keys.rend(); ++it) {
        org_kde_kwin_fake_input_keyboard_key(globals.input, *it, 0);
    }
    const bool ok = wl_display_roundtrip(display) >= 0;
    wl_display_disconnect(display);
    return ok ? 0 : 1;
}
