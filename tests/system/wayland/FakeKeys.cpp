// Presses keys in a KWin session the way a keyboard would, through KWin's fake-input protocol
// (KWin grants it to this binary through a desktop entry naming it), for the system tests:
//   palimo-fake-keys ctrl+alt+r
//   palimo-fake-keys escape
//   palimo-fake-keys type "lower case words"   (each letter pressed and released in turn)
// Exits 0 once KWin has handled the presses, 1 when it cannot reach KWin or the protocol.
#include "fake-input-client-protocol.h"

#include <wayland-client.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
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

// Evdev codes of the keys the tests press: modifiers, Escape, Return, space and the letters.
std::uint32_t code(const std::string& key) {
    const std::pair<const char*, std::uint32_t> named[] = {
        {"ctrl", 29}, {"alt", 56}, {"shift", 42}, {"escape", 1}, {"return", 28}, {" ", 57}};
    for (const auto& [name, value] : named) {
        if (key == name) {
            return value;
        }
    }
    const std::pair<std::string_view, std::uint32_t> rows[] = {
        {"qwertyuiop", 16}, {"asdfghjkl", 30}, {"zxcvbnm", 44}};
    for (const auto& [letters, first] : rows) {
        if (const size_t at = letters.find(key); key.size() == 1 && at != std::string_view::npos) {
            return first + static_cast<std::uint32_t>(at);
        }
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2 && argc != 3) {
        std::fprintf(stderr, "usage: palimo-fake-keys ctrl+alt+r | type TEXT\n");
        return 2;
    }
    // Each group is pressed together, then released: one combination, or one letter of a text.
    std::vector<std::vector<std::uint32_t>> groups;
    const std::string given = argv[argc - 1];
    const bool typing = argc == 3 && std::string(argv[1]) == "type";
    for (size_t start = 0; start < given.size();) {
        const size_t end = typing ? start + 1 : std::min(given.find('+', start), given.size());
        const std::uint32_t key = code(given.substr(start, end - start));
        if (key == 0) {
            std::fprintf(stderr, "unknown key in %s\n", given.c_str());
            return 2;
        }
        if (typing || groups.empty()) {
            groups.emplace_back();
        }
        groups.back().push_back(key);
        start = typing ? end : end + 1;
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
    for (const std::vector<std::uint32_t>& keys : groups) {
        for (const std::uint32_t key : keys) {
            org_kde_kwin_fake_input_keyboard_key(globals.input, key, 1);
        }
        for (auto it = keys.rbegin(); it != keys.rend(); ++it) {
            org_kde_kwin_fake_input_keyboard_key(globals.input, *it, 0);
        }
    }
    const bool ok = wl_display_roundtrip(display) >= 0;
    wl_display_disconnect(display);
    return ok ? 0 : 1;
}
