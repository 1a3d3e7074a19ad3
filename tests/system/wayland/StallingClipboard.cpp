// A clipboard owner that stops answering, for the Wayland tests. It takes the selection through
// data-control and offers each type given:
//   palimo-stalling-clipboard 'text/html=<b>kept</b>' 'text/plain~half'
// TYPE=TEXT is answered with TEXT; TYPE~TEXT with TEXT and then nothing more, its pipe held open.
// Prints "ready" once it owns the clipboard and exits when another owner takes it.
#include "wlr-data-control-unstable-v1-client-protocol.h"

#include <wayland-client.h>

#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

struct Offered {
    std::string type;
    std::string bytes;
    bool stalls = false;
};

struct State {
    zwlr_data_control_manager_v1* manager = nullptr;
    wl_seat* seat = nullptr;
    std::vector<Offered> offered;
    std::vector<int> held;
    bool cancelled = false;
};

void onGlobal(void* data, wl_registry* registry, std::uint32_t name, const char* interface,
              std::uint32_t /*version*/) {
    auto* state = static_cast<State*>(data);
    if (std::strcmp(interface, zwlr_data_control_manager_v1_interface.name) == 0) {
        state->manager = static_cast<zwlr_data_control_manager_v1*>(
            wl_registry_bind(registry, name, &zwlr_data_control_manager_v1_interface, 1));
    } else if (std::strcmp(interface, wl_seat_interface.name) == 0 && state->seat == nullptr) {
        state->seat =
            static_cast<wl_seat*>(wl_registry_bind(registry, name, &wl_seat_interface, 1));
    }
}
void onGlobalRemove(void*, wl_registry*, std::uint32_t) {}
const wl_registry_listener registryListener = {onGlobal, onGlobalRemove};

void onSend(void* data, zwlr_data_control_source_v1*, const char* type, std::int32_t fd) {
    auto* state = static_cast<State*>(data);
    for (const Offered& offer : state->offered) {
        if (offer.type == type) {
            if (write(fd, offer.bytes.data(), offer.bytes.size()) < 0) {
                std::perror("write");
            }
            if (offer.stalls) {
                state->held.push_back(fd);
                return;
            }
        }
    }
    close(fd);
}
void onCancelled(void* data, zwlr_data_control_source_v1*) {
    static_cast<State*>(data)->cancelled = true;
}
const zwlr_data_control_source_v1_listener sourceListener = {onSend, onCancelled};

} // namespace

int main(int argc, char** argv) {
    State state;
    for (int i = 1; i < argc; ++i) {
        const std::string given = argv[i];
        const size_t split = given.find_first_of("=~");
        if (split == std::string::npos) {
            std::fprintf(stderr, "usage: palimo-stalling-clipboard TYPE=TEXT|TYPE~TEXT...\n");
            return 2;
        }
        state.offered.push_back(
            {given.substr(0, split), given.substr(split + 1), given[split] == '~'});
    }
    wl_display* display = wl_display_connect(nullptr);
    if (display == nullptr) {
        return 1;
    }
    wl_registry_add_listener(wl_display_get_registry(display), &registryListener, &state);
    wl_display_roundtrip(display);
    if (state.manager == nullptr || state.seat == nullptr) {
        std::fprintf(stderr, "the compositor offers no data-control\n");
        return 1;
    }
    auto* device = zwlr_data_control_manager_v1_get_data_device(state.manager, state.seat);
    auto* source = zwlr_data_control_manager_v1_create_data_source(state.manager);
    zwlr_data_control_source_v1_add_listener(source, &sourceListener, &state);
    for (const Offered& offer : state.offered) {
        zwlr_data_control_source_v1_offer(source, offer.type.c_str());
    }
    zwlr_data_control_device_v1_set_selection(device, source);
    wl_display_roundtrip(display);
    std::printf("ready\n");
    std::fflush(stdout);
    while (!state.cancelled && wl_display_dispatch(display) != -1) {
    }
    for (const int fd : state.held) {
        close(fd);
    }
    wl_display_disconnect(display);
    return 0;
}
