// A second Wayland client for the system tests, for what no packaged tool does here:
//   palimo-wayland-peer keys ctrl+alt+r       presses keys through KWin's fake-input (KWin offers
//                                             no virtual keyboard; it grants fake-input to this
//                                             binary through a desktop entry naming it)
//   palimo-wayland-peer type "lower case"     presses and releases each letter in turn, the same
//   way palimo-wayland-peer own 'text/html=<b>kept</b>' 'text/plain~half'
//                                             owns the clipboard through data-control: TYPE=TEXT is
//                                             answered with TEXT, TYPE~TEXT with TEXT and then
//                                             nothing more, its pipe held open; prints "ready",
//                                             exits when another owner takes the clipboard
// Exits 0 when done, 1 when the compositor lacks the protocol, 2 on bad arguments.
#include "fake-input-client-protocol.h"
#include "wlr-data-control-unstable-v1-client-protocol.h"

#include <wayland-client.h>

#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace {

struct Offered {
    std::string type;
    std::string bytes;
    bool stalls = false;
};

struct Peer {
    org_kde_kwin_fake_input* input = nullptr;
    zwlr_data_control_manager_v1* dataControl = nullptr;
    wl_seat* seat = nullptr;
    std::vector<Offered> offered;
    std::vector<int> held;
    bool cancelled = false;
};

template <typename T>
void bindIf(const char* interface, const wl_interface& wanted, wl_registry* registry,
            std::uint32_t name, std::uint32_t version, T*& target) {
    if (target == nullptr && std::strcmp(interface, wanted.name) == 0) {
        target = static_cast<T*>(wl_registry_bind(registry, name, &wanted, version));
    }
}

void onGlobal(void* data, wl_registry* registry, std::uint32_t name, const char* interface,
              std::uint32_t version) {
    auto* peer = static_cast<Peer*>(data);
    if (version >= 4) {
        bindIf(interface, org_kde_kwin_fake_input_interface, registry, name, 4, peer->input);
    }
    bindIf(interface, zwlr_data_control_manager_v1_interface, registry, name, 1, peer->dataControl);
    bindIf(interface, wl_seat_interface, registry, name, 1, peer->seat);
}
void onGlobalRemove(void*, wl_registry*, std::uint32_t) {}
const wl_registry_listener registryListener = {onGlobal, onGlobalRemove};

void onSend(void* data, zwlr_data_control_source_v1*, const char* type, std::int32_t fd) {
    auto* peer = static_cast<Peer*>(data);
    for (const Offered& offer : peer->offered) {
        if (offer.type == type) {
            if (write(fd, offer.bytes.data(), offer.bytes.size()) < 0) {
                std::perror("write");
            }
            if (offer.stalls) {
                peer->held.push_back(fd);
                return;
            }
        }
    }
    close(fd);
}
void onCancelled(void* data, zwlr_data_control_source_v1*) {
    static_cast<Peer*>(data)->cancelled = true;
}
const zwlr_data_control_source_v1_listener sourceListener = {onSend, onCancelled};

// The device announces every selection, its own included; the peer reads none of them.
void onOffer(void*, zwlr_data_control_device_v1*, zwlr_data_control_offer_v1* offer) {
    zwlr_data_control_offer_v1_destroy(offer);
}
void onSelection(void*, zwlr_data_control_device_v1*, zwlr_data_control_offer_v1*) {}
void onFinished(void*, zwlr_data_control_device_v1*) {}
const zwlr_data_control_device_v1_listener deviceListener = {onOffer, onSelection, onFinished,
                                                             onSelection};

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

// Each group is pressed together, then released: one combination, or one letter of a text.
int press(wl_display* display, Peer& peer, const std::string& given, bool typing) {
    std::vector<std::vector<std::uint32_t>> groups;
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
    if (peer.input == nullptr) {
        std::fprintf(stderr, "the compositor offers no fake-input to this program\n");
        return 1;
    }
    org_kde_kwin_fake_input_authenticate(peer.input, "palimo-wayland-peer", "system tests");
    for (const std::vector<std::uint32_t>& keys : groups) {
        for (const std::uint32_t key : keys) {
            org_kde_kwin_fake_input_keyboard_key(peer.input, key, 1);
        }
        for (auto it = keys.rbegin(); it != keys.rend(); ++it) {
            org_kde_kwin_fake_input_keyboard_key(peer.input, *it, 0);
        }
    }
    return wl_display_roundtrip(display) >= 0 ? 0 : 1;
}

int own(wl_display* display, Peer& peer) {
    if (peer.dataControl == nullptr || peer.seat == nullptr) {
        std::fprintf(stderr, "the compositor offers no data-control\n");
        return 1;
    }
    auto* device = zwlr_data_control_manager_v1_get_data_device(peer.dataControl, peer.seat);
    zwlr_data_control_device_v1_add_listener(device, &deviceListener, nullptr);
    auto* source = zwlr_data_control_manager_v1_create_data_source(peer.dataControl);
    zwlr_data_control_source_v1_add_listener(source, &sourceListener, &peer);
    for (const Offered& offer : peer.offered) {
        zwlr_data_control_source_v1_offer(source, offer.type.c_str());
    }
    zwlr_data_control_device_v1_set_selection(device, source);
    wl_display_roundtrip(display);
    std::printf("ready\n");
    std::fflush(stdout);
    while (!peer.cancelled && wl_display_dispatch(display) != -1) {
    }
    for (const int fd : peer.held) {
        close(fd);
    }
    zwlr_data_control_source_v1_destroy(source);
    zwlr_data_control_device_v1_destroy(device);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    const std::string mode = argc >= 3 ? argv[1] : "";
    Peer peer;
    for (int i = 2; mode == "own" && i < argc; ++i) {
        const std::string given = argv[i];
        const size_t split = given.find_first_of("=~");
        if (split == std::string::npos) {
            return 2;
        }
        peer.offered.push_back(
            {given.substr(0, split), given.substr(split + 1), given[split] == '~'});
    }
    if (mode != "own" && (argc != 3 || (mode != "keys" && mode != "type"))) {
        std::fprintf(stderr,
                     "usage: palimo-wayland-peer keys COMBO | type TEXT | own TYPE=TEXT...\n");
        return 2;
    }
    wl_display* display = wl_display_connect(nullptr);
    if (display == nullptr) {
        return 1;
    }
    wl_registry* registry = wl_display_get_registry(display);
    wl_registry_add_listener(registry, &registryListener, &peer);
    wl_display_roundtrip(display);
    const int status =
        mode == "own" ? own(display, peer) : press(display, peer, argv[2], mode == "type");
    // Every proxy freed, so that the sanitizer build's leak check passes this program too.
    if (peer.input != nullptr) {
        org_kde_kwin_fake_input_destroy(peer.input);
    }
    if (peer.dataControl != nullptr) {
        zwlr_data_control_manager_v1_destroy(peer.dataControl);
    }
    if (peer.seat != nullptr) {
        wl_seat_destroy(peer.seat);
    }
    wl_registry_destroy(registry);
    wl_display_disconnect(display);
    return status;
}
